#pragma once
// The bits of MXCSR and of the x87 control and status words, and the x87 environment as fnstenv
// stores and fldenv loads it. The plug-ins, the stand-in, the runner's freestanding i686 guest and
// the tests all read and write these: <cstdint> only, no library calls.
#include <cstdint>

namespace vek {

// MXCSR.
constexpr uint32_t kMxcsrInvalid = 0x0001;    // IE
constexpr uint32_t kMxcsrDenormal = 0x0002;   // DE
constexpr uint32_t kMxcsrDivide = 0x0004;     // ZE
constexpr uint32_t kMxcsrOverflow = 0x0008;   // OE
constexpr uint32_t kMxcsrUnderflow = 0x0010;  // UE
constexpr uint32_t kMxcsrInexact = 0x0020;    // PE
constexpr uint32_t kMxcsrFlags = 0x003F;      // the six sticky exception flags above
constexpr uint32_t kMxcsrDenormalsAreZero = 0x0040;
constexpr uint32_t kMxcsrMasks = 0x1F80;  // each flag's mask, kMxcsrMaskShift bits above it
constexpr int kMxcsrMaskShift = 7;
constexpr uint32_t kMxcsrRounding = 0x6000;
constexpr uint32_t kMxcsrRoundDown = 0x2000;
constexpr uint32_t kMxcsrRoundUp = 0x4000;
constexpr uint32_t kMxcsrRoundZero = 0x6000;
constexpr uint32_t kMxcsrFlushToZero = 0x8000;
// All six exceptions masked, round to nearest, no flush-to-zero, no denormals-are-zero: the
// power-on value, and the one the plug-ins compute in.
constexpr uint32_t kOwnMxcsr = kMxcsrMasks;

// x87 control word.
constexpr uint16_t kX87Masks = 0x003F;  // the six exception masks, in the status flags' order
constexpr uint16_t kX87ControlReserved = 0x0040;  // reads back as set
constexpr uint16_t kX87Precision = 0x0300;
constexpr uint16_t kX87PrecisionSingle = 0x0000;
constexpr uint16_t kX87PrecisionDouble = 0x0200;
constexpr uint16_t kX87PrecisionExtended = 0x0300;
constexpr uint16_t kX87Rounding = 0x0C00;
constexpr uint16_t kX87RoundDown = 0x0400;
constexpr uint16_t kX87RoundUp = 0x0800;
constexpr uint16_t kX87RoundZero = 0x0C00;
// After FNINIT: all exceptions masked, round to nearest, 64-bit precision.
constexpr uint16_t kOwnX87Control = kX87PrecisionExtended | kX87ControlReserved | kX87Masks;
static_assert(kOwnX87Control == 0x037F, "the control word FNINIT loads");

// x87 status word.
constexpr uint16_t kX87StatusExceptions = 0x003F;  // IE DE ZE OE UE PE, as in MXCSR
// The bits that belong to the host: the six exception flags, stack fault, error summary, and busy
// (a copy of the error summary).
constexpr uint16_t kX87StatusFlags = 0x80FF;

// x87 tag word: two bits a register, 11 for empty.
constexpr uint16_t kX87TagsAllEmpty = 0xFFFF;

// The 28-byte x87 environment of fnstenv/fldenv in 32-bit protected mode.
struct X87Environment {
  uint16_t control;
  uint16_t reserved0;
  uint16_t status;
  uint16_t reserved1;
  uint16_t tag;
  uint16_t reserved2;
  uint32_t instructionOffset;
  uint16_t instructionSelector;
  uint16_t opcode;  // the low 11 bits of the last non-control instruction's opcode
  uint32_t operandOffset;
  uint16_t operandSelector;
  uint16_t reserved3;
};
static_assert(__builtin_offsetof(X87Environment, control) == 0, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, reserved0) == 2, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, status) == 4, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, reserved1) == 6, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, tag) == 8, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, reserved2) == 10, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, instructionOffset) == 12, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, instructionSelector) == 16, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, opcode) == 18, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, operandOffset) == 20, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, operandSelector) == 24, "x87 environment layout");
static_assert(__builtin_offsetof(X87Environment, reserved3) == 26, "x87 environment layout");
static_assert(sizeof(X87Environment) == 28, "fnstenv stores 28 bytes in 32-bit protected mode");

// The environment with the control word and the host's status flags replaced, the rest as stored.
constexpr X87Environment WithControlAndFlags(X87Environment env, uint16_t control, uint16_t flags) {
  env.control = control;
  env.status = static_cast<uint16_t>((env.status & ~kX87StatusFlags) | (flags & kX87StatusFlags));
  return env;
}

}  // namespace vek
