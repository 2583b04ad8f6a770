#pragma once
// The release DLLs against the plain code in the same guest, workload by workload: the
// workloads of the speed goals, timed in alternating rounds with the TSC, bits compared.
#include <optional>
#include <ostream>
#include <string>

#include "tools/release_runner/module_host.hpp"
#include "tools/usrhost/standin/host_fp_env.hpp"

namespace runner {

struct BenchOptions {
  unsigned rounds = 200;
  // The host's floating-point environment during the timed rounds of both sides, as a host keeps it.
  std::optional<usrhost::FpEnvironment> hostEnv;
  // The plain side alone, with no plug-in call in the run: its time is then the same as beside the
  // plug-in unless the plug-in's calls slow the code around them.
  bool plainOnly = false;
  // Each side's rounds in one block, each after itself, instead of alternating rounds, where each
  // side finds the branch predictors and caches as the other left them.
  bool separate = false;
  // Only the workloads whose label contains this.
  std::string only;
};

// Prints one line per workload; false (after printing) when the two sides' bits differ.
bool RunBenchTable(const Module& random, const Module& array, const BenchOptions& options, std::ostream& out,
                   std::ostream& err);

}  // namespace runner
