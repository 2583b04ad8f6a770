#pragma once
// Session text: the actions a host performs (set, press, cycle, dump), one a line, and sweeps;
// parsed, checked for what a user may mean, and written back.
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "tools/usrhost/standin/discovery.hpp"

namespace usrhost {

struct Action {
  enum Kind { kSet, kPress, kCycle, kDump } kind;
  std::string target;  // caption or index
  float value = 0.0f;
  int count = 1;
  std::string origin = {};  // where it was written ("a.session:3", "-s"), for messages
  double typed = NAN;       // the value as written, before it became a float
};

struct Sweep {
  std::string target;
  double from = 0, to = 0, step = 1;
};

// Parses "NAME=VALUE"; false when malformed.
bool ParseAssignment(const std::string& text, std::string& name, std::string& value);
// Parses "NAME=FROM:TO:STEP"; false when malformed or when the sweep would not end.
bool ParseSweep(const std::string& text, Sweep& sweep, std::string& error);
// A sweep of more steps than this is surely a typo, not a wish; a cycle count above this too.
constexpr double kMaxSweepSteps = 1e6;
constexpr int kMaxCycles = 1000000000;

// One session line: "set NAME=VALUE", "press NAME", "cycle [N]", "dump"; blank and # lines give none.
// With the module known, a List may be set by its choice's text (any case).
bool ParseSessionLine(const std::string& line, std::optional<Action>& action, std::string& error,
                      const ModuleDescription* module = nullptr);
// A whole session text: UTF-8 (a byte-order mark and CRLF line ends accepted), one action a line.
// Errors read "NAME:LINE: why". `lines`, when given, receives the lines that hold an action.
bool ParseSessionText(const std::string& text, const std::string& name, std::vector<Action>& actions,
                      std::string& error, std::vector<std::string>* lines = nullptr,
                      const ModuleDescription* module = nullptr);
bool ReadSessionFile(const std::string& path, std::vector<Action>& actions, std::string& error,
                     std::vector<std::string>* lines = nullptr, const ModuleDescription* module = nullptr);

// Actions as session lines that read back as the same actions ("set 3=0.1", "cycle 2", "dump").
std::vector<std::string> SessionLines(const std::vector<Action>& actions);

}  // namespace usrhost
