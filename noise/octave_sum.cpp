#include "noise/octave_sum.hpp"

#include <cmath>
#include <utility>

#include "noise/octave_kernel.hpp"
#include "noise/sampler.hpp"

namespace vek {
namespace {

// 16 declared octaves plus one fractional octave is the most the algorithm reaches (octave 17);
// beyond it the work and k = n^2 would grow without bound.
constexpr double kMaxOctaves = 17.0;
// The declared bounds as the host stores them (single precision), so in-range values pass unchanged.
constexpr double kMinShaping = static_cast<double>(1e-05f);
constexpr double kMaxShaping = static_cast<double>(0.99999f);

double ClampShaping(double value) {
  if (std::isnan(value)) return 0.5;
  return value < kMinShaping ? kMinShaping : (value > kMaxShaping ? kMaxShaping : value);
}

double ClampOctaves(double octaves) {
  if (!(octaves > 0.0)) return 0.0;  // negative and NaN
  return octaves > kMaxOctaves ? kMaxOctaves : octaves;
}

NoiseKernel FastestKernel() {
#if defined(__i386__) || defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx")) return NoiseKernel::kAvx;
  return NoiseKernel::kSse2;
#else
  return NoiseKernel::kScalar;
#endif
}

}  // namespace

void OrderNoiseRange(NoiseSettings& settings) {
  if (settings.noiseMin > settings.noiseMax) std::swap(settings.noiseMin, settings.noiseMax);
}

NoiseSettings SafeNoiseSettings(const NoiseSettings& settings) {
  NoiseSettings s = settings;
  s.octaves = ClampOctaves(s.octaves);
  s.bias = ClampShaping(s.bias);
  s.gain = ClampShaping(s.gain);
  return s;
}

void PrepareNoise(const NoiseSettings& settings, PreparedNoise& p, NoiseKernel kernel) {
  p.settings = SafeNoiseSettings(settings);
  const NoiseSettings& s = p.settings;
  p.wholeOctaves = static_cast<int32_t>(s.octaves);  // the floor: octaves are clamped to 0..17
  p.frac = s.octaves - p.wholeOctaves;
  p.samples = p.wholeOctaves + (p.frac != 0.0 ? 1 : 0);
  p.shaped = s.halfFade > 0.0;
  p.biased = !(s.bias == 0.5);
  p.gained = !(s.gain == 0.5);
  p.biasFactor = 1.0 / s.bias - 2.0;
  p.gainFactor = 1.0 / s.gain - 2.0;
  p.upperEdge = 1.0 - s.halfFade;
  p.kernel = kernel == NoiseKernel::kAuto ? FastestKernel() : kernel;
}

double EvaluatePrepared(const RandomTable& table, const PreparedNoise& p, double x) {
  alignas(32) double terms[kPaddedSamples];
  const int count = p.samples;
  OctaveCells cells;
  GatherOctaveCells(table, x, count, cells);
  // A lone sample gains nothing from lanes.
  switch (count < 2 ? NoiseKernel::kScalar : p.kernel) {
#if defined(__i386__) || defined(__x86_64__)
    case NoiseKernel::kAvx: OctaveTermsAvx(p, cells, terms, count); break;
    case NoiseKernel::kSse2: OctaveTermsSse2(p, cells, terms, count); break;
#endif
    default: OctaveTermsScalar(p, cells, terms, count); break;
  }
  // Non-finite and far positions take the exact scalar sampler (rare: huge scales or offsets).
  for (uint32_t rest = cells.outOfRange; rest != 0; rest &= rest - 1) {
    const int i = __builtin_ctz(rest);
    if (i >= count) break;
    const NoiseSettings& s = p.settings;
    const double position = OctavePosition(table, i + 1, x);
    terms[i] = 2.0 * (SampleNoise(table, s.bias, s.gain, s.halfFade, position) - 0.5) / kOctaveK[i + 1];
  }
  // The fractional octave first, then the whole octaves from the highest down: this order of
  // additions is part of the result.
  const int q = p.wholeOctaves;
  double sum = 0.0;
  if (p.frac != 0.0) sum = terms[q] * p.frac;  // terms[n - 1] belongs to octave n
  for (int n = q; n >= 1; --n) sum = sum + terms[n - 1];

  return MapNoiseSum(sum, p.settings);
}

void EvaluatePreparedMany(const RandomTable& table, const PreparedNoise& p, const double* xs, double* out, int n) {
#if defined(__i386__) || defined(__x86_64__)
  if (p.kernel == NoiseKernel::kAvx && p.samples >= 2) return EvaluateManyAvx(table, p, xs, out, n);
#endif
  for (int i = 0; i < n; ++i) out[i] = EvaluatePrepared(table, p, xs[i]);
}

double EvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x) {
  PreparedNoise p;
  PrepareNoise(settings, p);
  return EvaluatePrepared(table, p, x);
}

}  // namespace vek
