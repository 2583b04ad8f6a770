#pragma once
// Vek_Random: one input position to one noise value on every processing cycle.
#include "host/module_instance.hpp"
#include "noise/octave_sum.hpp"
#include "noise/random_table.hpp"

namespace vek {

// Parameter indexes: also the paramIndex of messages. The declaration table (random_params.cpp)
// has one row per value, in this order.
enum RandomParam : int32_t {
  kInput = 0, kRandomSeed, kScale, kOffset, kOctaves, kNoiseMin, kNoiseMax, kFade,
  kNoiseBias, kNoiseGain, kOutputMin, kOutputMax, kOutput, kRandomParamCount
};

extern const ModuleDecl kRandomDecl;

// The settings of one cycle as the host gives them, in the order they are read.
struct RandomRawSettings {
  float octaves, bias, gain, noiseMin, noiseMax, fade, outputMin, outputMax;
};

struct RandomModule final : ModuleInstance {
  EventHandle handles[kRandomParamCount] = {};  // slot i is parameter i
  RandomTable table = {};
  // The noise prepared from the last cycle's settings, kept while their bits stay the same.
  bool hasPrepared = false;
  RandomRawSettings preparedFrom = {};
  PreparedNoise prepared = {};
};

// A patch may hold hundreds of instances in a 32-bit address space.
static_assert(sizeof(RandomModule) <= 256 * 1024);

void InitRandomModule(RandomModule& module);
void HandleRandomMessage(RandomModule& module, const CallbackMessage& message);
void ProcessRandomModule(RandomModule& module);

}  // namespace vek
