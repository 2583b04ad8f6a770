// The runner's own floor, ceil and fmod, which the modules' rare paths call: bit for bit the C
// library's, for every kind of double, in every rounding mode.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "tools/release_runner/guest/exact_math.hpp"

namespace {

uint64_t Bits(double x) {
  uint64_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}

// Random bit patterns (every exponent, subnormals, NaNs), whole numbers and halves around the
// int32 and 2^52 limits, signed zeros and infinities.
std::vector<double> Values() {
  std::vector<double> v = {0.0, -0.0, 0.5, -0.5, 1.0, -1.0, 2147483648.5, -2147483649.5, 4503599627370495.5,
                           -4503599627370495.5, 4503599627370496.0, 9007199254740993.0, 1e300, -1e300, 5e-324,
                           -5e-324, 2.2250738585072014e-308, std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                           997300.0, -997301.0, 3.4028234663852886e38};
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) {
    uint64_t u = rng();
    double d;
    std::memcpy(&d, &u, sizeof d);
    v.push_back(d);
    v.push_back(std::ldexp(static_cast<double>(static_cast<int64_t>(rng() >> 8)) / 4.0, static_cast<int>(rng() % 60) - 30));
  }
  return v;
}

void ExpectSame(double got, double want, const char* what, double x, double y = 0) {
  if (std::isnan(want)) {
    EXPECT_TRUE(std::isnan(got)) << what << "(" << x << ", " << y << ")";
  } else {
    EXPECT_EQ(Bits(got), Bits(want)) << what << "(" << x << ", " << y << ") = " << got << ", expected " << want;
  }
}

// The library's own results in round-to-nearest: some of its floors give -0 for 0.5 when rounding
// down, which ours must not copy.
TEST(ReleaseRunnerMath, FloorAndCeilMatchTheLibraryInEveryRoundingMode) {
  const std::vector<double> values = Values();
  std::vector<double> floors, ceils;
  for (double x : values) floors.push_back(std::floor(x)), ceils.push_back(std::ceil(x));
  for (int mode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
    std::fesetround(mode);
    for (size_t i = 0; i < values.size(); ++i) {
      ExpectSame(runner::ExactFloor(values[i]), floors[i], "floor", values[i]);
      ExpectSame(runner::ExactCeil(values[i]), ceils[i], "ceil", values[i]);
    }
    std::fesetround(FE_TONEAREST);
  }
}

TEST(ReleaseRunnerMath, FmodMatchesTheLibrary) {
  const std::vector<double> values = Values();
  std::mt19937 rng(11);
  for (size_t i = 0; i < values.size(); ++i) {
    const double x = values[i];
    for (double y : {997300.0, 1.0, -0.1, values[rng() % values.size()], values[(i * 7919) % values.size()]}) {
      ExpectSame(runner::ExactFmod(x, y), std::fmod(x, y), "fmod", x, y);
    }
  }
}

}  // namespace
