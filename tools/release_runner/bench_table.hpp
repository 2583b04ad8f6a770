#pragma once
// The release DLLs against the plain code in the same guest, workload by workload: the
// workloads of the speed goals, timed in alternating rounds with the TSC, bits compared.
#include <ostream>
#include <string>

#include "tools/release_runner/module_host.hpp"

namespace runner {

struct BenchOptions {
  unsigned rounds = 200;
};

// Prints one line per workload; false (after printing) when the two sides' bits differ.
bool RunBenchTable(const Module& random, const Module& array, const BenchOptions& options, std::ostream& out,
                   std::ostream& err);

}  // namespace runner
