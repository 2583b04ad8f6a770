#pragma once
// Runs a program with a time limit and collects what it printed, so that a crash or a hang in a
// module under test becomes a result instead of the end of the tool.
#include <string>
#include <vector>

namespace usrhost {

struct ChildResult {
  bool started = false;
  bool timedOut = false;
  bool crashed = false;  // ended by a signal (Linux) or an exception code (Windows)
  int exitCode = 0;
  std::string output;    // standard output
  std::string how;       // "signal 11", "exception 0xc0000005", "timed out after 10 s"
};

ChildResult RunChild(const std::vector<std::string>& argv, double timeoutSeconds);

// The path of the running program, for starting a copy of itself.
std::string SelfPath(const char* argv0);

}  // namespace usrhost
