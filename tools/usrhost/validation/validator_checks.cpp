#include "tools/usrhost/validation/validator_checks.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <random>

#include "tools/usrhost/standin/alloc_counter.hpp"
#include "tools/usrhost/standin/choices_text.hpp"
#include "tools/usrhost/standin/display_format.hpp"
#include "tools/usrhost/sessions/float_text.hpp"
#include "tools/usrhost/sessions/drive.hpp"
#include "tools/usrhost/sessions/names.hpp"
#include "tools/usrhost/standin/host_fp_env.hpp"
#include "tools/usrhost/standin/instance.hpp"
#include "tools/usrhost/sessions/session_gen.hpp"
#include "tools/usrhost/standin/stack_thunk.hpp"
#include "tools/usrhost/standin/float_bits.hpp"
#include "tools/usrhost/sessions/hostile_values.hpp"

namespace usrhost {
namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void ExpectNoMisuse(const Instance& in, const std::string& during) {
  if (!in.misuse().empty()) Fail("service misuse during " + during + ": " + in.misuse().front());
}

// The inputs a session had set when it took snapshot `s` (counting from 0): "with Input=3, Fade=1".
std::string InputsAt(const ModuleDescription& m, const std::vector<Action>& actions, size_t s) {
  std::vector<std::pair<std::string, float>> set;
  size_t dumps = 0;
  for (const Action& a : actions) {
    if (a.kind == Action::kDump && dumps++ == s) break;
    if (a.kind != Action::kSet) continue;
    const int32_t index = m.Find(a.target);
    const std::string name = index >= 0 ? m.params[static_cast<size_t>(index)].caption : a.target;
    auto it = std::find_if(set.begin(), set.end(), [&](const auto& e) { return e.first == name; });
    if (it == set.end()) {
      set.emplace_back(name, a.value);
    } else {
      it->second = a.value;
    }
  }
  std::string text;
  for (const auto& [name, v] : set) text += (text.empty() ? "" : ", ") + name + "=" + FloatText(v);
  return set.empty() ? "every input at its default" : "with " + text;
}

std::vector<std::vector<uint32_t>> RunSession(Instance& in, const std::vector<Action>& actions) {
  std::vector<Outputs> snapshots;
  std::string error;
  if (!Drive(in, actions, std::nullopt, snapshots, error)) Fail(error);
  std::vector<std::vector<uint32_t>> bits;
  for (const Outputs& o : snapshots) bits.push_back(OutputBits(o));
  return bits;
}

std::vector<std::vector<uint32_t>> FreshSession(const PluginLibrary& lib, const ModuleDescription& m,
                                                const std::vector<Action>& actions, int stackOffset = 0) {
  Instance in(lib, m);
  in.set_stack_offset(stackOffset);
  if (!in.Start()) Fail("Create returned null");
  auto bits = RunSession(in, actions);
  ExpectNoMisuse(in, "a session of in-range values");
  return bits;
}

// The first snapshot where two runs differ, if any.
std::optional<size_t> FirstDifference(const std::vector<std::vector<uint32_t>>& a,
                                      const std::vector<std::vector<uint32_t>>& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i] != b[i]) return i;
  }
  if (a.size() == b.size()) return std::nullopt;
  return std::min(a.size(), b.size());
}

// ---- checks ----

void CheckEntryPoints(CheckContext& c) {
  if (!c.library.complete()) Fail(c.library.error());
}

void CheckLoadTime(CheckContext& c) {
  char text[96];
  std::snprintf(text, sizeof text, "loaded in %.1f ms", c.loadSeconds * 1000);
  if (c.loadSeconds > 5.0) Fail(text);
  if (c.loadSeconds > 0.25) c.warnings.push_back(std::string(text) + ", more than 250 ms");
}

void CheckVersions(CheckContext& c) {
  const int32_t sdk = c.library.GetSDKVersion(), impl = c.library.GetImplementation();
  if (sdk != kSdkVersion) {
    Fail("GetSDKVersion returned " + std::to_string(sdk) + ", this host speaks " + std::to_string(kSdkVersion));
  }
  if (impl != kImplementation) {
    Fail("GetImplementation returned " + std::to_string(impl) + ", expected " + std::to_string(kImplementation));
  }
  const int32_t chunk = c.library.GetChunkLen();
  if (chunk < 0) Fail("GetChunkLen returned " + std::to_string(chunk));
}

void CheckModuleRecord(CheckContext& c) {
  const ModuleDescription& m = c.module;
  if (!m.strayBytes.empty()) Fail("GetModuleInfo wrote " + m.FirstStrayByte() + ", outside its fields");
  if (m.name.empty()) Fail("the module's name is missing or empty");
  if (m.caption.empty()) Fail("the module's caption is missing or empty");
  if (m.paramCount < 1 || m.paramCount > kMaxParams) {
    Fail("paramCount " + std::to_string(m.paramCount) + " is outside 1.." + std::to_string(kMaxParams));
  }
  if ((static_cast<uint32_t>(m.color) >> 24) != 0) c.warnings.push_back("color has a non-zero top byte");
}

void CheckParamRecords(CheckContext& c) {
  for (const ParamDescription& p : c.module.params) {
    const std::string at = "parameter " + std::to_string(p.index) + " \"" + p.caption + "\": ";
    if (!p.strayBytes.empty()) Fail(at + "GetParamInfo wrote " + p.FirstStrayByte() + ", outside its fields");
    if (p.kind != kParamNumber && p.kind != kParamBoundedNumber && p.kind != kParamButton && p.kind != kParamList &&
        p.kind != kParamArray) {
      Fail(at + "unknown kind " + std::to_string(p.kind));
    }
    if (p.caption.empty()) Fail(at + "caption missing");
    if ((p.isInput == 1) == (p.isOutput == 1)) {
      Fail(at + "isInput " + std::to_string(p.isInput) + " and isOutput " + std::to_string(p.isOutput) +
           ": exactly one must be 1");
    }
    if (p.IsNumeric() || p.IsArray()) {
      if (!p.minValue || !p.maxValue || !p.defaultValue) Fail(at + "minimum, maximum or default not declared");
      const float lo = *p.minValue, hi = *p.maxValue, def = *p.defaultValue;
      if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(def)) Fail(at + "a limit or the default is not finite");
      if (!(lo <= def && def <= hi)) {
        Fail(at + "not minimum <= default <= maximum (" + std::to_string(lo) + ", " + std::to_string(def) + ", " +
             std::to_string(hi) + ")");
      }
    }
    if (p.IsNumeric() && !p.format) c.warnings.push_back(at + "no display format");
    if (p.format) {
      std::string why;
      if (!SafeDoubleFormat(*p.format, why)) Fail(at + "format \"" + *p.format + "\" is unsafe for one double: " + why);
    }
    if (p.kind == kParamList) {
      const std::optional<std::vector<std::string>> names = p.choices ? ParseChoices(*p.choices) : std::nullopt;
      const int count = names ? static_cast<int>(names->size()) : 0;
      if (!names) {
        Fail(at + "choices " + (p.choices ? "\"" + *p.choices + "\"" : std::string("missing")) +
             " are not \"A\",\"B\",...");
      }
      if (!p.defaultValue || *p.defaultValue < 0 || *p.defaultValue >= static_cast<float>(count) ||
          *p.defaultValue != std::floor(*p.defaultValue)) {
        Fail(at + "default is not the position of one of its " + std::to_string(count) + " choices");
      }
    }
  }
}

void CheckBadIndexes(CheckContext& c) {
  const int32_t n = c.module.paramCount;
  for (int32_t index : {n, n + 1, -1, 1000, INT32_MAX, INT32_MIN}) {
    const ParamDescription p = DescribeParam(c.library, index);
    for (size_t b = 0; b < kRecordBytes; ++b) {
      if (p.image.ByteTouched(b)) Fail("GetParamInfo(" + std::to_string(index) + ") wrote byte " + std::to_string(b));
    }
  }
  Instance in(c.library, c.module);
  if (!in.Create()) Fail("Create returned null");
  auto set = reinterpret_cast<SetEventAddressFn>(c.library.address(kSetEventAddress));
  for (int32_t index : {n, -1, INT32_MAX, INT32_MIN}) set(in.pointer(), index, 0xBAD0BAD0u);
  in.GiveHandles();
  in.Init(HostServiceTable(), 1);
  ExpectNoMisuse(in, "InitModule after SetEventAddress with indexes beyond the last");
}

void CheckDoNothing(CheckContext& c) {
  Instance in(c.library, c.module);
  if (!in.Start()) Fail("Create returned null");
  in.set_tracing(true);
  for (int e = 0; e < kEntryPointCount; ++e) {
    if (!IsDoNothingEntryPoint(static_cast<EntryPoint>(e))) continue;
    const auto start = Clock::now();
    in.CallDoNothing(static_cast<EntryPoint>(e));
    if (Since(start) > 0.1) Fail(std::string(kEntryPointNames[e]) + " did not return at once");
  }
  if (!in.trace().empty()) c.warnings.push_back("the user-interface entry points call host services");
  const uint32_t none[4] = {0, 0, 0, 0};
  for (int e = 0; e < kEntryPointCount; ++e) {
    if (IsDoNothingEntryPoint(static_cast<EntryPoint>(e))) CallWithStackOffset(c.library.address(static_cast<EntryPoint>(e)), none, 4, 0);
  }
  ExpectNoMisuse(in, "the user-interface entry points");
}

void CheckCreateDestroy(CheckContext& c) {
  reinterpret_cast<DestroyFn>(c.library.address(kDestroy))(nullptr);
  std::vector<std::unique_ptr<Instance>> many;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 100; ++i) {
      many.push_back(std::make_unique<Instance>(c.library, c.module));
      if (!many.back()->Start()) Fail("Create returned null for instance " + std::to_string(i));
      ExpectNoMisuse(*many.back(), "Create and InitModule");  // also catches Create's stored != returned
    }
    many.clear();
  }
}

void CheckRepeatedInit(CheckContext& c) {
  Instance in(c.library, c.module);
  if (!in.Start()) Fail("Create returned null");
  const auto actions = InRangeSession(c.module, c.seed, 20);
  c.session = actions;
  RunSession(in, actions);
  in.Init(nullptr, 0);  // keeps the bound services and hostValue
  in.set_tracing(true);
  RunSession(in, actions);
  in.Init(HostServiceTable(), 0);
  RunSession(in, actions);
  ExpectNoMisuse(in, "repeated InitModule with null services and hostValue 0");
}

void CheckCallsBeforeInit(CheckContext& c) {
  Instance in(c.library, c.module);
  in.set_tracing(true);
  if (!in.Create()) Fail("Create returned null");
  in.GiveHandles();
  for (const ParamDescription& p : c.module.params) in.Notify(p.index);
  in.Process();
  if (!in.trace().empty()) Fail("CallBack or Process before InitModule called a host service");
  in.Init(HostServiceTable(), 1);
  ExpectNoMisuse(in, "calls before InitModule");
}

void CheckDeterminism(CheckContext& c) {
  const auto actions = InRangeSession(c.module, c.seed, 40);
  c.session = actions;
  const auto first = FreshSession(c.library, c.module, actions);
  const auto second = FreshSession(c.library, c.module, actions);
  if (const auto at = FirstDifference(first, second)) Fail("two instances differ at snapshot " + std::to_string(*at));
  c.library.Unload();
  if (!c.library.Load(c.file)) Fail("reload failed: " + c.library.error());
  c.module = Describe(c.library);
  const auto reloaded = FreshSession(c.library, c.module, actions);
  if (const auto at = FirstDifference(first, reloaded)) {
    Fail("a reloaded library differs at snapshot " + std::to_string(*at));
  }
}

void CheckIndependence(CheckContext& c) {
  const auto a = InRangeSession(c.module, c.seed, 30);
  c.session = a;
  const auto b = InRangeSession(c.module, c.seed + 1, 30);
  const auto soloA = FreshSession(c.library, c.module, a);
  Instance ia(c.library, c.module), ib(c.library, c.module);
  if (!ia.Start() || !ib.Start()) Fail("Create returned null");
  std::vector<std::vector<uint32_t>> mixedA;
  std::string error;
  size_t ja = 0, jb = 0;
  while (ja < a.size()) {
    // One action of A, then one of B, so that B's changes land between A's.
    std::vector<Outputs> snaps;
    if (!Drive(ia, {a[ja++]}, std::nullopt, snaps, error)) Fail(error);
    for (const Outputs& o : snaps) {
      if (o.label.rfind("dump", 0) == 0) mixedA.push_back(OutputBits(o));
    }
    std::vector<Outputs> ignored;
    if (jb < b.size() && !Drive(ib, {b[jb++]}, std::nullopt, ignored, error)) Fail(error);
  }
  if (const auto at = FirstDifference(soloA, mixedA)) {
    Fail("instance A's outputs changed with instance B's settings, at snapshot " + std::to_string(*at));
  }
  ExpectNoMisuse(ia, "two instances side by side");
  ExpectNoMisuse(ib, "two instances side by side");
}

bool Troubling(float v) { return !std::isfinite(v) || std::fpclassify(v) == FP_SUBNORMAL; }

void CheckFiniteOutputs(CheckContext& c) {
  for (uint32_t round = 0; round < 4; ++round) {
    const auto actions = InRangeSession(c.module, c.seed + round * 7919, 40);
    c.session = actions;
    Instance in(c.library, c.module);
    if (!in.Start()) Fail("Create returned null");
    std::vector<Outputs> snapshots;
    std::string error;
    if (!Drive(in, actions, std::nullopt, snapshots, error)) Fail(error);
    for (size_t s = 0; s < snapshots.size(); ++s) {
      for (const auto& [index, v] : snapshots[s].values) {
        if (Troubling(v)) {
          Fail("output \"" + c.module.params[index].caption + "\" is " + FloatText(v) + " at snapshot " + std::to_string(s) +
               ", " + InputsAt(c.module, actions, s));
        }
      }
      for (const auto& [index, a] : snapshots[s].arrays) {
        for (size_t i = 0; i < a.size(); ++i) {
          if (Troubling(a[i])) {
            Fail("element " + std::to_string(i) + " of \"" + c.module.params[index].caption + "\" is " +
                 FloatText(a[i]) + " at snapshot " + std::to_string(s) + ", " + InputsAt(c.module, actions, s));
          }
        }
      }
    }
    ExpectNoMisuse(in, "a session of in-range values");
  }
}

void CheckNoAllocationInProcess(CheckContext& c) {
  if (!AllocationCountingAvailable()) {
    c.skipped = "allocation counting needs the Linux build without sanitizers";
    return;
  }
  Instance in(c.library, c.module);
  if (!in.Start()) Fail("Create returned null");
  const auto actions = InRangeSession(c.module, c.seed, 30);
  c.session = actions;
  for (const Action& a : actions) {
    std::vector<Outputs> ignored;
    std::string error;
    if (a.kind == Action::kCycle || a.kind == Action::kDump) {
      StartCountingAllocations();
      in.Process();
      const size_t n = StopCountingAllocations();
      if (n > 0) {
        // Recording a misuse allocates in the stand-in, not in the module: that is the finding.
        ExpectNoMisuse(in, "Process cycles");
        Fail("Process allocated " + std::to_string(n) + " times");
      }
    } else if (!Drive(in, {a}, std::nullopt, ignored, error)) {
      Fail(error);
    }
  }
  ExpectNoMisuse(in, "Process cycles");
}

void CheckMisalignedStack(CheckContext& c) {
#if defined(VEK_SANITIZE)
  // AddressSanitizer's stack bookkeeping misreads frames that realign a misaligned stack.
  c.skipped = "not measurable in a build with AddressSanitizer";
  return;
#endif
  const auto actions = InRangeSession(c.module, c.seed, 30);
  c.session = actions;
  const auto aligned = FreshSession(c.library, c.module, actions, 0);
  for (int offset : {4, 8, 12}) {
    const auto shifted = FreshSession(c.library, c.module, actions, offset);
    if (const auto at = FirstDifference(aligned, shifted)) {
      Fail("with the stack " + std::to_string(offset) + " bytes off alignment, snapshot " + std::to_string(*at) + " differs");
    }
  }
}

bool InputsFinite(const Instance& in) {
  for (const ParamDescription& p : in.module().params) {
    if (!p.IsOutput() && !std::isfinite(in.value(p.index))) return false;
  }
  return true;
}

void Hostile(CheckContext& c, double seconds) {
  std::mt19937 rng(c.seed);
  Instance in(c.library, c.module);
  if (!in.Start()) Fail("Create returned null");
  in.set_tracing(true);
  std::vector<std::string> history;
  const auto start = Clock::now();
  for (int step = 0; Since(start) < seconds; ++step) {
    const HostileAction a = RandomHostileAction(c.module, rng);
    history.push_back(a.Describe(c.module));
    if (history.size() > 12) history.erase(history.begin());
    in.trace().clear();
    const auto callStart = Clock::now();
    switch (a.kind) {
      case HostileAction::kSet: in.Set(a.param, a.value, a.detail); break;
      case HostileAction::kStore: in.Store(a.param, a.value); break;
      case HostileAction::kNotify: in.Notify(a.param, a.detail); break;
      case HostileAction::kProcess: in.Process(); break;
      case HostileAction::kInit: in.Init(a.withServices ? HostServiceTable() : nullptr, a.hostValue); break;
    }
    auto replay = [&] {
      std::string s = " (seed " + std::to_string(c.seed) + ", step " + std::to_string(step) + "; last actions:";
      for (const std::string& h : history) s += " [" + h + "]";
      return s + ")";
    };
    if (Since(callStart) > 1.0) Fail("a call took " + std::to_string(Since(callStart)) + " s" + replay());
    const std::vector<std::string>& misuse = in.misuse();
    if (!misuse.empty()) Fail("service misuse: " + misuse.front() + replay());
    if (InputsFinite(in)) {
      for (const ServiceCall& call : in.trace()) {
        const bool write = call.op == ServiceCall::kSetValue || call.op == ServiceCall::kSetArrayElement;
        // Hostile inputs may legitimately put the output range among subnormals; only NaN and
        // infinity are faults here (the in-range check also rejects subnormals).
        if (write && !std::isfinite(call.value)) {
          Fail("wrote " + std::to_string(call.value) + " to \"" + c.module.params[call.param].caption +
               "\" while every input was finite" + replay());
        }
      }
    }
  }
}

// Every input in turn at each value a patch can send upstream of a module, then the buttons, a
// cycle and a dump; back to its default after.
std::vector<Action> HostileValueSession(const ModuleDescription& m) {
  std::vector<Action> actions;
  for (float v : kHostileValues) {
    for (const ParamDescription& p : m.params) {
      if (p.IsOutput() || p.kind == kParamButton || p.kind == kParamArray) continue;
      actions.push_back({Action::kSet, std::to_string(p.index), v, 1});
      for (const ParamDescription& b : m.params) {
        if (b.kind == kParamButton) actions.push_back({Action::kPress, std::to_string(b.index), 0.0f, 1});
      }
      actions.push_back({Action::kCycle, "", 0.0f, 1});
      actions.push_back({Action::kDump, "", 0.0f, 1});
      actions.push_back({Action::kSet, std::to_string(p.index), p.InitialValue(), 1});
    }
  }
  return actions;
}

// Where two runs of one session first differ: which snapshot, output and element, and both bits.
std::optional<std::string> FirstDifferentValue(const ModuleDescription& m, const std::vector<Outputs>& expected,
                                               const std::vector<Outputs>& found) {
  auto hex = [](float v) { return HexWord(FloatBits(v)); };
  if (expected.size() != found.size()) {
    return std::to_string(found.size()) + " snapshots instead of " + std::to_string(expected.size());
  }
  for (size_t s = 0; s < expected.size(); ++s) {
    const std::string at = "snapshot " + std::to_string(s + 1) + " (" + expected[s].label + "), ";
    for (size_t k = 0; k < expected[s].values.size() && k < found[s].values.size(); ++k) {
      const float a = expected[s].values[k].second, b = found[s].values[k].second;
      if (hex(a) != hex(b)) {
        return at + "\"" + m.params[expected[s].values[k].first].caption + "\" " + hex(b) + " instead of " + hex(a);
      }
    }
    for (size_t k = 0; k < expected[s].arrays.size() && k < found[s].arrays.size(); ++k) {
      const std::vector<float>& a = expected[s].arrays[k].second;
      const std::vector<float>& b = found[s].arrays[k].second;
      const std::string name = "\"" + m.params[expected[s].arrays[k].first].caption + "\"";
      if (a.size() != b.size()) return at + name + " has " + std::to_string(b.size()) + " elements instead of " + std::to_string(a.size());
      for (size_t i = 0; i < a.size(); ++i) {
        if (hex(a[i]) != hex(b[i])) return at + name + " element " + std::to_string(i) + " " + hex(b[i]) + " instead of " + hex(a[i]);
      }
    }
  }
  return std::nullopt;
}

// The same sessions in every environment a host may leave: the same bits as in the default one,
// nothing left changed, no exception raised into the host. A difference in the values is the
// graver fault, so it is reported before a change left in the environment, and of those an
// exception raised while the host has it unmasked before a flag merely left set.
void CheckFpEnvironments(CheckContext& c) {
  const std::vector<std::pair<std::string, std::vector<Action>>> sessions = {
      {"in-range session", InRangeSession(c.module, c.seed, 30)},
      {"session of NaN, infinite, extreme and subnormal inputs", HostileValueSession(c.module)}};
  // Loading runs the library's own start-up code inside the host too.
  for (const FpPreset& preset : FpPresets()) {
    c.library.Unload();
    FpEnvironment loaded{}, after{};
    {
      const HostFpScope host(preset.environment);
      loaded = vek::ReadFpRegisters();
      const bool ok = c.library.Load(c.file);
      after = vek::ReadFpRegisters();
      if (!ok) Fail("reload failed: " + c.library.error());
    }
    if (after != loaded) {
      Fail("environment " + DescribeFpEnvironment(preset.environment) + ": loading the library " +
           DescribeFpChange(loaded, after));
    }
  }
  c.module = Describe(c.library);
  std::vector<std::vector<Outputs>> expected;
  std::string firstMisuse, firstTrap;
  for (const FpPreset& preset : FpPresets()) {
    const std::string where = "environment " + DescribeFpEnvironment(preset.environment);
    for (size_t s = 0; s < sessions.size(); ++s) {
      c.where(where + ", " + sessions[s].first);
      c.session = sessions[s].second;
      Instance in(c.library, c.module);
      in.set_fp_environment(preset.environment);
      if (!in.Start()) Fail(where + ": Create returned null");
      std::vector<Outputs> snapshots;
      std::string error;
      if (!Drive(in, sessions[s].second, std::nullopt, snapshots, error)) Fail(where + ": " + error);
      for (const std::string& m : in.misuse()) {
        const std::string said = where + ", " + sessions[s].first + ": " + m;
        if (firstMisuse.empty()) firstMisuse = said;
        if (firstTrap.empty() && m.find("a trap in a real host") != std::string::npos) firstTrap = said;
      }
      if (expected.size() < sessions.size()) {
        expected.push_back(std::move(snapshots));
        continue;
      }
      if (const auto diff = FirstDifferentValue(c.module, expected[s], snapshots)) {
        Fail(where + ", " + sessions[s].first + ": " + *diff + " in the default environment");
      }
    }
  }
  if (!firstTrap.empty()) Fail(firstTrap);
  if (!firstMisuse.empty()) Fail(firstMisuse);
}

void CheckHostile(CheckContext& c) { Hostile(c, 3.0); }
void CheckHostileLong(CheckContext& c) { Hostile(c, 60.0); }

}  // namespace

[[noreturn]] void Fail(const std::string& why) { throw CheckFailed{why}; }

const std::vector<CheckDef>& Checks() {
  static const std::vector<CheckDef> checks = {
      {{"load.entry-points", 1, "the library loads with immediate binding and all entry points resolve"}, CheckEntryPoints},
      {{"load.time", 1, "loading takes less than 250 ms (warning) and less than 5 s"}, CheckLoadTime},
      {{"info.versions", 1, "GetSDKVersion is " + std::to_string(kSdkVersion) + ", GetImplementation " +
                                     std::to_string(kImplementation) + ", GetChunkLen not negative"}, CheckVersions},
      {{"info.module-record", 1, "ModuleInfo: name and caption present, a sane parameter count, nothing written outside its fields"}, CheckModuleRecord},
      {{"info.param-records", 1, "every ParamInfo: known kind, caption, one direction, min <= default <= max, a printf-safe format, choices that parse, nothing written outside its fields"}, CheckParamRecords},
      {{"info.bad-indexes", 1, "GetParamInfo and SetEventAddress with indexes beyond the last write nothing"}, CheckBadIndexes},
      {{"life.create-destroy", 1, "300 instances created, initialised and destroyed; Destroy(null) does nothing"}, CheckCreateDestroy},
      {{"life.repeated-init", 1, "InitModule again with null services and hostValue 0 keeps the module working"}, CheckRepeatedInit},
      {{"life.ui-entry-points", 1, "the user-interface entry points return at once, whatever they are passed"}, CheckDoNothing},
      {{"run.determinism", 1, "two instances, and a reloaded library, give identical bits for identical inputs"}, CheckDeterminism},
      {{"run.independence", 1, "an instance's outputs do not depend on another instance's settings"}, CheckIndependence},
      {{"run.finite-outputs", 1, "in-range inputs never give NaN, infinite or subnormal outputs"}, CheckFiniteOutputs},
      {{"run.no-alloc-in-process", 1, "Process never calls the allocator (Linux)"}, CheckNoAllocationInProcess},
      {{"abi.fp-environment", 1, "the same bits in every floating-point environment a host may leave (exceptions unmasked, flush-to-zero, other rounding modes, x87 single precision, sticky flags), each left exactly as found"}, CheckFpEnvironments},
      {{"abi.misaligned-stack", 1, "every entry point gives the same results with the stack 4, 8 or 12 bytes off 16-byte alignment"}, CheckMisalignedStack},
      {{"life.calls-before-init", 2, "CallBack and Process before InitModule call no service"}, CheckCallsBeforeInit},
      {{"fuzz.hostile", 2, "3 s of hostile values and message orders: no misuse, no call over 1 s, no NaN or infinity written while every input is finite", 3}, CheckHostile},
      {{"fuzz.hostile-long", 3, "60 s of hostile values and message orders", 60}, CheckHostileLong},
  };
  return checks;
}

std::vector<CheckInfo> ListChecks() {
  std::vector<CheckInfo> out;
  for (const CheckDef& d : Checks()) out.push_back(d.info);
  return out;
}

const CheckDef* FindCheck(const std::string& name) {
  for (const CheckDef& d : Checks()) {
    if (name == d.info.name) return &d;
  }
  return nullptr;
}

}  // namespace usrhost
