#include "noise/sampler.hpp"

#include <cmath>

namespace vek {

double BiasCurve(double t, double bias) {
  if (bias == 0.5) return t;
  return t / ((1.0 / bias - 2.0) * (1.0 - t) + 1.0);
}

double GainCurve(double u, double gain) {
  if (gain == 0.5) return u;
  const double m = (1.0 - 2.0 * u) * (1.0 / gain - 2.0);
  if (u < 0.5) return u / (m + 1.0);
  return (m - u) / (m - 1.0);
}

int32_t TableIndexOfCell(double cell) {
  if (cell >= -2147483648.0 && cell < 2147483648.0) return TableIndexOfInt32Cell(static_cast<int32_t>(cell));
  // fmod is exact; adding 9973 is adding 2 modulo 9971, which stays exact where f + 9973 would not.
  int32_t r = static_cast<int32_t>(std::fmod(cell, static_cast<double>(kIndexModulus)));
  if (cell < 0) r += kTableSize - kIndexModulus;
  r %= kIndexModulus;
  return r < 0 ? r + kIndexModulus : r;
}

double SampleNoise(const RandomTable& table, double bias, double gain, double halfFade, double position) {
  const int32_t* e = table.entries;
  if (!std::isfinite(position)) return static_cast<double>(e[0]) / kTableSize;
  const double cell = std::floor(position);
  const double d = position - cell;
  const int32_t j = TableIndexOfCell(cell);
  const double v = e[j];
  double result = v;
  if (!(halfFade > 0.0)) {
    // a plain step function
  } else if (d < halfFade) {
    const double t = 0.5 + 0.5 * d / halfFade;
    const double a = e[IndexBefore(j)];
    result = a + GainCurve(BiasCurve(t, bias), gain) * (v - a);
  } else if (d > 1.0 - halfFade) {
    const double t = 0.5 * (d - (1.0 - halfFade)) / halfFade;
    const double c = e[IndexAfter(j)];
    result = v + GainCurve(BiasCurve(t, bias), gain) * (c - v);
  }
  return result / kTableSize;
}

}  // namespace vek
