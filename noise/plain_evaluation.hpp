#pragma once
// The octave sum written from its formulas, one scalar sample after another, in two builds:
//   - the reference (noise/reference_evaluation.hpp): the library's floor and the sampler out of
//     line, the definition every fast kernel is tested against bit for bit;
//   - the plain baseline (PlainEvaluateNoise below): what a competent user writes from the same
//     formulas, the sampler inlined and an inline floor, nothing prepared ahead of the call. Every
//     speed ratio is measured against it.
// Both give the same bits. Header-only, and on the common path free of library calls, so that a
// freestanding i686 driver can compile the baseline with the project's flags.
#include <cmath>
#include <cstdint>

#include "noise/octave_sum.hpp"
#include "noise/sampler.hpp"

namespace vek {

// The fractional octave first, then the whole octaves from the highest down: this order of
// additions is part of the result. `sample(p)` is the sampler at position p. `s` must be safe
// (SafeNoiseSettings) and ordered.
template <typename Sample>
inline double OctaveSumWith(const RandomTable& table, const NoiseSettings& s, double x, Sample sample) {
  // 2 * (SampleNoise(p) - 0.5) / k of octave n, with k = n^2 and p = k * (D(n) + x).
  auto term = [&](int n) {
    const double k = static_cast<double>(n * n);
    const double p = k * (table.entries[DisplacementIndex(n)] + x);
    return TermNumerator(sample(p)) / k;
  };
  const int q = static_cast<int>(s.octaves);  // the floor: octaves are never negative here
  return MapNoiseSum(SumOctavesInOrder(q, s.octaves - q, term), s);
}

// floor without a library call where the value fits an int32 (i686 has no rounding instruction):
// truncate, then step down where truncation went up.
inline double InlineFloor(double p) {
  if (!InInt32Cells(p)) return std::floor(p);
  const double t = static_cast<double>(static_cast<int32_t>(p));
  return t > p ? t - 1.0 : t;
}

// The baseline, for settings in their declared ranges (which the plug-ins' clamps pass unchanged);
// the noise range must already be ordered.
inline double PlainEvaluateNoise(const RandomTable& table, const NoiseSettings& s, double x) {
  return OctaveSumWith(table, s, x, [&](double p) {
    return SampleNoiseWith(table, s.bias, s.gain, s.halfFade, p, InlineFloor);
  });
}

// "Integer Out" of the array fill as a competent user writes it: halves away from zero, a zero
// result +0, without a library call where the value fits an int32.
inline double PlainIntegerOut(double v) {
  double r;
  if (v > -2147483648.0 && v < 2147483648.0) {
    const double t = static_cast<double>(static_cast<int32_t>(v));
    r = v - t >= 0.5 ? t + 1.0 : t - v >= 0.5 ? t - 1.0 : t;
  } else if (__builtin_fabs(v) < 4503599627370496.0) {
    // Below 2^52 adding one half is exact.
    r = __builtin_copysign(__builtin_floor(__builtin_fabs(v) + 0.5), v);
  } else {
    r = v;  // whole already, or not a number
  }
  return r == 0.0 ? 0.0 : r;
}

}  // namespace vek
