#pragma once
// The octave sum written straight from its formulas, one scalar sample after another: the
// baseline the fast path is measured against, and the reference it must match bit for bit.
#include "noise/octave_sum.hpp"

namespace vek {

double PlainEvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x);

}  // namespace vek
