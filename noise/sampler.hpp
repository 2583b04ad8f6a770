#pragma once
// One noise sample: the table read as unit cells, with shaped transitions at the cell boundaries.
#include <cstdint>

#include "noise/random_table.hpp"
#include "noise/table_index.hpp"
#include "noise/term_formulas.hpp"

namespace vek {

// The transition curves one at a time, for tests; the sampler and the kernels share ShapedWeight.
inline double BiasCurve(double t, double bias) { return ShapedWeight(t, bias != 0.5, 1.0 / bias - 2.0, false, 0.0); }
inline double GainCurve(double u, double gain) { return ShapedWeight(u, false, 0.0, gain != 0.5, 1.0 / gain - 2.0); }

// The sample at `position`, in 0..1, with the floor the caller chooses (any function equal to
// std::floor for finite values). `bias` and `gain` must lie strictly between 0 and 1; a
// non-finite position reads the flat value of index 0.
template <typename Floor>
inline double SampleNoiseWith(const RandomTable& table, double bias, double gain, double halfFade, double position,
                              Floor floor) {
  const int32_t* e = table.entries;
  if (!__builtin_isfinite(position)) return SampleOfValue(static_cast<double>(e[0]));
  const double cell = floor(position);
  const double d = position - cell;
  const int32_t j = TableIndexOfCell(cell);
  const double v = e[j];
  if (!(halfFade > 0.0)) return SampleOfValue(v);  // a plain step function
  // Only a zone reads a neighbour.
  const bool lower = d < halfFade, upper = !lower && d > 1.0 - halfFade;
  if (!lower && !upper) return SampleOfValue(v);
  const double t = lower ? 0.5 + 0.5 * d / halfFade : 0.5 * (d - (1.0 - halfFade)) / halfFade;
  const double w = ShapedWeight(t, bias != 0.5, 1.0 / bias - 2.0, gain != 0.5, 1.0 / gain - 2.0);
  return SampleOfValue(lower ? Blend<double>(e[IndexBefore(j)], v, w) : Blend<double>(v, e[IndexAfter(j)], w));
}

// The sample at `position`, in 0..1. `bias` and `gain` must lie strictly between 0 and 1 (the octave
// sum clamps them); a non-finite position reads the flat value of index 0.
double SampleNoise(const RandomTable& table, double bias, double gain, double halfFade, double position);

}  // namespace vek
