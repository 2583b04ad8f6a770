// The same inputs give the same bits on every target: each build compares its digest with the one
// recorded in the repository.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>

#include "noise_digest.hpp"

TEST(CrossTarget, NoiseDigestMatchesTheRecordedOne) {
  const vek::NoiseDigest d = vek::ComputeNoiseDigest();
  char actual[64];
  std::snprintf(actual, sizeof actual, "%016" PRIx64 " %" PRIu64, d.hash, d.values);
  std::ifstream in(VEK_NOISE_DIGEST_FILE);
  std::string expected;
  std::getline(in, expected);
  EXPECT_EQ(expected, actual) << "record a deliberate change of the noise in " << VEK_NOISE_DIGEST_FILE;
}
