#pragma once
// Drives one instance through a list of actions (set, press, cycle, sweep, dump) and collects
// what the module outputs.
#include <optional>
#include <string>
#include <vector>

#include "tools/usrhost/sessions/session_text.hpp"
#include "tools/usrhost/standin/instance.hpp"

namespace usrhost {

// A snapshot of every output of an instance.
struct Outputs {
  std::string label;  // what led to it ("dump 2", "end", or the swept value "0.25")
  std::optional<std::pair<std::string, float>> swept;  // the swept parameter and its value
  std::vector<std::pair<int32_t, float>> values;               // scalar outputs
  std::vector<std::pair<int32_t, std::vector<float>>> arrays;  // array outputs
};

Outputs Snapshot(const Instance& instance, std::string label);

// Runs the actions, then the sweep (one cycle per value); returns every snapshot taken. Unknown
// parameter names make it return false with the reason.
bool Drive(Instance& instance, const std::vector<Action>& actions, const std::optional<Sweep>& sweep,
           std::vector<Outputs>& snapshots, std::string& error);

}  // namespace usrhost
