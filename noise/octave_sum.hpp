#pragma once
// The octave sum of samples, mapped through the noise range into the output range.
#include "noise/random_table.hpp"

namespace vek {

struct NoiseSettings {
  double octaves;   // whole part: full octaves; fraction: weight of one extra octave
  double noiseMin;  // range of the octave sum that maps onto 0..1
  double noiseMax;
  double halfFade;  // "Fade" * 0.5
  double bias;
  double gain;
  double outputMin;
  double outputMax;
};

// Exchanges noiseMin and noiseMax when noiseMin is strictly greater; once per computation.
void OrderNoiseRange(NoiseSettings& settings);

// The output value at base position x. Settings outside what a host should send are brought into
// safe bounds first: octaves into 0..17 (NaN as 0), bias and gain into the widest declared range
// 1e-05..0.99999 (NaN as 0.5). Values inside the declared ranges are used exactly as given.
double EvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x);

}  // namespace vek
