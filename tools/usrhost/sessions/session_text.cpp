#include "tools/usrhost/sessions/session_text.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "tools/usrhost/sessions/float_text.hpp"
#include "tools/usrhost/sessions/names.hpp"
#include "tools/usrhost/standin/text_io.hpp"

namespace usrhost {
namespace {

bool ParseNumber(const std::string& text, double& out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  out = std::strtod(begin, &end);
  return end != begin && *end == '\0';
}


std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}


// "0,5" where "0.5" was meant.
bool LooksLikeDecimalComma(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) return false;
  double a, b;
  return ParseNumber(text.substr(0, comma), a) && ParseNumber(text.substr(comma + 1), b) &&
         std::isdigit(static_cast<unsigned char>(text[comma + 1]));
}


// Well-formed UTF-8: no stray continuation bytes, no overlong forms, nothing beyond U+10FFFF.
bool ValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : 4;
    if (n == 4 || (n == 1 && c < 0xC2) || (n == 3 && c > 0xF4)) return false;
    for (size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
    }
    i += n + 1;
  }
  return true;
}


}  // namespace

bool ParseAssignment(const std::string& text, std::string& name, std::string& value) {
  const size_t eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0) return false;
  name = Trim(text.substr(0, eq));
  value = Trim(text.substr(eq + 1));
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
    if (!ParseNumber(Trim(item), v) || !std::isfinite(v)) {
      error = "--sweep \"" + text + "\": \"" + item + "\" is not a finite number" +
              (LooksLikeDecimalComma(Trim(item)) ? " (the decimal mark is '.')" : "");
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
                      const ModuleDescription* module) {
  action.reset();
  const std::string line = Trim(raw);
  if (line.empty() || line[0] == '#') return true;
  const size_t space = line.find_first_of(" \t");
  const std::string verb = line.substr(0, space);
  const std::string rest = space == std::string::npos ? "" : Trim(line.substr(space));
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
      if (!ChoiceValue(module, name, value, v, choiceError)) {
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


bool ParseSessionText(const std::string& text, const std::string& name, std::vector<Action>& actions,
                      std::string& error, std::vector<std::string>* lines, const ModuleDescription* module) {
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (int number = 1; start <= text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string where = name + ":" + std::to_string(number);
    if (line.size() > kMaxSessionLineBytes) {
      error = where + ": longer than " + std::to_string(kMaxSessionLineBytes >> 10) + " KiB: not a session line";
      return false;
    }
    if (line.find('\0') != std::string::npos || !ValidUtf8(line)) {
      error = where + ": not text (a NUL byte or invalid UTF-8)";
      return false;
    }
    std::optional<Action> a;
    if (!ParseSessionLine(line, a, error, module)) {
      error = where + ": " + error;
      return false;
    }
    if (a) {
      a->origin = where;
      actions.push_back(*a);
      if (lines != nullptr) lines->push_back(Trim(line));
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  return true;
}

bool ReadSessionFile(const std::string& path, std::vector<Action>& actions, std::string& error,
                     std::vector<std::string>* lines, const ModuleDescription* module) {
  std::string text;
  if (!ReadTextFile(path, "session file", text, error)) return false;
  return ParseSessionText(text, path, actions, error, lines, module);
}


std::vector<std::string> SessionLines(const std::vector<Action>& actions) {
  std::vector<std::string> lines;
  for (const Action& a : actions) {
    switch (a.kind) {
      case Action::kSet: lines.push_back("set " + a.target + "=" + FloatText(a.value)); break;
      case Action::kPress: lines.push_back("press " + a.target); break;
      case Action::kCycle: lines.push_back("cycle " + std::to_string(a.count)); break;
      case Action::kDump: lines.push_back("dump"); break;
    }
  }
  return lines;
}


}  // namespace usrhost
