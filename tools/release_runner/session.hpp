#pragma once
// Sessions as the host stand-in reads them (tools/usrhost/sessions/session_line.hpp), replayed
// on an instance of the runner.
#include <string>
#include <vector>

#include "tools/release_runner/module_host.hpp"
#include "tools/usrhost/sessions/session_line.hpp"

namespace runner {

struct Session {
  std::string name;
  std::vector<usrhost::Action> actions;  // each with its origin, for messages
};

// Runs the actions on `instance` (started); the dumps they take. False with "ORIGIN: why".
bool RunSession(const Module& module, Instance& instance, const Session& session, std::vector<Dump>& dumps,
                std::string& error);

// One session per input of the module: each hostile value in turn (NaN, infinities, the largest
// floats, denormals, 1e30), with a computation and a dump after each.
std::vector<Session> HostileSessions(const Module& module);

}  // namespace runner
