#pragma once
// Drives one instance through a list of actions (set, press, cycle, sweep, dump) and collects
// what the module outputs.
#include <cmath>
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
  std::string origin = {};  // where it was written ("a.session:3", "-s"), for messages
  double typed = NAN;       // the value as written, before it became a float
};

struct Sweep {
  std::string target;
  double from = 0, to = 0, step = 1;
};

enum class OutputFormat { kTable, kCsv, kJson };

// A snapshot of every output of an instance.
struct Outputs {
  std::string label;  // what led to it ("dump 2", "end", or the swept value "0.25")
  std::optional<std::pair<std::string, float>> swept;  // the swept parameter and its value
  std::vector<std::pair<int32_t, float>> values;               // scalar outputs
  std::vector<std::pair<int32_t, std::vector<float>>> arrays;  // array outputs
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

// The candidates nearest to a mistyped name (by edit distance, ignoring case), at most three.
std::vector<std::string> Nearest(const std::string& name, const std::vector<std::string>& candidates);

// What a parameter is named for: set (an input that takes a value), press (a button), show (an
// output), or anything.
enum class ParamUse { kSet, kPress, kShow, kAny };
// A caption (exactly, or ignoring case where only one matches) or an index. When nothing fits
// the error says what would: the nearest captions, or the parameters that can be used so.
std::optional<int32_t> ResolveParameter(const ModuleDescription& module, const std::string& name, ParamUse use,
                                        std::string& error);
// Checks actions and a sweep against the module before anything runs: every name resolves for
// its use (and is rewritten to its index); values a host would never send (outside the declared
// range, or not finite) are kept, for testing, and each gets a warning.
bool CheckActions(const ModuleDescription& module, std::vector<Action>& actions, std::optional<Sweep>& sweep,
                  std::vector<std::string>& warnings, std::string& error);
// The same check for one value given to a parameter; empty when a host could send it.
std::string ValueWarning(const ParamDescription& param, float value);

// Actions as session lines that read back as the same actions ("set 3=0.1", "cycle 2", "dump").
std::vector<std::string> SessionLines(const std::vector<Action>& actions);

Outputs Snapshot(const Instance& instance, std::string label);

// Runs the actions, then the sweep (one cycle per value); returns every snapshot taken. Unknown
// parameter names make it return false with the reason.
bool Drive(Instance& instance, const std::vector<Action>& actions, const std::optional<Sweep>& sweep,
           std::vector<Outputs>& snapshots, std::string& error);

// One table for every snapshot: a column for the snapshot (dump or sweep position), and for arrays
// one row per element. The table shows each value with its parameter's declared format; CSV
// (RFC 4180) and JSON give the shortest text that reads back as the same float32.
void PrintOutputs(std::ostream& out, const ModuleDescription& module, const std::vector<Outputs>& snapshots,
                  OutputFormat format);

}  // namespace usrhost
