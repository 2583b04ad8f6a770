#pragma once
// The noise of one value, on one page.
//
// For base position x and settings (octaves, halfFade, bias, gain, noise range, output range):
//   q = floor(octaves), frac = octaves - q; octave n has k = n^2 and position p = k * (D(n) + x),
//     D(n) = entries[n AND 9972] (table_index.hpp: DisplacementIndex);
//   sample(p): cell f = floor(p), place d = p - f, index j of f (TableIndexOfCell), entries
//     a = e[j - 1], v = e[j], c = e[j + 1] (IndexBefore, IndexAfter); v in the flat middle of the
//     cell, and within halfFade of a boundary a blend a + w * (v - a) (lower zone, t = 0.5 + 0.5 *
//     d / halfFade) or v + w * (c - v) (upper zone, t = 0.5 * (d - (1 - halfFade)) / halfFade),
//     w = GainCurve(BiasCurve(t)); divided by 9973 (sampler.hpp: SampleNoiseWith);
//   term(n) = 2 * (sample(p) - 0.5) / k (term_formulas.hpp: the shared arithmetic);
//   sum = term(q + 1) * frac if frac != 0, then sum = sum + term(n) for n = q down to 1: the
//     fractional octave first, then the whole octaves from the highest down. This order of
//     additions is part of the result;
//   b = 0 below noiseMin, 1 at noiseMax or above, else (sum - noiseMin) / (noiseMax - noiseMin);
//     out = b * (outputMax - outputMin) + outputMin (MapNoiseSum below).
//
// The definition is the reference evaluation (reference_evaluation.hpp, over OctaveSumWith in
// plain_evaluation.hpp); the fast paths are tested against it bit for bit. They compute the same
// operations in the same order, and differ only in what they keep: per table build each flat
// cell's 2 * (v / 9973 - 0.5) (RandomTable::flatNumerators), per computation every setting-derived
// constant (PreparedNoise), a division by a power of two (halfFade, the noise range) as the
// multiplication by its exact reciprocal, and octave 1's division by k = 1 skipped. Which file does which step:
//   table_index.hpp        cells to table indexes, neighbours, displacements, the int32-cell test;
//   term_formulas.hpp      sample of a value, term numerator, zone place t, shaped weight, blend:
//                          one form of each for scalar and lane code (the lanes select the
//                          shaped weight's branch in masks: LaneShapedWeight);
//   sampler.hpp            one sample from a position (the reference's and the plain baseline's);
//   octave_sum.cpp         settings made safe and prepared; the scalar term; one value and several
//                          values: the kernel's terms, the sum in its order, the mapping;
//   octave_kernel.hpp      the kernels' interface: octaves side by side for one value (AVX), or values
//                          side by side for several;
//   octave_kernel_lanes.inc, with octave_kernel_sse2.cpp (two lanes) and octave_kernel_avx.cpp
//                          (four lanes, AVX CPUs only): positions, floor, cells, entries, the zone
//                          arithmetic only for vectors with a lane in a zone, the division by k.
#include <cstdint>

#include "noise/random_table.hpp"

namespace vek {

struct NoiseSettings {
  double octaves;   // whole part: full octaves; fraction: weight of one extra octave
  double noiseMin;  // range of the octave sum that maps onto 0..1
  double noiseMax;
  double halfFade;  // "Fade" * 0.5
  double bias;
  double gain;
  double outputMin;
  double outputMax;
};

// The widest declared range of "Noise Bias" and "Noise Gain", as the host stores it (single
// precision). The core clamps into it, so every declared value passes unchanged.
constexpr float kWidestShapingMin = 1e-05f;
constexpr float kWidestShapingMax = 0.99999f;

// Exchanges noiseMin and noiseMax when noiseMin is strictly greater; once per computation.
void OrderNoiseRange(NoiseSettings& settings);

// Settings outside what a host should send, brought into safe bounds: octaves into 0..17 (NaN as
// 0), bias and gain into the widest declared range (NaN as 0.5). Values inside the declared ranges
// come back exactly as given.
NoiseSettings SafeNoiseSettings(const NoiseSettings& settings);

enum class NoiseKernel : uint8_t { kAuto, kScalar, kSse2, kAvx };

// What one computation derives once from its settings, for the many values it evaluates.
struct PreparedNoise {
  NoiseSettings settings;    // safe and ordered
  int32_t wholeOctaves;      // q
  double frac;               // weight of octave q + 1; 0 when there is none
  int32_t samples;           // q, or q + 1 with a fraction
  bool shaped;               // halfFade > 0: transition zones exist
  bool biased;               // bias != 0.5
  bool gained;               // gain != 0.5
  bool fadeIsPowerOfTwo;     // halfFade = 2^m: dividing by it is multiplying by fadeReciprocal
  bool rangeIsPowerOfTwo;    // noiseMax - noiseMin = 2^m: likewise with rangeReciprocal
  double biasFactor;         // 1/bias - 2
  double gainFactor;         // 1/gain - 2
  double upperEdge;          // 1 - halfFade
  double fadeReciprocal;     // 1/halfFade, exact where used
  double noiseRange;         // noiseMax - noiseMin
  double rangeReciprocal;    // 1/noiseRange, exact where used
  double outputSpan;         // outputMax - outputMin
  NoiseKernel kernel;        // never kAuto once prepared
};

// `settings` must already be ordered (OrderNoiseRange). kAuto takes the fastest kernel this CPU
// runs; every kernel gives the same bits.
void PrepareNoise(const NoiseSettings& settings, PreparedNoise& prepared, NoiseKernel kernel = NoiseKernel::kAuto);
// The position by reference: i686 passes a double by value as two 32-bit pushes, which the
// callee's 64-bit load cannot forward from.
double EvaluatePrepared(const RandomTable& table, const PreparedNoise& prepared, const double& x);

// out[i] = EvaluatePrepared(table, prepared, xs[i]) for i < n, several values at once where the
// kernel allows.
void EvaluatePreparedMany(const RandomTable& table, const PreparedNoise& prepared, const double* xs, double* out, int n);

// The sum of the octave terms, `term(n)` for octave n, q whole octaves and the weight `frac` of
// octave q + 1: the fractional octave first, then the whole octaves from the highest down. This
// order of additions is part of the result; every evaluation sums through here.
template <typename Term>
inline double SumOctavesInOrder(int q, double frac, Term term) {
  double sum = 0.0;
  if (frac != 0.0) sum = term(q + 1) * frac;
  for (int n = q; n >= 1; --n) sum = sum + term(n);
  return sum;
}

// The octave sum through the noise range into 0..1 (`toUnit` divides the sum's height above
// noiseMin by the range), then into the output range, `outputSpan` = outputMax - outputMin.
template <typename ToUnit>
inline double MapSumWith(double sum, const NoiseSettings& s, double outputSpan, ToUnit toUnit) {
  // The tests run in this order, so equal bounds never divide by zero.
  double b;
  if (sum < s.noiseMin) {
    b = 0.0;
  } else if (sum >= s.noiseMax) {
    b = 1.0;
  } else {
    b = toUnit(sum - s.noiseMin);
  }
  return b * outputSpan + s.outputMin;
}

inline double MapNoiseSum(double sum, const NoiseSettings& s) {
  return MapSumWith(sum, s, s.outputMax - s.outputMin, [&](double above) { return above / (s.noiseMax - s.noiseMin); });
}

// The output value at base position x: PrepareNoise and EvaluatePrepared in one call.
double EvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x);

}  // namespace vek
