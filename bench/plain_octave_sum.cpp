#include "bench/plain_octave_sum.hpp"

#include <cmath>

#include "noise/sampler.hpp"

namespace vek {

double PlainEvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x) {
  const NoiseSettings s = SafeNoiseSettings(settings);
  const int q = static_cast<int>(std::floor(s.octaves));
  const double frac = s.octaves - q;
  double sum = 0.0;
  if (frac != 0.0) {
    const int n = q + 1;
    const double k = static_cast<double>(n * n);
    const double p = k * (table.entries[n & 9972] + x);
    sum = (2.0 * (SampleNoise(table, s.bias, s.gain, s.halfFade, p) - 0.5) / k) * frac;
  }
  for (int n = q; n >= 1; --n) {
    const double k = static_cast<double>(n * n);
    const double p = k * (table.entries[n & 9972] + x);
    sum = sum + 2.0 * (SampleNoise(table, s.bias, s.gain, s.halfFade, p) - 0.5) / k;
  }
  return MapNoiseSum(sum, s);
}

}  // namespace vek
