#include "noise/reference_evaluation.hpp"

#include "noise/plain_evaluation.hpp"
#include "noise/sampler.hpp"

namespace vek {

double ReferenceEvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x) {
  const NoiseSettings s = SafeNoiseSettings(settings);
  return OctaveSumWith(table, s, x, [&](double p) { return SampleNoise(table, s.bias, s.gain, s.halfFade, p); });
}

}  // namespace vek
