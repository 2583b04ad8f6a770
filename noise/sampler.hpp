#pragma once
// One noise sample: the table read as unit cells, with shaped transitions at the cell boundaries.
#include <cstdint>

#include "noise/random_table.hpp"
#include "noise/table_index.hpp"

namespace vek {

// The transition curves; inline so that every evaluation, the plain baseline included, can fold
// them into its own loop.
inline double BiasCurve(double t, double bias) {
  if (bias == 0.5) return t;
  return t / ((1.0 / bias - 2.0) * (1.0 - t) + 1.0);
}

inline double GainCurve(double u, double gain) {
  if (gain == 0.5) return u;
  const double m = (1.0 - 2.0 * u) * (1.0 / gain - 2.0);
  if (u < 0.5) return u / (m + 1.0);
  return (m - u) / (m - 1.0);
}

// The sample at `position`, in 0..1, with the floor the caller chooses (any function equal to
// std::floor for finite values). `bias` and `gain` must lie strictly between 0 and 1; a
// non-finite position reads the flat value of index 0.
template <typename Floor>
inline double SampleNoiseWith(const RandomTable& table, double bias, double gain, double halfFade, double position,
                              Floor floor) {
  const int32_t* e = table.entries;
  if (!__builtin_isfinite(position)) return static_cast<double>(e[0]) / kTableSize;
  const double cell = floor(position);
  const double d = position - cell;
  const int32_t j = TableIndexOfCell(cell);
  const double v = e[j];
  double result = v;
  if (!(halfFade > 0.0)) {
    // a plain step function
  } else if (d < halfFade) {
    const double t = 0.5 + 0.5 * d / halfFade;
    const double a = e[IndexBefore(j)];
    result = a + GainCurve(BiasCurve(t, bias), gain) * (v - a);
  } else if (d > 1.0 - halfFade) {
    const double t = 0.5 * (d - (1.0 - halfFade)) / halfFade;
    const double c = e[IndexAfter(j)];
    result = v + GainCurve(BiasCurve(t, bias), gain) * (c - v);
  }
  return result / kTableSize;
}

// The sample at `position`, in 0..1. `bias` and `gain` must lie strictly between 0 and 1 (the octave
// sum clamps them); a non-finite position reads the flat value of index 0.
double SampleNoise(const RandomTable& table, double bias, double gain, double halfFade, double position);

}  // namespace vek
