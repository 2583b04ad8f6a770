#pragma once
// Drives one instance through a list of actions (set, press, cycle, sweep, dump) and collects
// what the module outputs.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/usrhost/instance.hpp"

namespace usrhost {

struct Action {
  enum Kind { kSet, kPress, kCycle, kDump } kind;
  std::string target;  // caption or index
  float value = 0.0f;
  int count = 1;
};

struct Sweep {
  std::string target;
  double from = 0, to = 0, step = 1;
};

enum class OutputFormat { kTable, kCsv, kJson };

// A snapshot of every output of an instance.
struct Outputs {
  std::string label;  // what led to it ("after actions", "Input=0.25")
  std::vector<std::pair<int32_t, float>> values;               // scalar outputs
  std::vector<std::pair<int32_t, std::vector<float>>> arrays;  // array outputs
};

// Parses "NAME=VALUE"; false when malformed.
bool ParseAssignment(const std::string& text, std::string& name, std::string& value);
// Parses "NAME=FROM:TO:STEP"; false when malformed or when the sweep would not end.
bool ParseSweep(const std::string& text, Sweep& sweep, std::string& error);
// One session line: "set NAME=VALUE", "press NAME", "cycle [N]", "dump"; blank and # lines give none.
bool ParseSessionLine(const std::string& line, std::optional<Action>& action, std::string& error);
bool ReadSessionFile(const std::string& path, std::vector<Action>& actions, std::string& error);

Outputs Snapshot(const Instance& instance, std::string label);

// Runs the actions, then the sweep (one cycle per value); returns every snapshot taken. Unknown
// parameter names make it return false with the reason.
bool Drive(Instance& instance, const std::vector<Action>& actions, const std::optional<Sweep>& sweep,
           std::vector<Outputs>& snapshots, std::string& error);

void PrintOutputs(std::ostream& out, const ModuleDescription& module, const std::vector<Outputs>& snapshots,
                  OutputFormat format);

}  // namespace usrhost
