#pragma once
// The memory both halves of the runner share: the 32-bit guest image, which calls into a module,
// plays the host's services and provides the module's imports, and the records through which the
// x86_64 side tells it what to do. Fixed-width fields only: one layout in both builds.
#include <cstdint>

#include "host/fp_registers.hpp"

namespace runner {

constexpr uint32_t kGuestBase = 0x20000000;   // where guest.ld links the guest image
constexpr uint32_t kGuestMagic = 0x54534756;  // "VGST"
constexpr uint16_t kThreadBlockSelector = 7;  // LDT entry 0, privilege 3: the thread block in fs

// Handles as the host stand-in spaces them, so that an off-by-one handle is unknown.
constexpr uint32_t kFirstHandle = 0x48000010;
constexpr uint32_t kHandleSpacing = 0x10;
constexpr uint32_t kSlotCount = 128;
constexpr uint32_t kArrayBuffers = 8;
constexpr int32_t kMaxArrayLength = 1 << 16;
// Buffers a power of two apart would share cache sets with each other and with the tables; a
// host's separately allocated arrays do not.
constexpr uint32_t kArrayStride = kMaxArrayLength * 4u + 0x2440u;
constexpr uint32_t kMaxArgs = 6;
constexpr uint32_t kScratchBytes = 4096;

// One export of the guest: what a module may import from it (C strings in guest memory).
struct GuestExport {
  uint32_t dll;
  uint32_t name;
  uint32_t address;
};

enum SlotKind : uint32_t { kSlotUnused, kSlotInput, kSlotOutput, kSlotArray };

// A parameter's value as the host keeps it, reached through its handle.
struct Slot {
  float value;
  uint32_t kind;   // SlotKind
  int32_t length;  // arrays: the length the module set
  uint32_t array;  // arrays: guest address of kMaxArrayLength floats
};

enum Misuse : uint32_t {
  kNoMisuse,
  kUnknownHandle,
  kReadOfOutput,
  kWriteOfNonOutput,
  kArrayServiceOnScalar,
  kArrayIndexOutOfRange,
  kArrayLengthOutOfRange,
  kUnusedService,
};

// One call into the module, under the host's environment when hostEnvSet, the stack `stackOffset`
// bytes below a 16-byte boundary.
struct CallRecord {
  uint32_t function;
  uint32_t argCount;
  uint32_t args[kMaxArgs];
  int32_t stackOffset;
  uint32_t hostEnvSet;
  vek::FpRegisters hostEnv;
  vek::FpRegisters loaded;  // the host's environment as the CPU took it
  vek::FpRegisters after;   // what the call left
  uint32_t result;
};

// The inputs a computation reads, as the plain side names them.
enum Setting : uint32_t {
  kInput, kSeed, kScale, kOffset, kOctaves, kNoiseMin, kNoiseMax, kFade, kBias, kGain, kOutputMin,
  kOutputMax, kArraySize, kSettingCount
};

enum BenchKind : uint32_t { kBenchProcess, kBenchArrayFill };

// One workload timed in the guest: the plug-in and the plain code, in turns.
// Alternating rounds of both sides; or each side's rounds in one block; or the plain side alone,
// with no plug-in call in the whole run.
enum BenchTiming : uint32_t { kTimingAlternate, kTimingSeparate, kTimingPlainOnly };

struct BenchRecord {
  uint32_t kind;  // BenchKind
  uint32_t calls;
  uint32_t rounds;
  uint32_t instance;
  uint32_t function;              // Process, or CallBack for a fill
  uint32_t message;               // the fill's CallbackMessage
  uint32_t settings[kSettingCount];  // handles, 0 where the computation reads none
  uint32_t table;                 // the plain side's RandomTable, built for the seed
  uint32_t pluginOut[2];          // Output, or Float Out and Integer Out
  uint32_t plainOut[2];           // the plain side's own slots for the same
  uint64_t pluginTicks;           // best round, in TSC ticks per call
  uint64_t plainTicks;
  uint32_t compared;              // values compared bit for bit
  uint32_t differing;
  uint32_t hostEnvSet;            // both sides' timed rounds in hostEnv, as a host keeps it
  vek::FpRegisters hostEnv;
  uint32_t timing;                // BenchTiming
};
// i686 aligns its 64-bit members to 4 bytes, x86_64 to 8: the sizes agree only as a multiple of 8.
static_assert(sizeof(BenchRecord) % 8 == 0, "BenchRecord must lay out alike in the guest and the runner");

// A parameter as the module declares it, read from its record by the guest (which knows the
// record's layout); pointers are guest addresses.
constexpr uint32_t kMaxParams = 64;
struct ParamSummary {
  int32_t kind;
  uint32_t caption;
  int32_t isInput;
  int32_t isOutput;
  float defaultValue;
  uint32_t defaultWritten;
  uint32_t isArray;
  uint32_t isButton;
};

// Discovery: GetModuleInfo and GetParamInfo for every declared index.
struct DescribeRecord {
  uint32_t getModuleInfo;
  uint32_t getParamInfo;
  int32_t paramCount;
  uint32_t name;
  ParamSummary params[kMaxParams];
};

enum Command : uint32_t { kCommandCall = 1, kCommandBench = 2, kCommandDescribe = 3 };

// Why the guest stopped itself (with ud2) instead of returning.
enum Stop : uint32_t { kNotStopped, kStopAbort, kStopAmsgExit };

struct Shared {
  uint32_t command;  // Command
  CallRecord call;
  BenchRecord bench;
  DescribeRecord describe;
  uint32_t services;  // the host's service table, 28 entries
  Slot slots[kSlotCount];
  uint32_t misuseCount;
  uint32_t firstMisuse;  // Misuse
  uint32_t misuseHandle;
  int32_t misuseIndex;
  uint32_t stop;  // Stop
  uint32_t heapUsed;
  alignas(8) uint8_t scratch[kScratchBytes];  // records the x86_64 side hands to the module
};

// At kGuestBase: where the guest keeps what the x86_64 side needs.
struct GuestHeader {
  uint32_t magic;
  uint32_t entry;  // far-call target: takes the address of Shared, returns with lret
  uint32_t exports;
  uint32_t exportCountAddress;
  uint32_t shared;
  uint32_t imageEnd;  // end of the zero-filled part
  uint32_t stackTop;
  uint32_t stackBottom;
  uint32_t threadBlock;  // 4 KB, the module's view of its thread
  uint32_t arrays;       // kArrayBuffers buffers of kMaxArrayLength floats, kArrayStride apart
  uint32_t plainTable;   // the plain side's RandomTable
};

constexpr uint32_t HandleOfSlot(uint32_t slot) { return kFirstHandle + slot * kHandleSpacing; }

}  // namespace runner
