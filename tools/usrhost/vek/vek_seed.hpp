#pragma once
// What the Vek modules' "Random Seed" does with a value, for a warning before a run: the host sends
// a float, so a seed beyond 2^24 is rounded; and a seed whose 32-bit value ends in many zero bits
// gives a table of few distinct values (the generator's seeding multiplies by an odd number, which
// keeps trailing zero bits in every state word).
#include <string>

#include "tools/usrhost/standin/discovery.hpp"

namespace usrhost {

// The caption the Vek modules read their seed from.
constexpr const char* kSeedCaption = "Random Seed";
// From this many trailing zero bits of the seed on, the table is visibly poorer.
constexpr int kPoorSeedZeroBits = 24;

// Empty when `typed` is a good seed for parameter `param`, else why not (and what to use instead).
std::string SeedWarning(const ParamDescription& param, double typed);

}  // namespace usrhost
