#pragma once
// Sessions of host actions for any module, generated from a seed: values inside the declared
// ranges (for the everyday checks) or hostile values (for the fuzzing checks).
#include <cstdint>
#include <random>
#include <vector>

#include "tools/usrhost/sessions/drive.hpp"
#include "tools/usrhost/sessions/names.hpp"

namespace usrhost {

// `steps` actions: set an input, press a button, or run a cycle; a dump after each.
std::vector<Action> InRangeSession(const ModuleDescription& module, uint32_t seed, int steps);

// One hostile action: any value (NaN, infinities, extremes, subnormals), any index (also outside
// the module's), any detail, re-initialisation with or without services.
struct HostileAction {
  enum Kind { kSet, kStore, kNotify, kProcess, kInit } kind;
  int32_t param;
  float value;
  int32_t detail;
  bool withServices;
  uint32_t hostValue;
  std::string Describe(const ModuleDescription& module) const;
};
HostileAction RandomHostileAction(const ModuleDescription& module, std::mt19937& rng);

// The bits of every output in a snapshot, for exact comparisons.
std::vector<uint32_t> OutputBits(const Outputs& outputs);

}  // namespace usrhost
