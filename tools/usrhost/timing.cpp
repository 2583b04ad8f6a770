#include "tools/usrhost/timing.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "host/convert.hpp"
#include "noise/plain_evaluation.hpp"
#include "noise/random_table.hpp"

namespace usrhost {
namespace {

using Clock = std::chrono::steady_clock;

// Best time per call over several rounds, the two contenders interleaved so that drift in the
// machine's speed hits both alike.
std::pair<double, double> Race(const std::function<void()>& a, const std::function<void()>& b, double seconds) {
  auto perCall = [](const std::function<void()>& f, int calls) {
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) f();
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / calls;
  };
  // Calls per round so that a round takes about a tenth of the budget.
  const double probe = std::max(perCall(a, 1), perCall(b, 1));
  const int calls = std::max(1, static_cast<int>(seconds * 1e9 / 10 / 2 / std::max(probe, 1.0)));
  double bestA = 1e300, bestB = 1e300;
  for (int round = 0; round < 10; ++round) {
    bestA = std::min(bestA, perCall(a, calls));
    bestB = std::min(bestB, perCall(b, calls));
  }
  return {bestA, bestB};
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
                               const std::optional<FpEnvironment>& env) {
  std::vector<Timing> rows;
  const bool isArray = m.Find("Float Out") >= 0 && m.Find("Integer Out") >= 0 && m.Find("Array Size") >= 0;
  const bool isSingle = m.Find("Input") >= 0 && m.Find("Output") >= 0;
  if (!isArray && !isSingle) return rows;

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
      in.Set(m.Find("Array Size"), 2048.0f);
      const int32_t octaves = m.Find("Octaves");
      const EventHandle floatOut = in.handle(m.Find("Float Out")), integerOut = in.handle(m.Find("Integer Out"));
      const double scale = static_cast<double>(0.1f);
      auto plugin = [&] { in.Notify(octaves); };
      // The same fill with the plain noise as a competent user writes it: the same reads and
      // writes, "Integer Out" rounded alike.
      const std::vector<EventHandle> reads = ReadHandles(in, true);
      auto baseline = [&] {
        for (EventHandle h : reads) host.GetValue(h);
        for (int32_t i = 0; i < 2048; ++i) {
          const double v = vek::PlainEvaluateNoise(*table, s, static_cast<double>(i) * scale);
          host.SetArrayElement(floatOut, i, static_cast<float>(v));
          host.SetArrayElement(integerOut, i, static_cast<float>(vek::RoundHalfAwayFromZero(v)));
        }
      };
      const auto [p, b] = Race(plugin, baseline, seconds);
      rows.push_back({std::string("array fill, 2048 elements, 16.5 octaves, fade 0.25, ") + shape, p, b});
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
      auto baseline = [&] {
        in.Store(input, y);
        for (EventHandle h : reads) host.GetValue(h);
        host.SetValue(output, static_cast<float>(vek::PlainEvaluateNoise(*table, s, y)));
        y += 0.37f;
      };
      const auto [p, b] = Race(plugin, baseline, seconds);
      rows.push_back({std::string("Process cycle, 16.5 octaves, fade 0.25, ") + shape, p, b});
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
      const auto [p, b] = Race(inPreset, inDefault, seconds);
      rows.push_back({std::string("Process, defaults, host in ") + preset.name + " vs default env.", p, b});
    }
  }
  return rows;
}

void PrintTimings(std::ostream& out, const std::vector<Timing>& timings) {
  char line[256];
  std::snprintf(line, sizeof line, "%-64s %12s %12s %8s\n", "measurement", "plug-in", "baseline", "ratio");
  out << line;
  for (const Timing& t : timings) {
    std::snprintf(line, sizeof line, "%-64s %9.0f ns %9.0f ns %7.2fx\n", t.label.c_str(), t.pluginNs, t.baselineNs,
                  t.baselineNs / t.pluginNs);
    out << line;
  }
}

}  // namespace usrhost
