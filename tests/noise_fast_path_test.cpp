// Every kernel of the octave sum gives exactly the bits of the plain scalar version.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "noise/plain_evaluation.hpp"
#include "noise/reference_evaluation.hpp"
#include "noise/octave_sum.hpp"

namespace vek {
namespace {

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

bool CpuHasAvx() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx");
}

// Settings and positions spread over every branch: fractional octaves, no fade, overlapping
// zones, shaped and unshaped transitions, out-of-range cells and non-finite positions.
void CompareKernels(NoiseKernel kernel, int values) {
  auto table = std::make_unique<RandomTable>();
  std::mt19937_64 rng(2024);
  std::uniform_real_distribution<double> unit(0, 1);
  auto pick = [&](std::initializer_list<double> v) { return *(v.begin() + rng() % v.size()); };
  int compared = 0;
  for (uint32_t seed : {42u, 7u, 0u}) {
    BuildRandomTable(*table, seed);
    while (compared < values * (seed == 0 ? 3 : seed == 7 ? 2 : 1) / 3) {
      NoiseSettings s;
      s.octaves = pick({0, 0.5, 1, 2, 3.3, 8, 15.75, 16, 16.5, 17, unit(rng) * 17});
      s.halfFade = pick({0, 0.125, 0.5, 0.05, 1e-9, 0.7, unit(rng) * 0.5});
      s.bias = pick({0.5, 0.3, 1e-05, 0.99999, unit(rng)});
      s.gain = pick({0.5, 0.7, 1e-05, 0.99999, unit(rng)});
      s.noiseMin = pick({-1, -0.3, 0.2});
      s.noiseMax = pick({1, 0.4, 0.2});
      s.outputMin = pick({0, -5});
      s.outputMax = pick({1, 1000});
      OrderNoiseRange(s);
      PreparedNoise prepared;
      PrepareNoise(s, prepared, kernel);
      double xs[203], many[203];
      for (double& x : xs) x = pick({1.0, 1.0, 100.0, 1e4, 3e7, 1e9, 1e15}) * (unit(rng) - 0.3);
      xs[77] = HUGE_VAL;
      EvaluatePreparedMany(*table, prepared, xs, many, 203);  // several values at once, as the array fill
      for (int i = 0; i < 203; ++i, ++compared) {
        const double plain = ReferenceEvaluateNoise(*table, s, xs[i]);
        const double fast = EvaluatePrepared(*table, prepared, xs[i]);
        ASSERT_EQ(Bits(fast), Bits(plain)) << "x " << xs[i] << " octaves " << s.octaves << " halfFade " << s.halfFade
                                           << " bias " << s.bias << " gain " << s.gain;
        ASSERT_EQ(Bits(many[i]), Bits(plain)) << "several at once: x " << xs[i] << " octaves " << s.octaves;
      }
      for (double x : {HUGE_VAL, -HUGE_VAL, std::nan(""), 2147483647.5, -2147483648.5}) {
        ASSERT_EQ(Bits(EvaluatePrepared(*table, prepared, x)), Bits(ReferenceEvaluateNoise(*table, s, x))) << x;
      }
    }
  }
}

// The speed baseline must compute what the plug-ins compute, or its ratios compare different work.
TEST(FastPath, PlainBaselineGivesTheReferenceBits) {
  auto table = std::make_unique<RandomTable>();
  BuildRandomTable(*table, 42);
  std::mt19937_64 rng(77);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 200000; ++i) {
    NoiseSettings s{unit(rng) * 17, -1, 1, i % 5 == 0 ? 0.0 : unit(rng) * 0.5, 1e-05 + unit(rng) * 0.99998,
                    i % 3 == 0 ? 0.5 : 1e-05 + unit(rng) * 0.99998, 0, 1};
    const double x = (i % 7 == 0 ? 1e12 : 1e4) * (unit(rng) - 0.5);
    ASSERT_EQ(Bits(PlainEvaluateNoise(*table, s, x)), Bits(ReferenceEvaluateNoise(*table, s, x))) << x;
  }
  for (double x : {HUGE_VAL, -HUGE_VAL, std::nan(""), 2147483647.5, -2147483648.5, -0.0, -1e-300}) {
    const NoiseSettings s{16.5, -1, 1, 0.125, 0.3, 0.7, 0, 1};
    ASSERT_EQ(Bits(PlainEvaluateNoise(*table, s, x)), Bits(ReferenceEvaluateNoise(*table, s, x))) << x;
  }
}

TEST(FastPath, ScalarKernelMatchesThePlainVersion) { CompareKernels(NoiseKernel::kScalar, 200000); }
TEST(FastPath, Sse2KernelMatchesThePlainVersion) { CompareKernels(NoiseKernel::kSse2, 1000000); }
TEST(FastPath, AvxKernelMatchesThePlainVersion) {
  if (!CpuHasAvx()) GTEST_SKIP() << "this CPU has no AVX";
  CompareKernels(NoiseKernel::kAvx, 1000000);
}

}  // namespace
}  // namespace vek
