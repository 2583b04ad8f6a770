#pragma once
// The terms 2 * (sample - 0.5) / k of one value's octaves, in three steps: the cells (scalar:
// position, floor, table index, entries), the transition zones (only the samples that lie in one,
// queued so that lanes process nothing else), and the division by k (in lanes). Every lane performs
// the same IEEE operations in the same order as the scalar sampler, so all kernels give the same
// bits.
#include <cstdint>

#include "noise/octave_sum.hpp"
#include "noise/table_index.hpp"

namespace vek {

// Room for 17 samples rounded up to whole 4-lane vectors.
constexpr int kPaddedSamples = 20;

// k = n^2 of octave n, as doubles, with room for padded lanes.
constexpr double kOctaveK[kPaddedSamples + 1] = {0,   1,   4,   9,   16,  25,  36,  49,  64,  81,  100,
                                                 121, 144, 169, 196, 225, 256, 289, 324, 361, 400};

// Sample i (octave i + 1) of one value. numerators[i] is 2 * (sample - 0.5): from the table for a
// flat cell, written by the zone step for a queued one.
struct OctaveSamples {
  alignas(32) double numerators[kPaddedSamples];
  // The zone queue, zoneCount long and padded with harmless values to whole vectors: the
  // numerator of t before its division by halfFade (0.5 * d, or 0.5 * (d - upperEdge)), what is
  // added to the quotient (0.5 in the lower zone, 0 in the upper), the blend's ends, and the sample
  // each belongs to.
  alignas(32) double zoneNum[kPaddedSamples];
  alignas(32) double zoneBase[kPaddedSamples];
  alignas(32) double zoneFrom[kPaddedSamples];
  alignas(32) double zoneTo[kPaddedSamples];
  int32_t zoneSample[kPaddedSamples];
  int32_t zoneCount;
  uint32_t outOfRange;  // bit i: position i is non-finite or beyond the int32 cells
};

// Position of octave n for base position x: displaced by its entry, then scaled by k.
inline double OctavePosition(const RandomTable& table, int n, double x) {
  return kOctaveK[n] * (table.entries[DisplacementIndex(n)] + x);
}

// The cells of octaves 1..count at base position x, queueing the samples in a zone.
void GatherOctaveSamples(const RandomTable& table, const PreparedNoise& p, double x, int count, OctaveSamples& s);

// Each kernel: the queued zones' numerators, then terms[i] = numerators[i] / k for i < count
// (rounded up to the lane width).
void OctaveTermsScalar(const PreparedNoise& p, OctaveSamples& s, double* terms, int count);
#if defined(__i386__) || defined(__x86_64__)
void OctaveTermsSse2(const PreparedNoise& p, OctaveSamples& s, double* terms, int count);
// Only on CPUs with AVX (the kAuto choice checks).
void OctaveTermsAvx(const PreparedNoise& p, OctaveSamples& s, double* terms, int count);
// The octave sums of xs[0..n), four at a time; outside[i] where the sum is left to the scalar path.
void OctaveSumsAvx(const RandomTable& table, const PreparedNoise& p, const double* xs, double* sums, bool* outside,
                   int n);
#endif

}  // namespace vek
