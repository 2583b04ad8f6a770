#include "noise/octave_sum.hpp"

#include <cmath>
#include <cstring>
#include <utility>

#include "noise/octave_kernel.hpp"
#include "noise/sampler.hpp"
#include "noise/term_formulas.hpp"

namespace vek {
namespace {

// 16 declared octaves plus one fractional octave is the most the algorithm reaches (octave 17);
// beyond it the work and k = n^2 would grow without bound.
constexpr double kMaxOctaves = 17.0;

double ClampShaping(double value) {
  constexpr double kMin = kWidestShapingMin, kMax = kWidestShapingMax;
  if (std::isnan(value)) return 0.5;
  return value < kMin ? kMin : (value > kMax ? kMax : value);
}

double ClampOctaves(double octaves) {
  if (!(octaves > 0.0)) return 0.0;  // negative and NaN
  return octaves > kMaxOctaves ? kMaxOctaves : octaves;
}

// A normal power of two: its reciprocal is exact, so dividing by it and multiplying by the
// reciprocal round alike.
bool IsNormalPowerOfTwo(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  const uint64_t exponent = (bits >> 52) & 0x7FF;
  return (bits >> 63) == 0 && (bits & 0xFFFFFFFFFFFFFull) == 0 && exponent != 0 && exponent != 0x7FF;
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

double MapPreparedSum(double sum, const PreparedNoise& p) {
  return MapSumWith(sum, p.settings, p.outputSpan, [&](double above) {
    return p.rangeIsPowerOfTwo ? above * p.rangeReciprocal : above / p.noiseRange;
  });
}

// terms[n - 1] belongs to octave n.
double SumTerms(const PreparedNoise& p, const double* terms) {
  return SumOctavesInOrder(p.wholeOctaves, p.frac, [terms](int n) { return terms[n - 1]; });
}

// The term of octave n at base position x, one sample at a time.
inline double OctaveTermScalar(const RandomTable& table, const PreparedNoise& p, int n, double x) {
  const double k = kOctaveK[n];
  // Dividing by octave 1's k of 1 changes nothing; skipped, it shortens the one-octave path.
  auto divide = [n, k](double numerator) { return n == 1 ? numerator : numerator / k; };
  const double position = OctavePosition(table, n, x);
  const NoiseSettings& s = p.settings;
  if (!InInt32Cells(position)) return divide(TermNumerator(SampleNoise(table, s.bias, s.gain, s.halfFade, position)));
  // floor without a library call (i686 has no rounding instruction): truncate, then step down
  // where truncation went up.
  int32_t f = static_cast<int32_t>(position);
  if (static_cast<double>(f) > position) --f;
  const double d = position - static_cast<double>(f);
  const int32_t j = TableIndexOfInt32Cell(f);
  if (p.shaped) {
    const bool lower = d < s.halfFade;
    if (lower || d > p.upperEdge) {
      const int32_t* e = table.entries;
      const double t = ZoneT(lower ? 0.5 : 0.0, lower ? 0.5 * d : 0.5 * (d - p.upperEdge), p.fadeIsPowerOfTwo,
                             p.fadeReciprocal, s.halfFade);
      const double w = ShapedWeight(t, p.biased, p.biasFactor, p.gained, p.gainFactor);
      const double value = lower ? Blend<double>(e[IndexBefore(j)], e[j], w) : Blend<double>(e[j], e[IndexAfter(j)], w);
      return divide(TermNumerator(SampleOfValue(value)));
    }
  }
  return divide(table.flatNumerators[j]);
}

// No octave or one: no lanes, no queue. Octave 1's k is 1, so its term is its numerator; it is
// weighted when it is the fractional octave.
inline double EvaluateUpToOneOctave(const RandomTable& table, const PreparedNoise& p, double x) {
  if (p.samples == 0) return MapPreparedSum(0.0, p);
  const double term = OctaveTermScalar(table, p, 1, x);
  return MapPreparedSum(p.wholeOctaves == 0 ? term * p.frac : 0.0 + term, p);
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
  p.fadeIsPowerOfTwo = IsNormalPowerOfTwo(s.halfFade);
  p.fadeReciprocal = p.fadeIsPowerOfTwo ? 1.0 / s.halfFade : 0.0;
  p.noiseRange = s.noiseMax - s.noiseMin;
  p.rangeIsPowerOfTwo = IsNormalPowerOfTwo(p.noiseRange);
  p.rangeReciprocal = p.rangeIsPowerOfTwo ? 1.0 / p.noiseRange : 0.0;
  p.outputSpan = s.outputMax - s.outputMin;
  p.kernel = kernel == NoiseKernel::kAuto ? FastestKernel() : kernel;
}

double EvaluatePrepared(const RandomTable& table, const PreparedNoise& p, const double& x) {
  const int count = p.samples;
  if (count <= 1) return EvaluateUpToOneOctave(table, p, x);
  alignas(32) double terms[kPaddedSamples];
  uint32_t outside;
  switch (p.kernel) {
#if defined(__i386__) || defined(__x86_64__)
    case NoiseKernel::kAvx: outside = OctaveTermsAvx(table, p, x, terms); break;
#endif
    // Without AVX one value's octaves go one at a time: two SSE2 lanes were slower than that, and
    // than plain code, at 8 and 16.5 octaves.
    default: {
      auto term = [&](int n) { return OctaveTermScalar(table, p, n, x); };
      return MapPreparedSum(SumOctavesInOrder(p.wholeOctaves, p.frac, term), p);
    }
  }
  // Non-finite and far positions take the exact scalar sampler (rare: huge scales or offsets).
  for (; outside != 0; outside &= outside - 1) {
    const int i = __builtin_ctz(outside);
    if (i < count) terms[i] = OctaveTermScalar(table, p, i + 1, x);
  }
  return MapPreparedSum(SumTerms(p, terms), p);
}

void EvaluatePreparedMany(const RandomTable& table, const PreparedNoise& p, const double* xs, double* out, int n) {
#if defined(__i386__) || defined(__x86_64__)
  if (p.samples >= 2 && (p.kernel == NoiseKernel::kAvx || p.kernel == NoiseKernel::kSse2)) {
    constexpr int kGroup = 64;
    double sums[kGroup];
    bool outside[kGroup];
    for (int first = 0; first < n; first += kGroup) {
      const int count = n - first < kGroup ? n - first : kGroup;
      if (p.kernel == NoiseKernel::kAvx) {
        OctaveSumsAvx(table, p, xs + first, sums, outside, count);
      } else {
        OctaveSumsSse2(table, p, xs + first, sums, outside, count);
      }
      for (int i = 0; i < count; ++i) {
        out[first + i] = outside[i] ? EvaluatePrepared(table, p, xs[first + i]) : MapPreparedSum(sums[i], p);
      }
    }
    return;
  }
#endif
  if (p.samples <= 1) {
    for (int i = 0; i < n; ++i) out[i] = EvaluateUpToOneOctave(table, p, xs[i]);
    return;
  }
  for (int i = 0; i < n; ++i) out[i] = EvaluatePrepared(table, p, xs[i]);
}

double EvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x) {
  PreparedNoise p;
  PrepareNoise(settings, p);
  return EvaluatePrepared(table, p, x);
}

}  // namespace vek
