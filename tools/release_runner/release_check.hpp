#pragma once
// The release files on the CPU: every session of a golden file and every hostile session, in
// every host floating-point environment with the stack misaligned by 4, against the golden bits
// and against the default environment's; the host's environment unchanged after every call.
#include <ostream>
#include <string>
#include <vector>

#include "tools/release_runner/module_host.hpp"

namespace runner {

struct CheckOptions {
  std::vector<std::string> presets;  // names of usrhost's --fp-env presets; empty: all
  int stackOffset = 4;
};

// Prints one line per environment to `out`, problems to `err`; true when everything held.
bool CheckModule(const Module& module, const std::string& goldenPath, const CheckOptions& options, std::ostream& out,
                 std::ostream& err);

}  // namespace runner
