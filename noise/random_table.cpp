#include "noise/random_table.hpp"

#include <cmath>

#include "noise/term_formulas.hpp"

namespace vek {

void BuildRandomTable(RandomTable& table, uint32_t seed) {
  // Only a build seeds the generator, so its flag says whether a build has happened.
  if (table.generator.initialised != 0 && seed == table.lastSeed) return;
  table.lastSeed = seed;
  MtSeed(table.generator, seed);
  for (int i = 0; i < kTableSize; ++i) {
    // The product is at most 9973.0, so the truncation always fits.
    table.entries[i] = static_cast<int32_t>(MtDrawDouble(table.generator) * static_cast<double>(kTableSize));
  }
  for (int i = 0; i < kTableSize; ++i) table.flatNumerators[i] = FlatNumerator(table.entries[i]);
}

uint32_t SeedFromParameter(double value) {
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (!(std::fabs(value) < kTwoTo63)) return 0;  // also catches NaN
  const int64_t whole = static_cast<int64_t>(value);
  return static_cast<uint32_t>(static_cast<uint64_t>(whole));
}

}  // namespace vek
