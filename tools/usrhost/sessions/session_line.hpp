#pragma once
// The grammar of session lines ("set NAME=VALUE", "press NAME", "cycle [N]", "dump") and sweeps,
// without the module they are meant for: what the release runner reads with the stand-in.
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

// The text without spaces, tabs and carriage returns at either end.
std::string TrimBlanks(const std::string& s);
// Parses "NAME=VALUE"; false when malformed.
bool ParseAssignment(const std::string& text, std::string& name, std::string& value);
// Parses "NAME=FROM:TO:STEP"; false when malformed or when the sweep would not end.
bool ParseSweep(const std::string& text, Sweep& sweep, std::string& error);
// A sweep of more steps than this is surely a typo, not a wish; a cycle count above this too.
constexpr double kMaxSweepSteps = 1e6;
constexpr int kMaxCycles = 1000000000;

// A set's value that is no number, read as a List's choice: `v` becomes its position. False with
// `error` set when NAME is a List without that choice, with it empty when NAME is no List.
using ChoiceReader =
    std::function<bool(const std::string& name, const std::string& text, double& v, std::string& error)>;

// One session line; blank and # lines give none. Without `choices`, a set takes numbers only.
bool ParseSessionLine(const std::string& line, std::optional<Action>& action, std::string& error,
                      const ChoiceReader& choices);
// Lines as a golden file holds them. Errors read "ORIGIN: why", the origin of line i being
// origins[i] where given, else "NAME: action I" (counted from 1).
bool ParseSessionLines(const std::vector<std::string>& lines, const std::vector<std::string>& origins,
                       const std::string& name, std::vector<Action>& actions, std::string& error,
                       const ChoiceReader& choices);

}  // namespace usrhost
