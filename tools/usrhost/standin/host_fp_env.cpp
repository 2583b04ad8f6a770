#include "tools/usrhost/standin/host_fp_env.hpp"

#include "host/fp_registers.hpp"
#include "tools/usrhost/standin/float_bits.hpp"

#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace usrhost {
namespace {

using namespace vek;

// The x87 control word a process starts with: extended precision on Linux, double on Windows.
#if defined(_WIN32)
constexpr uint16_t kX87Default = (kOwnX87Control & ~kX87Precision) | kX87PrecisionDouble;
#else
constexpr uint16_t kX87Default = kOwnX87Control;
#endif
constexpr uint32_t kMxcsrDefault = kOwnMxcsr;
// Invalid operation, divide-by-zero and overflow unmasked; the exception bits sit at the same
// places in both units. The x87 word as such hosts leave it also has the infinity-control bit set,
// which no unit since the 387 reads.
constexpr uint32_t kTrapped = kMxcsrInvalid | kMxcsrDivide | kMxcsrOverflow;
constexpr uint32_t kMxcsrTraps = kMxcsrMasks & ~(kTrapped << kMxcsrMaskShift);
constexpr uint16_t kX87InfinityControl = 0x1000;
constexpr uint16_t kX87Traps = kX87InfinityControl | kX87PrecisionExtended | (kX87Masks & ~kTrapped);
static_assert(kMxcsrTraps == 0x1900 && kX87Traps == 0x1332, "the traps preset as hosts leave it");

std::optional<FpEnvironment> g_hostEnvironment;

std::string Bits(uint32_t value, std::initializer_list<std::pair<uint32_t, const char*>> names) {
  std::string out;
  for (const auto& [bit, name] : names) {
    if (value & bit) out += std::string(out.empty() ? "" : " ") + name;
  }
  return out;
}

std::string MxcsrChange(uint32_t from, uint32_t to) {
  const uint32_t changed = from ^ to;
  std::string what;
  const std::initializer_list<std::pair<uint32_t, const char*>> flagNames = {
      {kMxcsrInvalid, "IE"},  {kMxcsrDenormal, "DE"},  {kMxcsrDivide, "ZE"},
      {kMxcsrOverflow, "OE"}, {kMxcsrUnderflow, "UE"}, {kMxcsrInexact, "PE"}};
  if (changed & kMxcsrFlags) {
    what += "flags " + Bits(to & ~from & kMxcsrFlags, flagNames);
    if (from & ~to & kMxcsrFlags) what += " cleared " + Bits(from & ~to & kMxcsrFlags, flagNames);
  }
  if (changed & kMxcsrMasks) what += std::string(what.empty() ? "" : ", ") + "exception masks";
  if (changed & kMxcsrRounding) what += std::string(what.empty() ? "" : ", ") + "rounding mode";
  if (changed & (kMxcsrFlushToZero | kMxcsrDenormalsAreZero)) {
    what += std::string(what.empty() ? "" : ", ") + "flush-to-zero/denormals-are-zero";
  }
  return "MXCSR " + HexWord(from, 4) + " -> " + HexWord(to, 4) + " (" + what + ")";
}

// The default environment with both units rounding the same way.
constexpr FpEnvironment Rounding(RoundingCode code) {
  return {static_cast<uint16_t>(kX87Default | X87Rounding(code)), 0, kMxcsrDefault | MxcsrRounding(code)};
}

}  // namespace

const std::vector<FpPreset>& FpPresets() {
  static const std::vector<FpPreset> presets = {
      {"default", "the platform's start-up environment: exceptions masked, round to nearest",
       {kX87Default, 0, kMxcsrDefault}},
      {"traps", "invalid operation, divide-by-zero and overflow unmasked, as some hosts' runtimes leave them",
       {kX87Traps, 0, kMxcsrTraps}},
      {"ftz-daz", "flush-to-zero and denormals-are-zero, as audio hosts often set", {kX87Default, 0, kMxcsrDefault | kMxcsrFlushToZero | kMxcsrDenormalsAreZero}},
      {"round-down", "rounding toward minus infinity", Rounding(kRoundDown)},
      {"round-up", "rounding toward plus infinity", Rounding(kRoundUp)},
      {"round-zero", "rounding toward zero", Rounding(kRoundZero)},
      {"x87-single", "the x87 unit at single precision, as some graphics libraries leave it",
       {(kX87Default & ~kX87Precision) | kX87PrecisionSingle, 0, kMxcsrDefault}},
      {"sticky-flags", "every exception flag already raised by the host, which must find them still set",
       {kX87Default, kX87StatusExceptions, kMxcsrDefault | kMxcsrFlags}},
  };
  return presets;
}

bool ParseFpEnvironment(const std::string& text, FpEnvironment& env, std::string& error) {
  for (const FpPreset& p : FpPresets()) {
    if (text == p.name) {
      env = p.environment;
      return true;
    }
  }
  const size_t comma = text.find(',');
  if (comma != std::string::npos) {
    const std::string a = text.substr(0, comma), b = text.substr(comma + 1);
    char* endA = nullptr;
    char* endB = nullptr;
    const unsigned long x87 = std::strtoul(a.c_str(), &endA, 16);
    const unsigned long mxcsr = std::strtoul(b.c_str(), &endB, 16);
    if (!a.empty() && !b.empty() && *endA == '\0' && *endB == '\0' && x87 <= 0xFFFF && mxcsr <= 0xFFFF) {
      env = {static_cast<uint16_t>(x87), 0, static_cast<uint32_t>(mxcsr)};
      return true;
    }
  }
  error = "floating-point environment \"" + text + "\" is neither a preset (";
  for (const FpPreset& p : FpPresets()) error += std::string(&p == &FpPresets().front() ? "" : ", ") + p.name;
  error += ") nor X87CW,MXCSR in hex such as 0x1332,0x1900";
  return false;
}

std::string DescribeFpEnvironment(const FpEnvironment& env) {
  std::string values = "x87 " + HexWord(env.x87Control, 4) + ", MXCSR " + HexWord(env.mxcsr, 4);
  if (env.x87Status != 0) values += ", x87 status " + HexWord(env.x87Status, 4);
  for (const FpPreset& p : FpPresets()) {
    if (p.environment == env) return std::string(p.name) + " (" + values + ")";
  }
  return values;
}

std::string DescribeFpChange(const FpEnvironment& expected, const FpEnvironment& found) {
  std::string out;
  auto add = [&](const std::string& s) { out += (out.empty() ? "" : "; ") + s; };
  if (expected.x87Control != found.x87Control) {
    add("x87 control word " + HexWord(expected.x87Control, 4) + " -> " + HexWord(found.x87Control, 4));
  }
  if (expected.x87Status != found.x87Status) {
    add("x87 status flags " + HexWord(expected.x87Status, 4) + " -> " + HexWord(found.x87Status, 4));
  }
  if (expected.mxcsr != found.mxcsr) add(MxcsrChange(expected.mxcsr, found.mxcsr));
  // A flag raised while the host has its exception unmasked is a trap on real hardware (an
  // emulator may let it pass and only set the flag).
  const uint32_t sseTrap = found.mxcsr & ~expected.mxcsr & ~(expected.mxcsr >> kMxcsrMaskShift) & kMxcsrFlags;
  const uint32_t x87Trap = found.x87Status & ~expected.x87Status & ~expected.x87Control & kX87StatusExceptions;
  if (sseTrap != 0 || x87Trap != 0) return "raised an exception the host has unmasked (a trap in a real host): " + out;
  return "left the host's floating-point environment changed: " + out;
}

void SetHostFpEnvironment(std::optional<FpEnvironment> env) { g_hostEnvironment = env; }
std::optional<FpEnvironment> HostFpEnvironment() { return g_hostEnvironment; }

HostFpScope::HostFpScope(const std::optional<FpEnvironment>& env) {
  if (!env) return;
  own_ = ReadFpRegisters();
  LoadFpRegisters(*env);
}

HostFpScope::~HostFpScope() {
  if (own_) LoadFpRegisters(*own_);
}

#if defined(_WIN32)

namespace {
volatile LONG g_trapped = 0;
// Where MXCSR sits in the FXSAVE image that the context's extended registers hold.
constexpr size_t kFxsaveMxcsrOffset = 24;
// Notes the trap, masks every SSE exception in the interrupted context and lets the division
// run again, now quietly.
LONG WINAPI NoteTrap(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (code != STATUS_FLOAT_INVALID_OPERATION && code != STATUS_FLOAT_MULTIPLE_TRAPS &&
      code != STATUS_FLOAT_MULTIPLE_FAULTS) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  g_trapped = 1;
  uint32_t* mxcsr = reinterpret_cast<uint32_t*>(info->ContextRecord->ExtendedRegisters + kFxsaveMxcsrOffset);
  *mxcsr = (*mxcsr | kMxcsrMasks) & ~kMxcsrFlags;
  return EXCEPTION_CONTINUE_EXECUTION;
}
}  // namespace

bool FpTrapsAreRaised() {
  static const bool raised = [] {
    void* handler = AddVectoredExceptionHandler(1, NoteTrap);
    {
      HostFpScope scope(FpEnvironment{kX87Default, 0, kMxcsrTraps});
      volatile double zero = 0.0;
      volatile double r = zero / zero;
      (void)r;
    }
    RemoveVectoredExceptionHandler(handler);
    return g_trapped != 0;
  }();
  return raised;
}

#else

// 0/0 with the invalid-operation exception unmasked, in a child that either traps or returns.
bool FpTrapsAreRaised() {
  static const bool raised = [] {
    const pid_t child = fork();
    if (child == 0) {
      LoadFpRegisters(FpEnvironment{kX87Default, 0, kMxcsrTraps});
      volatile double zero = 0.0;
      volatile double r = zero / zero;
      (void)r;
      _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return false;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGFPE;
  }();
  return raised;
}

#endif

}  // namespace usrhost
