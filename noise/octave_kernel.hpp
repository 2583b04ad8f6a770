#pragma once
// The per-octave terms 2 * (SampleNoise(p) - 0.5) / k of one value, computed in two steps: the
// cells (table reads and index arithmetic, scalar) and the transition arithmetic (in lanes). Every
// lane performs the same IEEE operations in the same order as the scalar sampler, so all kernels
// give the same bits.
#include <cstdint>

#include "noise/octave_sum.hpp"

namespace vek {

// Room for 17 samples rounded up to whole 4-lane vectors.
constexpr int kPaddedSamples = 20;

// k = n^2 of octave n, as doubles, with room for padded lanes.
constexpr double kOctaveK[kPaddedSamples + 1] = {0,   1,   4,   9,   16,  25,  36,  49,  64,  81,  100,
                                                 121, 144, 169, 196, 225, 256, 289, 324, 361, 400};

// Sample i (octave i + 1) of one value: its place in the cell and the entries before, at and after.
struct OctaveCells {
  alignas(32) double d[kPaddedSamples];
  alignas(32) double a[kPaddedSamples];
  alignas(32) double v[kPaddedSamples];
  alignas(32) double c[kPaddedSamples];
  uint32_t outOfRange;  // bit i: position i is non-finite or beyond the int32 cells
};

// Position of octave n for base position x: displaced by its entry, then scaled by k.
double OctavePosition(const RandomTable& table, int n, double x);

// Fills the cells of octaves 1..count at base position x, and harmless values up to the next
// multiple of 4.
void GatherOctaveCells(const RandomTable& table, double x, int count, OctaveCells& cells);

// terms[i] (octave i + 1) for i < count, rounded up to the lane width.
void OctaveTermsScalar(const PreparedNoise& p, const OctaveCells& cells, double* terms, int count);
#if defined(__i386__) || defined(__x86_64__)
void OctaveTermsSse2(const PreparedNoise& p, const OctaveCells& cells, double* terms, int count);
// Only on CPUs with AVX (the kAuto choice checks).
void EvaluateManyAvx(const RandomTable& table, const PreparedNoise& p, const double* xs, double* out, int n);
void OctaveTermsAvx(const PreparedNoise& p, const OctaveCells& cells, double* terms, int count);
#endif

}  // namespace vek
