#include "tools/usrhost/vek/timing.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "modules/random_array/random_array_module.hpp"
#include "noise/plain_evaluation.hpp"
#include "noise/random_table.hpp"
#include "noise/reference_evaluation.hpp"

namespace usrhost {
namespace {

using Clock = std::chrono::steady_clock;

// Best time per call over several rounds, the contenders interleaved so that drift in the
// machine's speed hits all alike.
std::vector<double> Race(const std::vector<std::function<void()>>& contenders, double seconds) {
  auto perCall = [](const std::function<void()>& f, int calls) {
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) f();
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / calls;
  };
  // Calls per round so that a round takes about a tenth of the budget.
  double probe = 1.0;
  for (const auto& f : contenders) probe = std::max(probe, perCall(f, 1));
  const int calls = std::max(1, static_cast<int>(seconds * 1e9 / 10 / static_cast<double>(contenders.size()) / probe));
  std::vector<double> best(contenders.size(), 1e300);
  for (int round = 0; round < 10; ++round) {
    for (size_t c = 0; c < contenders.size(); ++c) best[c] = std::min(best[c], perCall(contenders[c], calls));
  }
  return best;
}

Timing Row(std::string label, const std::vector<double>& ns) {
  return {std::move(label), ns[0], {{kPlainBaseline, ns[1]}, {kReferenceBaseline, ns[2]}}};
}

// What any module has: a Process cycle and a message to its first input, the plug-in alone.
std::vector<Timing> TimeAnyModule(const PluginLibrary& library, const ModuleDescription& m, double seconds) {
  std::vector<Timing> rows;
  Instance in(library, m);
  in.set_fp_environment(std::nullopt);
  if (!in.Start()) return rows;
  rows.push_back({"Process cycle, the module's defaults", Race({[&] { in.Process(); }}, seconds)[0], {}});
  for (const ParamDescription& p : m.params) {
    if (!p.IsSettableScalar()) continue;
    const int32_t index = p.index;
    const float value = p.InitialValue();
    rows.push_back({"CallBack, \"" + p.caption + "\" set to its default", Race({[&] { in.Set(index, value); }}, seconds)[0], {}});
    break;
  }
  return rows;
}

vek::NoiseSettings Settings(double octaves, bool shaping, double halfFade) {
  return {octaves, -1, 1, halfFade, shaping ? 0.3 : 0.5, shaping ? 0.7 : 0.5, 0, 1};
}

// The handles of the inputs a computation of the module reads: every input that holds a value,
// but the seed where the module reads it only when it changes.
std::vector<EventHandle> ReadHandles(const Instance& in, bool withSeed) {
  std::vector<EventHandle> handles;
  for (const ParamDescription& p : in.module().params) {
    if (p.IsOutput() || p.kind == kParamButton || (!withSeed && p.caption == "Random Seed")) continue;
    handles.push_back(in.handle(p.index));
  }
  return handles;
}

}  // namespace

std::vector<Timing> TimeModule(const PluginLibrary& library, const ModuleDescription& m, double seconds,
                               const std::optional<FpEnvironment>& env, bool& known) {
  std::vector<Timing> rows;
  const bool noise = m.Find("Octaves") >= 0 && m.Find("Fade") >= 0 && m.Find("Noise Bias") >= 0 && m.Find("Noise Gain") >= 0;
  const bool isArray = noise && m.Find("Float Out") >= 0 && m.Find("Integer Out") >= 0 && m.Find("Array Size") >= 0;
  const bool isSingle = noise && !isArray && m.Find("Input") >= 0 && m.Find("Output") >= 0;
  known = isArray || isSingle;
  if (!known) {
    const HostFpScope hostEnvironment(env);
    return TimeAnyModule(library, m, seconds);
  }

  auto table = std::make_unique<vek::RandomTable>();
  vek::BuildRandomTable(*table, 42);
  const HostServices& host = *HostServiceTable();

  for (bool shaping : {true, false}) {
    Instance in(library, m);
    // The host's environment stays loaded through the whole race, as a host's would.
    in.set_fp_environment(std::nullopt);
    if (!in.Start()) return rows;
    const HostFpScope hostEnvironment(env);
    const float fade = 0.25f;
    in.Set(m.Find("Octaves"), 16.5f);
    in.Set(m.Find("Fade"), fade);
    in.Set(m.Find("Noise Bias"), shaping ? 0.3f : 0.5f);
    in.Set(m.Find("Noise Gain"), shaping ? 0.7f : 0.5f);
    const vek::NoiseSettings s = Settings(16.5, shaping, static_cast<double>(fade) * 0.5);
    const char* shape = shaping ? "bias/gain 0.3/0.7" : "bias/gain 0.5/0.5";
    if (isArray) {
      in.Set(m.Find("Array Size"), static_cast<float>(vek::kMaxArraySize));
      const int32_t octaves = m.Find("Octaves");
      const EventHandle floatOut = in.handle(m.Find("Float Out")), integerOut = in.handle(m.Find("Integer Out"));
      const double scale = static_cast<double>(0.1f);
      auto plugin = [&] { in.Notify(octaves); };
      // The same fill with the plain noise as a competent user writes it: the same reads and
      // writes, "Integer Out" rounded alike.
      const std::vector<EventHandle> reads = ReadHandles(in, true);
      auto fill = [&](double (*evaluate)(const vek::RandomTable&, const vek::NoiseSettings&, double)) {
        for (EventHandle h : reads) host.GetValue(h);
        for (int32_t i = 0; i < vek::kMaxArraySize; ++i) {
          const double v = evaluate(*table, s, static_cast<double>(i) * scale);
          host.SetArrayElement(floatOut, i, static_cast<float>(v));
          host.SetArrayElement(integerOut, i, static_cast<float>(vek::PlainIntegerOut(v)));
        }
      };
      auto plain = [&] { fill(&vek::PlainEvaluateNoise); };
      auto reference = [&] { fill(&vek::ReferenceEvaluateNoise); };
      rows.push_back(Row("array fill, " + std::to_string(vek::kMaxArraySize) + " elements, 16.5 octaves, fade 0.25, " + shape,
                         Race({plugin, plain, reference}, seconds)));
    } else {
      const EventHandle output = in.handle(m.Find("Output"));
      const int32_t input = m.Find("Input");
      float x = 0.0f;
      auto plugin = [&] {
        in.Store(input, x);  // a new input, as a host's cycle feeds it
        in.Process();
        x += 0.37f;
      };
      // The same cycle with the plain noise as a competent user writes it: the same reads and one
      // write.
      const std::vector<EventHandle> reads = ReadHandles(in, false);
      float y = 0.0f;
      auto cycle = [&](double (*evaluate)(const vek::RandomTable&, const vek::NoiseSettings&, double)) {
        in.Store(input, y);
        for (EventHandle h : reads) host.GetValue(h);
        host.SetValue(output, static_cast<float>(evaluate(*table, s, y)));
        y += 0.37f;
      };
      auto plain = [&] { cycle(&vek::PlainEvaluateNoise); };
      auto reference = [&] { cycle(&vek::ReferenceEvaluateNoise); };
      rows.push_back(Row(std::string("Process cycle, 16.5 octaves, fade 0.25, ") + shape,
                         Race({plugin, plain, reference}, seconds)));
    }
  }
  if (isSingle) {
    // The defaults (1 octave): the environment switch weighs most where the noise is cheapest.
    Instance in(library, m);
    in.set_fp_environment(std::nullopt);
    if (!in.Start()) return rows;
    const FpEnvironment defaults = FpPresets().front().environment;
    float x = 0.0f;
    auto cycle = [&] {
      in.Store(m.Find("Input"), x);
      in.Process();
      x += 0.37f;
    };
    for (const FpPreset& preset : FpPresets()) {
      if (preset.environment == defaults) continue;
      auto inPreset = [&] {
        const HostFpScope scope(preset.environment);
        cycle();
      };
      auto inDefault = [&] {
        const HostFpScope scope(defaults);
        cycle();
      };
      const std::vector<double> ns = Race({inPreset, inDefault}, seconds);
      rows.push_back({std::string("Process, defaults, host in ") + preset.name, ns[0], {{kDefaultEnvBaseline, ns[1]}}});
    }
  }
  return rows;
}

void PrintTimings(std::ostream& out, const std::vector<Timing>& timings) {
  char line[320];
  const std::pair<const char*, const char*> legend[] = {
      {kPlainBaseline, "the same values by plain code as a competent user writes it"},
      {kReferenceBaseline, "the same values by the strict reference the plug-in is checked against bit for bit"},
      {kDefaultEnvBaseline, "the same cycle with the host in the default floating-point environment"}};
  bool anyBaseline = false;
  for (const auto& [name, what] : legend) {
    bool used = false;
    for (const Timing& t : timings) {
      for (const auto& b : t.baselines) used = used || b.first == name;
    }
    if (used) out << "baseline \"" << name << "\": " << what << "\n";
    anyBaseline = anyBaseline || used;
  }
  if (anyBaseline) out << "ratio = baseline time / plug-in time: above 1 the plug-in is faster.\n";
  std::string header;
  for (const Timing& t : timings) {
    std::string h = "measurement";
    for (const auto& b : t.baselines) h += "|" + b.first;
    if (h != header) {
      header = h;
      std::snprintf(line, sizeof line, "\n%-72s %12s", "measurement", "plug-in");
      out << line;
      for (const auto& b : t.baselines) {
        std::snprintf(line, sizeof line, " %12s %7s", b.first.c_str(), "ratio");
        out << line;
      }
      out << "\n";
    }
    std::snprintf(line, sizeof line, "%-72s %9.0f ns", t.label.c_str(), t.pluginNs);
    out << line;
    for (const auto& b : t.baselines) {
      std::snprintf(line, sizeof line, " %9.0f ns %6.2fx", b.second, b.second / t.pluginNs);
      out << line;
    }
    out << "\n";
  }
}

}  // namespace usrhost
