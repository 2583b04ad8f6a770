#pragma once
// Session text: the actions a host performs (set, press, cycle, dump), one a line, and sweeps;
// parsed, checked for what a user may mean, and written back.
#include <optional>
#include <string>
#include <vector>

#include "tools/usrhost/sessions/session_line.hpp"
#include "tools/usrhost/standin/discovery.hpp"

namespace usrhost {

// One session line (see session_line.hpp); with the module known, a List may be set by its
// choice's text (any case).
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
