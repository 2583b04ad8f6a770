#pragma once
// The validator's checks, each a short function registered in one table with its name, level and
// description. A check runs inside a child process; it ends by returning (a pass, or a warning or
// a skip noted in its context) or by Fail.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/usrhost/standin/discovery.hpp"
#include "tools/usrhost/sessions/drive.hpp"
#include "tools/usrhost/sessions/names.hpp"
#include "tools/usrhost/standin/plugin_library.hpp"
#include "tools/usrhost/validation/validator.hpp"

namespace usrhost {

// A failure ends the check: thrown inside the child, caught by the child runner.
struct CheckFailed {
  std::string why;
};
[[noreturn]] void Fail(const std::string& why);

struct CheckContext {
  std::string file;
  uint32_t seed = 0;
  PluginLibrary library;
  ModuleDescription module;
  double loadSeconds = 0;
  std::vector<std::string> warnings;
  std::string skipped;  // set when the check does not apply here
  // Says where a long check is, so that a crash from then on is reported with the last place.
  std::function<void(const std::string&)> where = [](const std::string&) {};
  // The generated session being run, saved with a failure so that `run --session` replays it.
  std::vector<Action> session;
};

struct CheckDef {
  CheckInfo info;
  void (*run)(CheckContext&);
};
const std::vector<CheckDef>& Checks();
const CheckDef* FindCheck(const std::string& name);  // nullptr when there is none

}  // namespace usrhost
