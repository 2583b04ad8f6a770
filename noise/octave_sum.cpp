#include "noise/octave_sum.hpp"

#include <cmath>
#include <utility>

#include "noise/sampler.hpp"

namespace vek {
namespace {

// 16 declared octaves plus one fractional octave is the most the algorithm reaches (octave 17);
// beyond it the work and k = n^2 would grow without bound.
constexpr double kMaxOctaves = 17.0;
// The declared bounds as the host stores them (single precision), so in-range values pass unchanged.
constexpr double kMinShaping = static_cast<double>(1e-05f);
constexpr double kMaxShaping = static_cast<double>(0.99999f);

double ClampShaping(double value) {
  if (std::isnan(value)) return 0.5;
  return value < kMinShaping ? kMinShaping : (value > kMaxShaping ? kMaxShaping : value);
}

double ClampOctaves(double octaves) {
  if (!(octaves > 0.0)) return 0.0;  // negative and NaN
  return octaves > kMaxOctaves ? kMaxOctaves : octaves;
}

// Displacement of octave n: the entry at n AND 9972 (a bit mask, not a remainder).
double Displacement(const RandomTable& table, int n) { return table.entries[n & (kTableSize - 1)]; }

}  // namespace

void OrderNoiseRange(NoiseSettings& settings) {
  if (settings.noiseMin > settings.noiseMax) std::swap(settings.noiseMin, settings.noiseMax);
}

double EvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x) {
  const double octaves = ClampOctaves(settings.octaves);
  const double bias = ClampShaping(settings.bias);
  const double gain = ClampShaping(settings.gain);
  const double halfFade = settings.halfFade;

  const int q = static_cast<int>(std::floor(octaves));
  const double frac = octaves - q;
  double sum = 0.0;
  if (frac != 0.0) {
    const int n = q + 1;
    const double k = static_cast<double>(n * n);
    const double p = k * (Displacement(table, n) + x);
    sum = (2.0 * (SampleNoise(table, bias, gain, halfFade, p) - 0.5) / k) * frac;
  }
  for (int n = q; n >= 1; --n) {
    const double k = static_cast<double>(n * n);
    const double p = k * (Displacement(table, n) + x);
    sum = sum + 2.0 * (SampleNoise(table, bias, gain, halfFade, p) - 0.5) / k;
  }

  double b;
  if (sum < settings.noiseMin) {
    b = 0.0;
  } else if (sum >= settings.noiseMax) {
    b = 1.0;
  } else {
    b = (sum - settings.noiseMin) / (settings.noiseMax - settings.noiseMin);
  }
  return b * (settings.outputMax - settings.outputMin) + settings.outputMin;
}

}  // namespace vek
