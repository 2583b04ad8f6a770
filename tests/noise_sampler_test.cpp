// The sampler: cell indexing, transition zones and the shaping curves.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "noise/random_table.hpp"
#include "noise/sampler.hpp"

namespace vek {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

class Sampler : public ::testing::Test {
 protected:
  void SetUp() override { BuildRandomTable(*table, 42); }
  double E(int j) const { return table->entries[j]; }
  double At(double position, double halfFade = 0.0, double bias = 0.5, double gain = 0.5) const {
    return SampleNoise(*table, bias, gain, halfFade, position);
  }
  std::unique_ptr<RandomTable> table = std::make_unique<RandomTable>();
};

TEST(ShapingCurves, ReferenceValues) {
  EXPECT_EQ(BiasCurve(0.25, 0.25), 0.1);
  EXPECT_EQ(GainCurve(0.25, 0.25), 0.125);
  EXPECT_EQ(GainCurve(0.75, 0.25), 0.875);
  for (double g : {1e-05, 0.1, 0.25, 0.5, 0.7, 0.99999}) EXPECT_EQ(GainCurve(0.5, g), 0.5) << g;
  for (double b : {1e-05, 0.1, 0.25, 0.3, 0.5, 0.7, 0.99999}) EXPECT_DOUBLE_EQ(BiasCurve(0.5, b), b) << b;
  // 0.5 is exactly "no shaping"; NaN takes the shaping branch.
  EXPECT_EQ(BiasCurve(0.3, 0.5), 0.3);
  EXPECT_TRUE(std::isnan(BiasCurve(0.3, std::nan(""))));
}

TEST_F(Sampler, WithoutFadeEachCellIsItsEntry) {
  for (double d : {0.0, 0.25, 0.5, 0.999}) {
    EXPECT_EQ(At(3 + d), E(3) / 9973);
    EXPECT_EQ(At(3 + d, -0.1), E(3) / 9973);  // a negative fade is no fade
  }
  EXPECT_EQ(At(9971.25), At(0.25));  // index 0 again
  EXPECT_EQ(At(-0.5), E(1) / 9973);
  EXPECT_EQ(At(-1.5), E(0) / 9973);
  EXPECT_EQ(At(-2.5), E(9970) / 9973);
  EXPECT_EQ(At(9970.5), E(9970) / 9973);
}

TEST_F(Sampler, TransitionZones) {
  // At a boundary without shaping: the mean of the two neighbours.
  EXPECT_EQ(At(5.0, 0.25), (E(4) + E(5)) / 2 / 9973);
  // The middle zone is the cell's own value whatever the shaping.
  for (double d : {0.25, 0.5, 0.75}) EXPECT_EQ(At(5 + d, 0.25, 0.3, 0.8), E(5) / 9973) << d;
  // With fade 1 the zones meet in the middle; the middle itself is in neither.
  EXPECT_EQ(At(5.5, 0.5, 0.2, 0.9), E(5) / 9973);
  // A straight ramp without shaping: a quarter of the way into the lower zone.
  EXPECT_EQ(At(5.0625, 0.25), (E(4) + 0.625 * (E(5) - E(4))) / 9973);
  // Upper zone, half-way to the boundary.
  EXPECT_EQ(At(5.875, 0.25), (E(5) + 0.25 * (E(6) - E(5))) / 9973);
  // Shaped: bias first, then gain.
  const double w = GainCurve(BiasCurve(0.75, 0.3), 0.8);
  EXPECT_EQ(At(5.125, 0.25, 0.3, 0.8), (E(4) + w * (E(5) - E(4))) / 9973);
}

TEST_F(Sampler, CellBeforeIndexZeroIsIndex9970) {
  EXPECT_EQ(At(0.0, 0.25), (E(9970) + E(0)) / 2 / 9973);
  EXPECT_EQ(At(9971.0, 0.25), At(0.0, 0.25));
  // The blend starts from the flat value of cell 9970, the cell before in the cycle.
  EXPECT_EQ(At(9971.0 + 0.0625, 0.25), (E(9970) + 0.625 * (E(0) - E(9970))) / 9973);
}

TEST(CellIndex, AgreesWithTheInt32RuleAndExtendsItExactly) {
  auto reference = [](int64_t f) {
    if (f < 0) f += 9973;
    return static_cast<int32_t>(((f % 9971) + 9971) % 9971);
  };
  const int64_t cells[] = {0, 1, -1, -2, -3, 9970, 9971, -9973, -9974, -9975, 2147483647, -2147483648LL,
                           2147483648LL, -2147483649LL, 1LL << 40, -(1LL << 40) - 7, (1LL << 52) + 1, -(1LL << 52) - 3,
                           1000000LL * 289 * 16, -1000000LL * 289 * 16};
  for (int64_t f : cells) EXPECT_EQ(TableIndexOfCell(static_cast<double>(f)), reference(f)) << f;
  for (double big : {1e17, -1e17, 1e300, -1e300, 0x1p1023, -0x1p1023}) {
    const int32_t j = TableIndexOfCell(big);
    EXPECT_GE(j, 0);
    EXPECT_LE(j, 9970);
  }
  // Beyond 2^53 adding 9973 would round; the exact rule: (-2^60 mod 9971 + 2) mod 9971.
  const int64_t m = (-(1LL << 60)) % 9971;
  EXPECT_EQ(TableIndexOfCell(-0x1p60), static_cast<int32_t>(((m + 2) % 9971 + 9971) % 9971));
}

TEST_F(Sampler, NonFiniteAndHugePositionsStayInTheTable) {
  for (double p : {kInf, -kInf, std::nan("")}) EXPECT_EQ(At(p, 0.25, 0.3, 0.7), E(0) / 9973);
  for (double p : {3e9, -3e9, 1e17, -1e300, 1.7e308}) {
    const double s = At(p, 0.5, 1e-05, 0.99999);
    EXPECT_TRUE(s >= 0 && s < 1) << p;
  }
}

}  // namespace
}  // namespace vek
