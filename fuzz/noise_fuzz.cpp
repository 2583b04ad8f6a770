// The noise core with arbitrary seeds, settings and positions. Oracles: every kernel, one value at
// a time and several side by side, gives the bits of the reference evaluation, and finite settings
// and positions give a finite value.
#include <cmath>
#include <cstring>
#include <memory>

#include "noise/reference_evaluation.hpp"
#include "fuzz/fuzz_input.hpp"
#include "noise/octave_sum.hpp"

namespace {

// NaN comes only from NaN settings; its payload may differ with the order of lanes.
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vek;
  vekfuzz::Input in(data, size);
  static auto table = std::make_unique<RandomTable>();  // rebuilt only when the seed changes
  BuildRandomTable(*table, SeedFromParameter(static_cast<double>(in.TakeFloat())));
  NoiseSettings s;
  s.octaves = in.TakeFloat();
  s.noiseMin = in.TakeFloat();
  s.noiseMax = in.TakeFloat();
  s.halfFade = static_cast<double>(in.TakeFloat()) * 0.5;
  s.bias = in.TakeFloat();
  s.gain = in.TakeFloat();
  s.outputMin = in.TakeFloat();
  s.outputMax = in.TakeFloat();
  OrderNoiseRange(s);
  const bool finiteSettings = std::isfinite(s.octaves) && std::isfinite(s.noiseMin) && std::isfinite(s.noiseMax) &&
                              std::isfinite(s.halfFade) && std::isfinite(s.bias) && std::isfinite(s.gain) &&
                              std::isfinite(s.outputMin) && std::isfinite(s.outputMax);
  PreparedNoise kernels[3];
  PrepareNoise(s, kernels[0], NoiseKernel::kScalar);
  PrepareNoise(s, kernels[1], NoiseKernel::kSse2);
  PrepareNoise(s, kernels[2], NoiseKernel::kAuto);  // AVX where the CPU has it
  constexpr int kMaxValues = 9;
  double xs[kMaxValues], reference[kMaxValues];
  int n = 0;
  for (; n < kMaxValues && !in.empty(); ++n) {
    const double scale = in.TakeFloat();
    const double x = (static_cast<double>(in.TakeFloat()) + scale) * scale;
    xs[n] = x;
    reference[n] = ReferenceEvaluateNoise(*table, s, x);
    for (const PreparedNoise& p : kernels) {
      if (!SameBits(EvaluatePrepared(*table, p, x), reference[n])) __builtin_trap();
    }
    if (finiteSettings && std::isfinite(x) && !std::isfinite(reference[n])) __builtin_trap();
  }
  for (const PreparedNoise& p : kernels) {
    double many[kMaxValues];
    EvaluatePreparedMany(*table, p, xs, many, n);
    for (int i = 0; i < n; ++i) {
      if (!SameBits(many[i], reference[i])) __builtin_trap();
    }
  }
  return 0;
}
