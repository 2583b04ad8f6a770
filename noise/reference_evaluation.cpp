#include "noise/reference_evaluation.hpp"

#include <cmath>

#include "noise/sampler.hpp"

namespace vek {
namespace {

// 2 * (SampleNoise(p) - 0.5) / k of octave n, with k = n^2 and p = k * (D(n) + x).
double OctaveTerm(const RandomTable& table, const NoiseSettings& s, int n, double x) {
  const double k = static_cast<double>(n * n);
  const double p = k * (table.entries[DisplacementIndex(n)] + x);
  return 2.0 * (SampleNoise(table, s.bias, s.gain, s.halfFade, p) - 0.5) / k;
}

}  // namespace

double ReferenceEvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x) {
  const NoiseSettings s = SafeNoiseSettings(settings);
  const int q = static_cast<int>(std::floor(s.octaves));
  const double frac = s.octaves - q;
  double sum = 0.0;
  if (frac != 0.0) sum = OctaveTerm(table, s, q + 1, x) * frac;
  for (int n = q; n >= 1; --n) sum = sum + OctaveTerm(table, s, n, x);
  return MapNoiseSum(sum, s);
}

}  // namespace vek
