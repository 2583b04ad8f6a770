#pragma once
// Vek_Random: one input position to one noise value on every processing cycle.
#include "host/module_instance.hpp"
#include "noise/random_table.hpp"

namespace vek {

// Parameter indexes: also the paramIndex of messages. The declaration table (random_params.cpp)
// has one row per value, in this order.
enum RandomParam : int32_t {
  kInput = 0, kRandomSeed, kScale, kOffset, kOctaves, kNoiseMin, kNoiseMax, kFade,
  kNoiseBias, kNoiseGain, kOutputMin, kOutputMax, kOutput, kRandomParamCount
};

extern const ModuleDecl kRandomDecl;

struct RandomModule final : ModuleInstance {
  EventHandle handles[kRandomParamCount] = {};  // slot i is parameter i
  RandomTable table = {};
};

void InitRandomModule(RandomModule& module);
void HandleRandomMessage(RandomModule& module, const CallbackMessage& message);
void ProcessRandomModule(RandomModule& module);

}  // namespace vek
