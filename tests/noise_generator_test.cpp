// The generator and the table, against the values of the reference sequence.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <cstring>
#include <memory>
#include <vector>

#include "noise/mersenne_twister.hpp"
#include "noise/random_table.hpp"

namespace vek {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<uint32_t> FirstTemperedWords(uint32_t seed, int count) {
  MtState s{};
  MtSeed(s, seed);
  std::vector<uint32_t> out;
  for (int i = 0; i < count; ++i) out.push_back(MtTemper(s.words[kMtWordCount - 1 - i]));
  return out;
}

// Inverse of the tempering, to plant chosen tempered words in a state.
uint32_t Untemper(uint32_t y) {
  y ^= y >> 18;
  y ^= (y << 15) & 0xefc60000u;
  uint32_t x = y;
  for (int i = 0; i < 5; ++i) x = y ^ ((x << 7) & 0x9d2c5680u);
  y = x;
  x = y;
  for (int i = 0; i < 3; ++i) x = y ^ (x >> 11);
  return x;
}

std::unique_ptr<RandomTable> TableFor(uint32_t seed) {
  auto t = std::make_unique<RandomTable>();
  BuildRandomTable(*t, seed);
  return t;
}

TEST(Generator, TemperedWordsMatchTheReferenceSequence) {
  EXPECT_EQ(FirstTemperedWords(42, 10),
            (std::vector<uint32_t>{2205006796u, 3208168527u, 586715585u, 3233417973u, 3127938119u, 3869566720u,
                                   2836227433u, 194929237u, 4217175219u, 939366909u}));
  const std::vector<uint32_t> defaultSeed{3510405877u, 4290933890u, 2191955339u};
  EXPECT_EQ(FirstTemperedWords(0, 3), defaultSeed);
  EXPECT_EQ(FirstTemperedWords(4357, 3), defaultSeed);
  EXPECT_EQ(FirstTemperedWords(1, 3), (std::vector<uint32_t>{3796174982u, 4182529786u, 2180050607u}));
}

TEST(Generator, DoublesAreExactAndRestartWithTheSeed) {
  const double expected[] = {0.513393151747752, 0.13660536747259058, 0.7282798457660139, 0.6603606587847195,
                             0.9818876206918418};
  EXPECT_EQ(expected[0], 2205006796.0 * 0x1p-32 + 3208168527.0 * 0x1p-64);
  MtState s{};
  for (int round = 0; round < 2; ++round) {
    MtSeed(s, 42);
    for (double e : expected) EXPECT_EQ(MtDrawDouble(s), e);
  }
}

TEST(Generator, RefreshesExactlyAtTheEndOfTheVector) {
  MtState s{};
  MtSeed(s, 42);
  for (int i = 0; i < 312; ++i) MtDrawDouble(s);
  EXPECT_EQ(s.remaining, 0);
  MtDrawDouble(s);
  EXPECT_EQ(s.remaining, 622);
}

TEST(Generator, UnseededRefreshSeedsWithTheDefault) {
  MtState a{}, b{};
  MtRefresh(a);
  MtSeed(b, 4357);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST(Generator, DrawRoundsToOneOnlyAtTheTop) {
  auto drawOf = [](uint32_t t1, uint32_t t2) {
    MtState s{};
    MtSeed(s, 1);
    s.words[1] = Untemper(t1);
    s.words[0] = Untemper(t2);
    s.remaining = 2;
    return MtDrawDouble(s);
  };
  EXPECT_EQ(Untemper(MtTemper(0x12345678u)), 0x12345678u);
  EXPECT_EQ(drawOf(0xFFFFFFFFu, 0xFFFFFC00u), 1.0);
  EXPECT_EQ(drawOf(0xFFFFFFFFu, 0xFFFFFFFFu), 1.0);
  EXPECT_EQ(drawOf(0xFFFFFFFFu, 0xFFFFFBFFu), std::nextafter(1.0, 0.0));
}

TEST(RandomTable, Seed42) {
  auto t = TableFor(42);
  const int32_t first[] = {5120, 1362, 7263, 6585, 9792, 8544, 2003, 7812,
                           9707, 8341, 2846, 3909, 3759, 1252, 7926, 9776};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(t->entries[i], first[i]) << "entry " << i;
  const int32_t last[] = {4709, 3662, 4144, 9688, 9179};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t->entries[9968 + i], last[i]) << "entry " << 9968 + i;
  int64_t sum = 0;
  int zeros = 0, tops = 0, below = 0, above = 0;
  for (int32_t e : t->entries) {
    sum += e;
    zeros += e == 0;
    tops += e == 9972;
    below += e < 0;
    above += e > 9972;
  }
  EXPECT_EQ(sum, 50179153);
  EXPECT_EQ(zeros, 2);
  EXPECT_EQ(tops, 1);
  EXPECT_EQ(below + above, 0);
  EXPECT_EQ(t->lastSeed, 42u);
}

TEST(RandomTable, OtherSeedsStartAsTheReference) {
  auto starts = [](uint32_t seed) {
    auto t = TableFor(seed);
    return std::vector<int32_t>(t->entries, t->entries + 6);
  };
  const std::vector<int32_t> defaultTable{8151, 5089, 353, 6240, 4096, 9782};
  EXPECT_EQ(starts(0), defaultTable);
  EXPECT_EQ(starts(4357), defaultTable);
  EXPECT_EQ(starts(SeedFromParameter(-1.5)), (std::vector<int32_t>{4132, 375, 2187, 3957, 3115, 985}));
  EXPECT_EQ(starts(SeedFromParameter(4294967808.0)), (std::vector<int32_t>{7412, 6477, 2199, 4785, 1640, 667}));
}

TEST(RandomTable, SeedFromParameter) {
  EXPECT_EQ(SeedFromParameter(42.0), 42u);
  EXPECT_EQ(SeedFromParameter(42.9), 42u);
  EXPECT_EQ(SeedFromParameter(-1.5), 4294967295u);
  EXPECT_EQ(SeedFromParameter(-0.5), 0u);
  EXPECT_EQ(SeedFromParameter(4294967296.0), 0u);
  EXPECT_EQ(SeedFromParameter(4294967808.0), 512u);
  EXPECT_EQ(SeedFromParameter(static_cast<double>(3.4028235e38f)), 0u);
  EXPECT_EQ(SeedFromParameter(static_cast<double>(-3.4028235e38f)), 0u);
  EXPECT_EQ(SeedFromParameter(9223372036854775808.0), 0u);
  EXPECT_EQ(SeedFromParameter(-9223372036854775808.0), 0u);
  EXPECT_EQ(SeedFromParameter(9223372036854774784.0), 0xFFFFFC00u);  // largest double below 2^63
  EXPECT_EQ(SeedFromParameter(std::nan("")), 0u);
  EXPECT_EQ(SeedFromParameter(kInf), 0u);
}

TEST(RandomTable, RebuildsOnlyWhenTheSeedChanges) {
  auto t = std::make_unique<RandomTable>();
  // A fresh object holds lastSeed 0, yet its first request for seed 0 must build.
  BuildRandomTable(*t, 0);
  EXPECT_EQ(t->entries[0], 8151);

  auto before = std::make_unique<RandomTable>(*t);
  BuildRandomTable(*t, SeedFromParameter(0.7));
  EXPECT_EQ(std::memcmp(t.get(), before.get(), sizeof(RandomTable)), 0) << "same seed touched the table";

  // 0 and 4357 give one table but count as different seeds.
  t->entries[0] = -1;
  BuildRandomTable(*t, 4357);
  EXPECT_EQ(t->entries[0], 8151);
  EXPECT_EQ(t->lastSeed, 4357u);
}

}  // namespace
}  // namespace vek
