#include "noise/mersenne_twister.hpp"

namespace vek {
namespace {

constexpr uint32_t kDefaultSeed = 4357;
constexpr uint32_t kSeedMultiplier = 69069;
constexpr int kFarDistance = 397;
constexpr int kWrappedFarDistance = kMtWordCount - kFarDistance;  // 227
constexpr uint32_t kMatrix[2] = {0, 0x9908b0dfu};
constexpr uint32_t kUpperMask = 0x80000000u;
constexpr uint32_t kLowerMask = 0x7fffffffu;

uint32_t TakeWord(MtState& state) {
  if (state.remaining <= 0) MtRefresh(state);
  --state.remaining;
  return state.words[state.remaining];
}

}  // namespace

void MtSeed(MtState& state, uint32_t seed) {
  if (seed == 0) seed = kDefaultSeed;
  state.words[kMtWordCount - 1] = seed;
  for (int j = kMtWordCount - 2; j >= 0; --j) state.words[j] = state.words[j + 1] * kSeedMultiplier;
  state.remaining = kMtWordCount;
  state.initialised = 1;
  MtRefresh(state);
}

void MtRefresh(MtState& state) {
  if (state.initialised == 0) {
    MtSeed(state, kDefaultSeed);
    return;
  }
  uint32_t* w = state.words;
  // Walking down the reversed vector is the usual walk up: indices below j are still old words,
  // indices above j are already replaced.
  for (int j = kMtWordCount - 1; j >= 0; --j) {
    const uint32_t next = j >= 1 ? w[j - 1] : w[kMtWordCount - 1];
    const uint32_t y = (w[j] & kUpperMask) | (next & kLowerMask);
    const uint32_t far = j >= kFarDistance ? w[j - kFarDistance] : w[j + kWrappedFarDistance];
    w[j] = far ^ (y >> 1) ^ kMatrix[y & 1u];
  }
  state.remaining = kMtWordCount;
}

uint32_t MtTemper(uint32_t y) {
  y ^= y >> 11;
  y ^= (y << 7) & 0x9d2c5680u;
  y ^= (y << 15) & 0xefc60000u;
  y ^= y >> 18;
  return y;
}

double MtDrawDouble(MtState& state) {
  const uint32_t first = TakeWord(state);
  const uint32_t second = TakeWord(state);
  // Both products are exact powers-of-two scalings; only the sum rounds.
  return static_cast<double>(MtTemper(first)) * 0x1p-32 + static_cast<double>(MtTemper(second)) * 0x1p-64;
}

}  // namespace vek
