// The plain side of the benchmark: what a competent user writes from the formulas, reading the
// same inputs through the same service pointers, and the timing of both sides in TSC ticks.
#include "tools/release_runner/guest/bench.hpp"

#include "host/abi.hpp"
#include "noise/plain_evaluation.hpp"
#include "tools/release_runner/guest/runtime.hpp"
#include "tools/usrhost/standin/stack_thunk.hpp"

namespace runner {

const HostServices& Services();

namespace {

uint64_t Ticks() {
  uint32_t lo, hi;
  asm volatile("lfence\n\trdtsc" : "=a"(lo), "=d"(hi) : : "memory");
  return (static_cast<uint64_t>(hi) << 32) | lo;
}

uint32_t Bits(float v) {
  uint32_t u;
  __builtin_memcpy(&u, &v, sizeof u);
  return u;
}

Slot& SlotOf(uint32_t handle) { return Guest().slots[(handle - kFirstHandle) / kHandleSpacing]; }

// The settings as read, through the service pointer, in the order the module reads them.
struct Read {
  double v[kSettingCount];
};
inline Read ReadSettings(const BenchRecord& b, const Setting* order, int count) {
  const GetValueFn get = Services().GetValue;
  Read r;
  for (int i = 0; i < count; ++i) r.v[order[i]] = static_cast<double>(get(b.settings[order[i]]));
  return r;
}
inline vek::NoiseSettings NoiseOf(const Read& r) {
  vek::NoiseSettings s{r.v[kOctaves], r.v[kNoiseMin], r.v[kNoiseMax], r.v[kFade] * 0.5,
                       r.v[kBias],    r.v[kGain],     r.v[kOutputMin], r.v[kOutputMax]};
  if (s.noiseMin > s.noiseMax) {
    const double t = s.noiseMin;
    s.noiseMin = s.noiseMax;
    s.noiseMax = t;
  }
  return s;
}

constexpr Setting kProcessReads[] = {kInput, kOctaves, kBias, kGain, kNoiseMin, kNoiseMax,
                                     kFade,  kScale,   kOffset, kOutputMin, kOutputMax};
constexpr Setting kFillReads[] = {kSeed, kOffset, kScale, kOctaves, kNoiseMin, kNoiseMax,
                                  kFade, kBias,   kGain,  kOutputMin, kOutputMax, kArraySize};

void PlainProcess(const BenchRecord& b) {
  const Read r = ReadSettings(b, kProcessReads, sizeof kProcessReads / sizeof kProcessReads[0]);
  const vek::NoiseSettings s = NoiseOf(r);
  const double x = (r.v[kInput] + r.v[kOffset]) * r.v[kScale];
  const auto& table = *reinterpret_cast<const vek::RandomTable*>(b.table);
  Services().SetValue(b.plainOut[0], static_cast<float>(vek::PlainEvaluateNoise(table, s, x)));
}

void PlainFill(const BenchRecord& b) {
  const Read r = ReadSettings(b, kFillReads, sizeof kFillReads / sizeof kFillReads[0]);
  const vek::NoiseSettings s = NoiseOf(r);
  const double o = static_cast<double>(static_cast<float>(__builtin_fmod(r.v[kOffset], 997300.0)));
  const double scale = r.v[kScale];
  const int32_t n = static_cast<int32_t>(r.v[kArraySize]);
  const auto& table = *reinterpret_cast<const vek::RandomTable*>(b.table);
  const HostServices& host = Services();
  host.SetArrayLength(b.plainOut[0], n);
  host.SetArrayLength(b.plainOut[1], n);
  for (int32_t i = 0; i < n; ++i) {
    const double v = vek::PlainEvaluateNoise(table, s, (static_cast<double>(i) + o) * scale + o);
    host.SetArrayElement(b.plainOut[0], i, static_cast<float>(v));
    host.SetArrayElement(b.plainOut[1], i, static_cast<float>(vek::PlainIntegerOut(v)));
  }
}

// One call of each side. A cycle first feeds a new input, as a host's cycle does.
struct Sides {
  BenchRecord& b;
  float x = 0.0f;
  float y = 0.0f;
  void Plugin() {
    if (b.kind == kBenchProcess) {
      SlotOf(b.settings[kInput]).value = x;
      x += 0.37f;
      usrhost::CallWithStackOffset(reinterpret_cast<const void*>(b.function), &b.instance, 1, 0);
    } else {
      const uint32_t args[2] = {b.instance, b.message};
      usrhost::CallWithStackOffset(reinterpret_cast<const void*>(b.function), args, 2, 0);
    }
  }
  void Plain() {
    if (b.kind == kBenchProcess) {
      SlotOf(b.settings[kInput]).value = y;
      y += 0.37f;
    }
    const uint32_t arg = reinterpret_cast<uint32_t>(&b);
    usrhost::CallWithStackOffset(reinterpret_cast<const void*>(b.kind == kBenchProcess ? &PlainProcess : &PlainFill),
                                 &arg, 1, 0);
  }
  void Compare() {
    for (int k = 0; k < (b.kind == kBenchProcess ? 1 : 2); ++k) {
      const Slot& p = SlotOf(b.pluginOut[k]);
      const Slot& q = SlotOf(b.plainOut[k]);
      if (b.kind == kBenchProcess) {
        ++b.compared;
        b.differing += Bits(p.value) != Bits(q.value);
        continue;
      }
      b.differing += p.length != q.length;
      const float* pa = reinterpret_cast<const float*>(p.array);
      const float* qa = reinterpret_cast<const float*>(q.array);
      for (int32_t i = 0; i < p.length && i < q.length; ++i) {
        ++b.compared;
        b.differing += Bits(pa[i]) != Bits(qa[i]);
      }
    }
  }
};

}  // namespace

void RunBench(BenchRecord& b) {
  Sides sides{b};
  b.compared = b.differing = 0;
  // The bits first: every call of the first round, outside the timing. Without plug-in calls at
  // all, the plain side's time shows whether the plug-in's calls slow the code around them (an
  // AVX state left dirty, say).
  for (uint32_t i = 0; b.timing != kTimingPlainOnly && i < (b.kind == kBenchProcess ? 1000u : 4u); ++i) {
    sides.Plugin();
    sides.Plain();
    sides.Compare();
  }
  if (b.hostEnvSet) vek::LoadFpRegisters(b.hostEnv);
  b.pluginTicks = b.plainTicks = ~0ull;
  // Alternating rounds: each side finds the branch predictors and caches as the other left them.
  const bool alternate = b.timing != kTimingSeparate;
  for (uint32_t round = 0; round < b.rounds * (alternate ? 1u : 2u); ++round) {
    // Alternating: both sides each round. Separate: the plug-in's rounds, then the plain side's.
    const bool plugin = b.timing != kTimingPlainOnly && (alternate || round < b.rounds);
    const bool plain = alternate || round >= b.rounds;
    uint64_t t0 = Ticks();
    for (uint32_t i = 0; plugin && i < b.calls; ++i) sides.Plugin();
    uint64_t t1 = Ticks();
    for (uint32_t i = 0; plain && i < b.calls; ++i) sides.Plain();
    uint64_t t2 = Ticks();
    if (plugin && t1 - t0 < b.pluginTicks) b.pluginTicks = t1 - t0;
    if (plain && t2 - t1 < b.plainTicks) b.plainTicks = t2 - t1;
  }
  vek::LoadFpRegisters(vek::kOwnFpRegisters);
  // Plain code has no guard: in a host's rounding mode its last values may differ, rightly.
  if (b.timing != kTimingPlainOnly && !b.hostEnvSet) sides.Compare();
}

}  // namespace runner
