#pragma once
// The terms 2 * (sample - 0.5) / k of the octaves, in lanes or one at a time. Every lane performs
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
// DisplacementIndex(n) of octave n = i + 1, for lanes.
constexpr int32_t kDisplacementIndex[kPaddedSamples] = {0, 0, 0, 4, 4, 4, 4, 0, 0, 0, 0, 4, 4, 4, 4, 16, 16, 16, 16, 16};

namespace {

// Position of octave n for base position x: displaced by its entry, then scaled by k.
inline double OctavePosition(const RandomTable& table, int n, double x) {
  return kOctaveK[n] * (table.entries[DisplacementIndex(n)] + x);
}

}  // namespace

#if defined(__i386__) || defined(__x86_64__)
// The octave sums of xs[0..n) side by side; outside[i] where the sum is left to the scalar path.
void OctaveSumsSse2(const RandomTable& table, const PreparedNoise& p, const double* xs, double* sums, bool* outside,
                    int n);
// Only on CPUs with AVX (the kAuto choice checks). terms[i] (octave i + 1) for i < p.samples,
// rounded up to whole vectors; bit i of the result is set where octave i + 1 left the int32 cells
// and its term is still to be computed by the scalar sampler. (With two SSE2 lanes one value's
// octaves are faster one at a time.)
uint32_t OctaveTermsAvx(const RandomTable& table, const PreparedNoise& p, double x, double* terms);
void OctaveSumsAvx(const RandomTable& table, const PreparedNoise& p, const double* xs, double* sums, bool* outside,
                   int n);
#endif

}  // namespace vek
