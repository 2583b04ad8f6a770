#pragma once
// The octave sum of samples, mapped through the noise range into the output range.
#include <cstdint>

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

// Settings outside what a host should send, brought into safe bounds: octaves into 0..17 (NaN as
// 0), bias and gain into the widest declared range 1e-05..0.99999 (NaN as 0.5). Values inside the
// declared ranges come back exactly as given.
NoiseSettings SafeNoiseSettings(const NoiseSettings& settings);

enum class NoiseKernel : uint8_t { kAuto, kScalar, kSse2, kAvx };

// What one computation derives once from its settings, for the many values it evaluates.
struct PreparedNoise {
  NoiseSettings settings;  // safe and ordered
  int32_t wholeOctaves;    // q
  double frac;             // weight of octave q + 1; 0 when there is none
  int32_t samples;         // q, or q + 1 with a fraction
  bool shaped;             // halfFade > 0: transition zones exist
  bool biased;             // bias != 0.5
  bool gained;             // gain != 0.5
  double biasFactor;       // 1/bias - 2
  double gainFactor;       // 1/gain - 2
  double upperEdge;        // 1 - halfFade
  NoiseKernel kernel;      // never kAuto once prepared
};

// `settings` must already be ordered (OrderNoiseRange). kAuto takes the fastest kernel this CPU
// runs; every kernel gives the same bits.
void PrepareNoise(const NoiseSettings& settings, PreparedNoise& prepared, NoiseKernel kernel = NoiseKernel::kAuto);
double EvaluatePrepared(const RandomTable& table, const PreparedNoise& prepared, double x);

// out[i] = EvaluatePrepared(table, prepared, xs[i]) for i < n, several values at once where the
// kernel allows.
void EvaluatePreparedMany(const RandomTable& table, const PreparedNoise& prepared, const double* xs, double* out, int n);

// The octave sum through the noise range into 0..1, then into the output range.
inline double MapNoiseSum(double sum, const NoiseSettings& s) {
  // The tests run in this order, so equal bounds never divide by zero.
  double b;
  if (sum < s.noiseMin) {
    b = 0.0;
  } else if (sum >= s.noiseMax) {
    b = 1.0;
  } else {
    b = (sum - s.noiseMin) / (s.noiseMax - s.noiseMin);
  }
  return b * (s.outputMax - s.outputMin) + s.outputMin;
}

// The output value at base position x: PrepareNoise and EvaluatePrepared in one call.
double EvaluateNoise(const RandomTable& table, const NoiseSettings& settings, double x);

}  // namespace vek
