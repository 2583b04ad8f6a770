#include "tools/usrhost/sessions/session_text.hpp"

#include <string>

#include "tools/usrhost/sessions/float_text.hpp"
#include "tools/usrhost/sessions/names.hpp"
#include "tools/usrhost/standin/text_io.hpp"

namespace usrhost {
namespace {

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

bool ParseSessionLine(const std::string& line, std::optional<Action>& action, std::string& error,
                      const ModuleDescription* module) {
  ChoiceReader choices;
  if (module != nullptr) {
    choices = [module](const std::string& name, const std::string& text, double& v, std::string& why) {
      return ChoiceValue(module, name, text, v, why);
    };
  }
  return ParseSessionLine(line, action, error, choices);
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
      if (lines != nullptr) lines->push_back(TrimBlanks(line));
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
