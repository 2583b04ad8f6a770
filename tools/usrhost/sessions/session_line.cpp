#include "tools/usrhost/sessions/session_line.hpp"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace usrhost {
namespace {

bool ParseNumber(const std::string& text, double& out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  out = std::strtod(begin, &end);
  return end != begin && *end == '\0';
}

// "0,5" where "0.5" was meant.
bool LooksLikeDecimalComma(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) return false;
  double a, b;
  return ParseNumber(text.substr(0, comma), a) && ParseNumber(text.substr(comma + 1), b) &&
         std::isdigit(static_cast<unsigned char>(text[comma + 1]));
}

}  // namespace

std::string TrimBlanks(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool ParseAssignment(const std::string& text, std::string& name, std::string& value) {
  const size_t eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0) return false;
  name = TrimBlanks(text.substr(0, eq));
  value = TrimBlanks(text.substr(eq + 1));
  return !name.empty() && !value.empty();
}

bool ParseSweep(const std::string& text, Sweep& sweep, std::string& error) {
  std::string name, range;
  if (!ParseAssignment(text, name, range)) {
    error = "--sweep reads NAME=FROM:TO:STEP, not \"" + text + "\"";
    return false;
  }
  std::vector<double> parts;
  std::stringstream ss(range);
  for (std::string item; std::getline(ss, item, ':');) {
    double v;
    if (!ParseNumber(TrimBlanks(item), v) || !std::isfinite(v)) {
      error = "--sweep \"" + text + "\": \"" + item + "\" is not a finite number" +
              (LooksLikeDecimalComma(TrimBlanks(item)) ? " (the decimal mark is '.')" : "");
      return false;
    }
    parts.push_back(v);
  }
  const std::string at = "--sweep \"" + text + "\": ";
  if (parts.size() != 3) return (error = at + "give three numbers, FROM:TO:STEP", false);
  if (!(parts[2] > 0)) return (error = at + "STEP must be above 0", false);
  if (parts[1] < parts[0]) return (error = at + "FROM must not be above TO", false);
  if ((parts[1] - parts[0]) / parts[2] > kMaxSweepSteps) {
    return (error = at + "more than " + std::to_string(static_cast<long>(kMaxSweepSteps)) + " steps", false);
  }
  sweep = {name, parts[0], parts[1], parts[2]};
  return true;
}

bool ParseSessionLine(const std::string& raw, std::optional<Action>& action, std::string& error,
                      const ChoiceReader& choices) {
  action.reset();
  const std::string line = TrimBlanks(raw);
  if (line.empty() || line[0] == '#') return true;
  const size_t space = line.find_first_of(" \t");
  const std::string verb = line.substr(0, space);
  const std::string rest = space == std::string::npos ? "" : TrimBlanks(line.substr(space));
  Action a{};
  if (verb == "set") {
    std::string name, value;
    double v;
    if (!ParseAssignment(rest, name, value)) {
      error = "set needs NAME=VALUE: \"" + line + "\"";
      return false;
    }
    if (!ParseNumber(value, v)) {
      std::string choiceError;
      if (!choices || !choices(name, value, v, choiceError)) {
        error = !choiceError.empty() ? choiceError
                : LooksLikeDecimalComma(value)
                    ? "\"" + value + "\" is not a number: the decimal mark is '.' (" +
                          value.substr(0, value.find(',')) + "." + value.substr(value.find(',') + 1) + ")"
                    : "set needs NAME=NUMBER (or a List's choice): \"" + line + "\"";
        return false;
      }
    }
    a = {Action::kSet, name, static_cast<float>(v), 1};
    a.typed = v;
  } else if (verb == "press") {
    if (rest.empty()) {
      error = "press needs a parameter: \"" + line + "\"";
      return false;
    }
    a = {Action::kPress, rest, 0.0f, 1};
  } else if (verb == "cycle") {
    double n = 1;
    if (!rest.empty() && (!ParseNumber(rest, n) || n < 0 || n > kMaxCycles || n != std::floor(n))) {
      error = "cycle takes a whole count from 0 to " + std::to_string(kMaxCycles) + ": \"" + line + "\"";
      return false;
    }
    a = {Action::kCycle, "", 0.0f, static_cast<int>(n)};
  } else if (verb == "dump") {
    if (!rest.empty()) {
      error = "dump takes nothing after it: \"" + line + "\"";
      return false;
    }
    a = {Action::kDump, "", 0.0f, 1};
  } else {
    error = "unknown action \"" + verb + "\" (set, press, cycle, dump)";
    return false;
  }
  action = a;
  return true;
}

bool ParseSessionLines(const std::vector<std::string>& lines, const std::vector<std::string>& origins,
                       const std::string& name, std::vector<Action>& actions, std::string& error,
                       const ChoiceReader& choices) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string origin = i < origins.size() ? origins[i] : name + ": action " + std::to_string(i + 1);
    std::optional<Action> a;
    if (!ParseSessionLine(lines[i], a, error, choices)) {
      error = origin + ": " + error;
      return false;
    }
    if (!a) continue;
    a->origin = origin;
    actions.push_back(*a);
  }
  return true;
}

}  // namespace usrhost
