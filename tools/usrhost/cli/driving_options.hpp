#pragma once
// The options that drive an instance, shared by `run` and `plot`: settings, presses, cycles, a
// sweep, a session file, and the host's floating-point environment.
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/usrhost/sessions/drive.hpp"
#include "tools/usrhost/sessions/names.hpp"

namespace usrhost {

struct DrivingArgs {
  std::string file;
  std::vector<std::string> sets, presses;
  int cycles = 0;
  std::string sweep, session, fpEnv;
  bool noPress = false;
};

void AddDrivingOptions(CLI::App* command, DrivingArgs& args);

// Reads the session file, then the settings, presses and cycles in that order, and the sweep;
// checks every name and value against the module (warnings go to stderr). On failure the error
// has been said and the result is false.
bool BuildActions(const DrivingArgs& args, const ModuleDescription& module, std::vector<Action>& actions,
                  std::optional<Sweep>& sweep);

}  // namespace usrhost
