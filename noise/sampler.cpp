#include "noise/sampler.hpp"

#include <cmath>

namespace vek {

double SampleNoise(const RandomTable& table, double bias, double gain, double halfFade, double position) {
  return SampleNoiseWith(table, bias, gain, halfFade, position, [](double p) { return std::floor(p); });
}

}  // namespace vek
