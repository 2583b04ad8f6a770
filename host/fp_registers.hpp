#pragma once
// The bits of MXCSR and of the x87 control and status words, and the x87 environment as fnstenv
// stores and fldenv loads it. The plug-ins, the stand-in, the runner's freestanding i686 guest and
// the tests all read and write these: <cstdint> only, no library calls.
#include <cstdint>

namespace vek {

// Rounding control: one two-bit code, at bit 13 of MXCSR and at bit 10 of the x87 control word.
enum RoundingCode : uint32_t { kRoundNearest = 0, kRoundDown = 1, kRoundUp = 2, kRoundZero = 3 };
constexpr uint32_t MxcsrRounding(RoundingCode code) { return static_cast<uint32_t>(code) << 13; }
constexpr uint16_t X87Rounding(RoundingCode code) { return static_cast<uint16_t>(code << 10); }
constexpr uint32_t kMxcsrRounding = MxcsrRounding(kRoundZero);  // the field: both bits set
constexpr uint16_t kX87Rounding = X87Rounding(kRoundZero);
static_assert(kMxcsrRounding == 0x6000 && kX87Rounding == 0x0C00, "the rounding fields");

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

// The 28-byte x87 environment of fnstenv/fldenv in 32-bit protected mode: seven 32-bit words, one
// a line, each checked at its offset.
struct X87Environment {
  uint16_t control, reserved0;
  uint16_t status, reserved1;
  uint16_t tag, reserved2;
  uint32_t instructionOffset;
  uint16_t instructionSelector, opcode;  // opcode: the low 11 bits of the last non-control one
  uint32_t operandOffset;
  uint16_t operandSelector, reserved3;
};
#define VEK_X87_AT(field, offset) (__builtin_offsetof(X87Environment, field) == (offset))
static_assert(VEK_X87_AT(control, 0) && VEK_X87_AT(reserved0, 2), "x87 environment word 0");
static_assert(VEK_X87_AT(status, 4) && VEK_X87_AT(reserved1, 6), "x87 environment word 1");
static_assert(VEK_X87_AT(tag, 8) && VEK_X87_AT(reserved2, 10), "x87 environment word 2");
static_assert(VEK_X87_AT(instructionOffset, 12), "x87 environment word 3");
static_assert(VEK_X87_AT(instructionSelector, 16) && VEK_X87_AT(opcode, 18), "x87 environment word 4");
static_assert(VEK_X87_AT(operandOffset, 20), "x87 environment word 5");
static_assert(VEK_X87_AT(operandSelector, 24) && VEK_X87_AT(reserved3, 26), "x87 environment word 6");
#undef VEK_X87_AT
static_assert(sizeof(X87Environment) == 28, "fnstenv stores 28 bytes in 32-bit protected mode");

// The environment with the control word and the host's status flags replaced, the rest as stored.
constexpr X87Environment WithControlAndFlags(X87Environment env, uint16_t control, uint16_t flags) {
  env.control = control;
  env.status = static_cast<uint16_t>((env.status & ~kX87StatusFlags) | (flags & kX87StatusFlags));
  return env;
}

// What a host's floating-point environment is to a plug-in, as the stand-in and the runner load,
// read and compare it: the x87 control word, the host's flags of the x87 status word
// (kX87StatusFlags), and MXCSR whole.
struct FpRegisters {
  uint16_t x87Control;
  uint16_t x87Status;
  uint32_t mxcsr;
};
static_assert(sizeof(FpRegisters) == 8, "no padding: records holding it are compared bytewise");
constexpr bool operator==(const FpRegisters& a, const FpRegisters& b) {
  return a.x87Control == b.x87Control && a.x87Status == b.x87Status && a.mxcsr == b.mxcsr;
}
constexpr bool operator!=(const FpRegisters& a, const FpRegisters& b) { return !(a == b); }

// The plug-ins' own, with no flags raised.
constexpr FpRegisters kOwnFpRegisters{kOwnX87Control, 0, kOwnMxcsr};

inline FpRegisters ReadFpRegisters() {
  FpRegisters r{};
  uint16_t status;
  asm volatile("fnstcw %0" : "=m"(r.x87Control) : : "memory");
  asm volatile("fnstsw %0" : "=m"(status) : : "memory");
  asm volatile("stmxcsr %0" : "=m"(r.mxcsr) : : "memory");
  r.x87Status = static_cast<uint16_t>(status & kX87StatusFlags);
  return r;
}

inline void LoadFpRegisters(const FpRegisters& r) {
  // Only a whole x87 environment load sets status flags; clearing them first keeps a flag of the
  // old environment from trapping under the new control word.
  X87Environment x87;
  asm volatile("fnclex\n\tfnstenv %0" : "=m"(x87) : : "memory");
  x87 = WithControlAndFlags(x87, r.x87Control, r.x87Status);
  asm volatile("fldenv %0" : : "m"(x87) : "memory");
  const uint32_t mxcsr = r.mxcsr;
  asm volatile("ldmxcsr %0" : : "m"(mxcsr) : "memory");
}

}  // namespace vek
