// The octave sum, the noise range and the output mapping.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

#include "noise/octave_sum.hpp"
#include "noise/sampler.hpp"
#include "noise/table_index.hpp"

namespace vek {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

NoiseSettings Defaults() {
  NoiseSettings s{};
  s.octaves = 1;
  s.noiseMin = -1;
  s.noiseMax = 1;
  s.halfFade = 0.125;
  s.bias = 0.5;
  s.gain = 0.5;
  s.outputMin = 0;
  s.outputMax = 1;
  return s;
}

class OctaveSum : public ::testing::Test {
 protected:
  void SetUp() override { BuildRandomTable(*table, 42); }
  // One octave term as the algorithm adds it, without the fraction weight.
  double Term(const NoiseSettings& s, int n, double x) const {
    const double k = n * n;
    const double p = k * (table->entries[DisplacementIndex(n)] + x);
    return 2.0 * (SampleNoise(*table, s.bias, s.gain, s.halfFade, p) - 0.5) / k;
  }
  double Eval(const NoiseSettings& s, double x) const { return EvaluateNoise(*table, s, x); }
  std::unique_ptr<RandomTable> table = std::make_unique<RandomTable>();
};

TEST_F(OctaveSum, OctaveCountsAndWeights) {
  NoiseSettings s = Defaults();
  s.octaves = 0;
  EXPECT_EQ(Eval(s, 12.3), 0.5);
  s.outputMin = -4;
  s.outputMax = 10;
  EXPECT_EQ(Eval(s, 12.3), 3.0);

  s = Defaults();
  s.octaves = 0.5;  // octave 1 alone, at half weight
  EXPECT_EQ(Eval(s, 2.3), ((Term(s, 1, 2.3) * 0.5) + 1) / 2);

  s.octaves = 3;  // 3, 2, 1 in that order, all displaced by entry 0
  const double sum3 = ((0.0 + Term(s, 3, 2.3)) + Term(s, 2, 2.3)) + Term(s, 1, 2.3);
  EXPECT_EQ(Eval(s, 2.3), (sum3 + 1) / 2);

  s.octaves = 16.5;  // the fractional octave 17 first, displaced by entry 16
  double sum = Term(s, 17, 0.7) * 0.5;
  for (int n = 16; n >= 1; --n) sum = sum + Term(s, n, 0.7);
  EXPECT_EQ(Eval(s, 0.7), (sum + 1) / 2);
}

TEST_F(OctaveSum, DisplacementIsABitMask) {
  // Octaves 4..7 read entry 4, octaves 16 and 17 entry 16: a change of those entries moves them.
  NoiseSettings s = Defaults();
  s.octaves = 4;
  const double before = Eval(s, 0.3);
  table->entries[4] += 1;
  EXPECT_NE(Eval(s, 0.3), before);
  s.octaves = 3;
  const double three = Eval(s, 0.3);
  table->entries[4] -= 2;
  EXPECT_EQ(Eval(s, 0.3), three);
}

TEST_F(OctaveSum, NoiseRangeAndOutputMapping) {
  NoiseSettings s = Defaults();
  s.octaves = 2;
  const double x = 17.42;
  const double raw = Term(s, 2, x) + Term(s, 1, x);

  NoiseSettings flat = s;  // equal bounds: a threshold, never a division by zero
  flat.noiseMin = flat.noiseMax = raw;
  EXPECT_EQ(Eval(flat, x), 1.0);
  flat.noiseMin = flat.noiseMax = std::nextafter(raw, 2.0);
  EXPECT_EQ(Eval(flat, x), 0.0);

  NoiseSettings swapped = s;
  swapped.noiseMin = 1;
  swapped.noiseMax = -1;
  OrderNoiseRange(swapped);
  EXPECT_EQ(swapped.noiseMin, -1);
  EXPECT_EQ(Eval(swapped, x), Eval(s, x));

  NoiseSettings inverted = s;  // the output range is not reordered
  inverted.outputMin = 1;
  inverted.outputMax = 0;
  EXPECT_EQ(Eval(inverted, x), ((raw + 1) / 2) * (0.0 - 1.0) + 1.0);
}

TEST_F(OctaveSum, SettingsBeyondTheDeclaredRangesStaySafe) {
  NoiseSettings s = Defaults();
  NoiseSettings zero = s;
  zero.octaves = 0;
  for (double o : {-0.5, -1e30, std::nan(""), -kInf}) {
    s.octaves = o;
    EXPECT_EQ(Eval(s, 3.3), Eval(zero, 3.3)) << o;
  }
  NoiseSettings seventeen = s;
  seventeen.octaves = 17;
  for (double o : {17.5, 1e9, kInf}) {
    s.octaves = o;
    EXPECT_EQ(Eval(s, 3.3), Eval(seventeen, 3.3)) << o;
  }

  s = Defaults();
  s.halfFade = 0.5;
  NoiseSettings plain = s;
  for (double b : {0.0, 1.0, -3.0, 7.0, std::nan(""), kInf}) {
    s.bias = b;
    s.gain = b;
    for (double x : {0.01, 0.99, 5.5}) EXPECT_TRUE(std::isfinite(Eval(s, x))) << b << " at " << x;
  }
  s.bias = s.gain = std::nan("");
  EXPECT_EQ(Eval(s, 0.05), Eval(plain, 0.05));  // NaN shaping is no shaping
  // The declared single-precision bounds are used as they are.
  s.bias = static_cast<double>(1e-05f);
  s.gain = static_cast<double>(0.99999f);
  // Position 1.0625 after the displacement by entry 0: cell 1, lower zone, t = 0.5625.
  const double e0 = table->entries[0], e1 = table->entries[1];
  const double w = GainCurve(BiasCurve(0.5625, s.bias), s.gain);
  EXPECT_EQ(Eval(s, 1.0625 - e0), ((2.0 * ((e0 + w * (e1 - e0)) / 9973 - 0.5) / 1.0) + 1) / 2);
}

TEST_F(OctaveSum, FiniteInFiniteOut) {
  std::mt19937_64 rng(12345);
  auto pick = [&](std::initializer_list<double> v) { return *(v.begin() + rng() % v.size()); };
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 20000; ++i) {
    NoiseSettings s;
    s.octaves = pick({0, 0.5, 1, 3.25, 16, 16.999, 17, 1e9, -2}) ;
    s.noiseMin = pick({-2, -1, 0, 0.4, 2, -3e38});
    s.noiseMax = pick({-2, 1, 0, 0.4, 2, 3e38});
    s.halfFade = pick({0, 1e-300, 1e-17, 0.1, 0.5, 0.6, 1e30}) * unit(rng);
    s.bias = pick({1e-05, 0.5, 0.99999, 0, 1, 123}) ;
    s.gain = pick({1e-05, 0.5, 0.99999, 0, 1, -5});
    s.outputMin = pick({0, -3.4028234663852886e38, 1});
    s.outputMax = pick({1, 3.4028234663852886e38, -7});
    OrderNoiseRange(s);
    const double x = pick({1, 1e6, 1e9, 1e17, 1e300, 1.7e308}) * (unit(rng) - 0.5);
    const double v = Eval(s, x);
    ASSERT_TRUE(std::isfinite(v)) << "octaves " << s.octaves << " fade " << s.halfFade << " bias " << s.bias
                                  << " gain " << s.gain << " x " << x;
  }
}

}  // namespace
}  // namespace vek
