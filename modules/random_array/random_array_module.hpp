#pragma once
// Vek_Random_Array: fills "Float Out" and "Integer Out" with noise when a setting changes
// ("Automatic Update") or when "Calculate Array" is pressed ("Update on Click").
#include "host/module_instance.hpp"
#include "modules/random_array/array_size.hpp"
#include "noise/random_table.hpp"

namespace vek {

// Parameter indexes: also the paramIndex of messages. The declaration table
// (random_array_params.cpp) has one row per value, in this order.
enum RandomArrayParam : int32_t {
  kMode = 0, kCalculateArray, kArraySeed, kArrayScale, kArrayOffset, kArrayOctaves, kArrayNoiseMin,
  kArrayNoiseMax, kArrayFade, kArrayNoiseBias, kArrayNoiseGain, kArrayOutputMin, kArrayOutputMax,
  kArraySize, kFloatOut, kIntegerOut, kRandomArrayParamCount
};

// Offsets are reduced modulo this before use, so large offsets keep their fractional precision.
constexpr double kOffsetPeriod = 997300.0;

extern const ModuleDecl kRandomArrayDecl;

struct RandomArrayModule final : ModuleInstance {
  // Slots of parameters 1 to 15, then 0 ("Mode"), the order earlier builds laid them out in. No
  // entry point hands out the instance's memory and no host we know reads it; the order is kept
  // because it costs nothing and anything that did read it finds the slots where they were.
  // handle() maps a parameter index to its slot.
  EventHandle handles[kRandomArrayParamCount] = {};
  RandomTable table = {};
  bool seedPending = false;
  bool sizePending = false;
  int32_t arrayLength = -1;  // the length last given to both arrays; -1 before the first

  EventHandle& handle(int32_t index) { return handles[(index + kRandomArrayParamCount - 1) % kRandomArrayParamCount]; }
};

// A patch may hold hundreds of instances in a 32-bit address space.
static_assert(sizeof(RandomArrayModule) <= 256 * 1024);

void InitRandomArrayModule(RandomArrayModule& module);
void HandleRandomArrayMessage(RandomArrayModule& module, const CallbackMessage& message);

}  // namespace vek
