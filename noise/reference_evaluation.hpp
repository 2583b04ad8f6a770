#pragma once
// The octave sum written straight from its formulas, with the library's floor and the sampler out of
// line: the definition every fast kernel must match bit for bit (noise/plain_evaluation.hpp).
#include "noise/octave_sum.hpp"

namespace vek {

double ReferenceEvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x);

}  // namespace vek
