#pragma once
#include "tools/release_runner/guest/guest_abi.hpp"

namespace runner {

// Times one workload: the module's entry point against the plain code, in alternating rounds,
// after comparing the bits both produce.
void RunBench(BenchRecord& bench);

}  // namespace runner
