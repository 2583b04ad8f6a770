#pragma once
// MT19937 with the multiply-by-69069 initialisation, its state vector kept in reverse order.
#include <cstdint>

namespace vek {

constexpr int kMtWordCount = 624;

struct MtState {
  uint32_t words[kMtWordCount];  // usual word i lives at index 623 - i
  int32_t remaining;             // words not yet handed out; next is words[remaining - 1]
  int32_t initialised;           // 1 once seeded
};

// Seeds (0 stands for 4357) and refreshes, so the seeded words themselves are never handed out.
void MtSeed(MtState& state, uint32_t seed);
// Regenerates the whole vector in place; an unseeded state is seeded with 4357 instead.
void MtRefresh(MtState& state);
uint32_t MtTemper(uint32_t word);
// t1 * 2^-32 + t2 * 2^-64 from two consecutive tempered words; in [0, 1], 1.0 only by rounding.
double MtDrawDouble(MtState& state);

}  // namespace vek
