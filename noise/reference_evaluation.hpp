#pragma once
// The octave sum written straight from its formulas, one scalar sample after another: the
// reference every fast kernel must match bit for bit, and the baseline they are timed against.
#include "noise/octave_sum.hpp"

namespace vek {

double ReferenceEvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x);

}  // namespace vek
