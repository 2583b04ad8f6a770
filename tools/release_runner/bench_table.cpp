#include "tools/release_runner/bench_table.hpp"


#include <string>
#include <vector>
#include <time.h>
#include <x86intrin.h>

#include <cstdio>
#include <cstring>

#include "modules/random_array/array_size.hpp"
#include "noise/random_table.hpp"

namespace runner {
namespace {

struct Workload {
  const char* label;  // an array fill's label follows "array fill <the largest size> "
  bool array;
  float octaves;
  float fade;  // negative: the module's default
  float bias, gain;
};

constexpr float kDefault = -1.0f;
constexpr Workload kWorkloads[] = {
    {"Process, 1 octave (the defaults)", false, 1.0f, kDefault, 0.5f, 0.5f},
    {"Process, 8 octaves, fade 0.25, bias/gain 0.3/0.7", false, 8.0f, 0.25f, 0.3f, 0.7f},
    {"Process, 16.5 octaves, fade 0.25, 0.3/0.7", false, 16.5f, 0.25f, 0.3f, 0.7f},
    {"Process, 16.5 octaves, fade 0.25, 0.5/0.5", false, 16.5f, 0.25f, 0.5f, 0.5f},
    {"x 1 octave", true, 1.0f, kDefault, 0.5f, 0.5f},
    {"x 8 octaves, fade 0.25, 0.3/0.7", true, 8.0f, 0.25f, 0.3f, 0.7f},
    {"x 16.5 octaves, fade 0.25, 0.3/0.7", true, 16.5f, 0.25f, 0.3f, 0.7f},
    {"x 16.5 octaves, fade 1", true, 16.5f, 1.0f, 0.5f, 0.5f},
};

// The captions of what the plain side reads, by Setting.
constexpr const char* kSettingCaptions[kSettingCount] = {
    "Input", "Random Seed", "Scale", "Offset", "Octaves", "Noise Min", "Noise Max", "Fade", "Noise Bias",
    "Noise Gain", "Output Min", "Output Max", "Array Size"};

// Array fills run at the largest size a host can set.
std::string Label(const Workload& w) {
  return w.array ? "array fill " + std::to_string(vek::kMaxArraySize) + " " + w.label : w.label;
}

double Seconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC_RAW, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

}  // namespace

bool RunBenchTable(const Module& random, const Module& array, const BenchOptions& options, std::ostream& out,
                   std::ostream& err) {
  const GuestImage& guest = random.guest();
  Shared& shared = guest.shared();
  auto* table = GuestImage::At<vek::RandomTable>(guest.header().plainTable);
  // The plain side's own outputs: the last slots, the last array buffers.
  const uint32_t plainSlots[2] = {kSlotCount - 2, kSlotCount - 1};

  char line[256];
  std::snprintf(line, sizeof line, "%-54s %12s %12s %8s\n", (std::string("workload (") + GuestImage::Describe() + ")").c_str(),
                "plug-in", "plain", "ratio");
  out << line;
  bool ok = true;
  double ticks = 0, seconds = 0;
  struct Row {
    const Workload* w;
    uint64_t plugin, plain, calls;
    uint32_t compared, differing;
  };
  std::vector<Row> rows;
  for (const Workload& w : kWorkloads) {
    if (Label(w).find(options.only) == std::string::npos) continue;
    const Module& m = w.array ? array : random;
    Instance in(m);
    if (!in.Start()) {
      err << "release_runner: " << m.name() << ": Create failed\n";
      return false;
    }
    auto set = [&](const char* caption, float v) { in.Set(m.Find(caption), v); };
    set("Octaves", w.octaves);
    if (w.fade >= 0) set("Fade", w.fade);
    set("Noise Bias", w.bias);
    set("Noise Gain", w.gain);
    if (w.array) set("Array Size", static_cast<float>(vek::kMaxArraySize));

    BenchRecord& b = shared.bench;
    std::memset(&b, 0, sizeof b);
    b.kind = w.array ? kBenchArrayFill : kBenchProcess;
    // Short rounds, many of them: on a busy machine a long round rarely escapes an interruption,
    // and the best round of the slower side would be judged more harshly.
    b.calls = w.array ? 1 : 400;
    b.rounds = options.rounds;
    b.timing = options.plainOnly ? kTimingPlainOnly : options.separate ? kTimingSeparate : kTimingAlternate;
    if (options.hostEnv) {
      b.hostEnvSet = 1;
      b.hostEnv = *options.hostEnv;
    }
    b.instance = in.pointer();
    b.function = m.entry(w.array ? kCallBack : kProcess);
    b.message = in.message(m.Find("Octaves"));
    for (uint32_t s = 0; s < kSettingCount; ++s) {
      const int32_t p = m.Find(kSettingCaptions[s]);
      b.settings[s] = p >= 0 ? in.handle(p) : 0;
    }
    const char* outputs[2] = {w.array ? "Float Out" : "Output", w.array ? "Integer Out" : nullptr};
    for (int k = 0; k < 2 && outputs[k] != nullptr; ++k) {
      b.pluginOut[k] = in.handle(m.Find(outputs[k]));
      b.plainOut[k] = HandleOfSlot(plainSlots[k]);
      Slot& slot = shared.slots[plainSlots[k]];
      slot = {0.0f, w.array ? kSlotArray : kSlotOutput, 0, 0};
      if (w.array) slot.array = guest.header().arrays + (kArrayBuffers - 2 + k) * kArrayStride;
    }
    std::memset(table, 0, sizeof *table);
    vek::BuildRandomTable(*table, vek::SeedFromParameter(m.params()[m.Find("Random Seed")].initial));
    b.table = GuestImage::AddressOf(table);

    shared.command = kCommandBench;
    const double s0 = Seconds();
    const uint64_t t0 = __rdtsc();
    guest.Run({m.name().c_str(), m.image().base(), w.array ? "CallBack (bench)" : "Process (bench)", nullptr});
    ticks += static_cast<double>(__rdtsc() - t0);
    seconds += Seconds() - s0;
    rows.push_back({&w, b.pluginTicks, b.plainTicks, b.calls, b.compared, b.differing});
    for (const std::string& p : in.problems()) err << "release_runner: " << m.name() << ": " << p << "\n";
    for (uint32_t s : plainSlots) shared.slots[s].kind = kSlotUnused;
  }
  // The TSC's rate, from the whole run against the monotonic clock.
  const double nsPerTick = seconds * 1e9 / ticks;
  for (const Row& r : rows) {
    const double plugin = static_cast<double>(r.plugin) / static_cast<double>(r.calls) * nsPerTick;
    const double plain = static_cast<double>(r.plain) / static_cast<double>(r.calls) * nsPerTick;
    if (options.plainOnly) {
      std::snprintf(line, sizeof line, "%-54s %12s %9.1f ns %8s\n", Label(*r.w).c_str(), "-", plain, "-");
      out << line;
      continue;
    }
    std::snprintf(line, sizeof line, "%-54s %9.1f ns %9.1f ns %7.2fx%s\n", Label(*r.w).c_str(), plugin, plain, plain / plugin,
                  r.differing == 0 ? "" : "  BITS DIFFER");
    out << line;
    if (r.differing != 0 || r.compared == 0) {
      err << "release_runner: " << Label(*r.w) << ": " << r.differing << " of " << r.compared
          << " values differ between the plug-in and the plain code\n";
      ok = false;
    }
  }
  return ok;
}

}  // namespace runner
