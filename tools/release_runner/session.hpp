#pragma once
// Session lines as the host stand-in writes them ("set NAME=V", "press NAME", "cycle [N]",
// "dump"), replayed on an instance of the runner.
#include <string>
#include <vector>

#include "tools/release_runner/module_host.hpp"

namespace runner {

struct Session {
  std::string name;
  std::vector<std::string> lines;
};

// Runs the lines on `instance` (started); the dumps they take. False with "SESSION: LINE: why".
bool RunSession(const Module& module, Instance& instance, const Session& session, std::vector<Dump>& dumps,
                std::string& error);

// One session per input of the module: each hostile value in turn (NaN, infinities, the largest
// floats, denormals, 1e30), with a computation and a dump after each.
std::vector<Session> HostileSessions(const Module& module);

}  // namespace runner
