#pragma once
// The arithmetic of one octave's term, written once for scalar code (T = double) and lane code (T a
// vector of doubles): the same IEEE operations in the same order wherever a term is computed.
// Internal linkage: the AVX source includes this too, and a copy compiled there must never stand
// in for the others at link time.
#include <cstdint>

#include "noise/random_table.hpp"

namespace vek {
namespace {

// A cell's value (an entry, or the blend of two) as a sample in 0..1.
template <typename T>
inline T SampleOfValue(T value) {
  return value / static_cast<double>(kTableSize);
}

// 2 * (sample - 0.5): an octave's term is this divided by k = n^2.
template <typename T>
inline T TermNumerator(T sample) {
  return 2.0 * (sample - 0.5);
}

inline double FlatNumerator(int32_t entry) { return TermNumerator(SampleOfValue(static_cast<double>(entry))); }

// The place t of a queued zone sample: `base` (0.5 below a boundary, 0 above) plus `num` (0.5 * d,
// or 0.5 * (d - (1 - halfFade))) divided by halfFade, as the multiplication by its reciprocal
// where that is exact.
template <typename T>
inline T ZoneT(T base, T num, bool byReciprocal, double reciprocal, double halfFade) {
  return base + (byReciprocal ? num * reciprocal : num / halfFade);
}

// The shaped weight w = GainCurve(BiasCurve(t)), with the factors 1/bias - 2 and 1/gain - 2; an
// unbiased (0.5) curve is skipped, as the curves skip it.
template <typename T>
inline T ShapedWeight(T t, bool biased, double biasFactor, bool gained, double gainFactor) {
  if (biased) t = t / (biasFactor * (1.0 - t) + 1.0);
  if (gained) {
    const T m = (1.0 - 2.0 * t) * gainFactor;
    const auto below = t < 0.5;
    t = (below ? t : m - t) / (below ? m + 1.0 : m - 1.0);
  }
  return t;
}

// A transition's value: from `from` (the entry across the boundary) towards `to` by the weight.
template <typename T>
inline T Blend(T from, T to, T w) {
  return from + w * (to - from);
}

}  // namespace
}  // namespace vek
