// Every kernel of the octave sum gives exactly the bits of the plain scalar version.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "noise/octave_sum.hpp"
#include "noise/plain_evaluation.hpp"
#include "noise/reference_evaluation.hpp"
#include "noise/table_index.hpp"

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

// Base positions that put octave n's sample on a chosen place of a chosen cell, give or take two
// ulps: zone edges, the middle, cells of index 0, 9970 (whose upper zone reads entry 9971) and
// negative cells.
std::vector<double> EdgePositions(const RandomTable& table, double halfFade) {
  std::vector<double> xs;
  for (int n = 1; n <= 17; ++n) {
    const double k = n * n, displacement = table.entries[DisplacementIndex(n)];
    // Multiples of 9971 far out, too: there a remainder through a rounded quotient would be off by one.
    for (double cell : {0.0, 1.0, 9970.0, 9971.0, 9972.0, -1.0, -2.0, -3.0, -9973.0, -9974.0, -20000.0, 7e8,
                        2143765000.0, -2143765002.0, 99710000.0, -99710002.0, 2147483647.0, -2147483648.0}) {
      for (double d : {0.0, halfFade, 1.0 - halfFade, 0.5, 1e-9, 1.0 - 1e-9}) {
        double x = (cell + d) / k - displacement;
        for (int i = 0; i < 2; ++i) x = std::nextafter(x, -HUGE_VAL);
        for (int i = 0; i < 5; ++i, x = std::nextafter(x, HUGE_VAL)) xs.push_back(x);
      }
    }
  }
  return xs;
}

void CompareAtEdges(NoiseKernel kernel) {
  auto table = std::make_unique<RandomTable>();
  BuildRandomTable(*table, 42);
  std::mt19937 rng(5);
  std::vector<double> octaveCounts;
  for (int q = 0; q <= 17; ++q) octaveCounts.push_back(q);
  for (double fraction : {0.25, 0.5, 3.3, 7.75, 15.5, 16.5, 16.999}) octaveCounts.push_back(fraction);
  // Powers of two (a multiplication by the reciprocal) and others (a division).
  for (double halfFade : {0.0, 0.125, 0.5, 0.25, 0.3, 0.05, 0.4999999}) {
    const std::vector<double> xs = EdgePositions(*table, halfFade);
    for (double octaves : octaveCounts) {
      for (auto [bias, gain] : {std::pair{0.5, 0.5}, std::pair{0.3, 0.7}, std::pair{1e-05, 0.99999}}) {
        NoiseSettings s{octaves, -1, 1, halfFade, bias, gain, 0, 1};
        if (octaves == 3.3) s.noiseMax = 0.4;  // a range that is no power of two
        PreparedNoise prepared;
        PrepareNoise(s, prepared, kernel);
        std::vector<double> picked(300), many(300);
        for (double& x : picked) x = xs[rng() % xs.size()];
        EvaluatePreparedMany(*table, prepared, picked.data(), many.data(), static_cast<int>(picked.size()));
        for (size_t i = 0; i < picked.size(); ++i) {
          const double reference = ReferenceEvaluateNoise(*table, s, picked[i]);
          ASSERT_EQ(Bits(EvaluatePrepared(*table, prepared, picked[i])), Bits(reference))
              << "x " << picked[i] << " octaves " << octaves << " halfFade " << halfFade << " bias " << bias;
          ASSERT_EQ(Bits(many[i]), Bits(reference)) << "several at once: x " << picked[i] << " octaves " << octaves;
        }
      }
    }
  }
}

TEST(FastPath, EveryKernelMatchesAtZoneEdgesAndSpecialCells) {
  CompareAtEdges(NoiseKernel::kScalar);
  CompareAtEdges(NoiseKernel::kSse2);
  if (CpuHasAvx()) CompareAtEdges(NoiseKernel::kAvx);
}

// What a build keeps for the flat cells is what the formulas compute from the entry.
TEST(FastPath, FlatNumeratorsAreTheTermNumeratorsOfTheEntries) {
  auto table = std::make_unique<RandomTable>();
  for (uint32_t seed : {42u, 1u}) {
    BuildRandomTable(*table, seed);
    for (int j = 0; j < kTableSize; ++j) {
      ASSERT_EQ(Bits(table->flatNumerators[j]), Bits(2.0 * (table->entries[j] / 9973.0 - 0.5))) << j;
    }
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
