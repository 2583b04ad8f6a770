#pragma once
// The 9973 random integers that are the whole source of randomness of the noise.
#include <cstdint>

#include "noise/mersenne_twister.hpp"

namespace vek {

constexpr int kTableSize = 9973;

struct RandomTable {
  int32_t entries[kTableSize];  // each in 0..9972 (9973 only for a draw of exactly 1.0)
  MtState generator;            // fills entries; generator.initialised marks "built at least once"
  uint32_t lastSeed;
  // 2 * (entries[j] / 9973 - 0.5) for every j, kept per build: the numerator of an octave's term
  // wherever its sample lies in the flat middle of cell j.
  double flatNumerators[kTableSize];
};

// Rebuilds for `seed` unless the table was already built for it; the first request always builds.
void BuildRandomTable(RandomTable& table, uint32_t seed);

// A "Random Seed" value as a seed: truncated to int64, low 32 bits. NaN and magnitudes of 2^63 or
// more give 0.
uint32_t SeedFromParameter(double value);

}  // namespace vek
