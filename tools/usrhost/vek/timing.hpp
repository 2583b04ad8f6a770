#pragma once
// Timing mode: the real plug-in's costs through the host's services, each against the plain
// scalar noise computing the same values in this process, measured in the same run.
#include <ostream>
#include <string>
#include <vector>

#include "tools/usrhost/standin/host_fp_env.hpp"
#include "tools/usrhost/standin/instance.hpp"

namespace usrhost {

// A measurement: the plug-in's time per call and each baseline's for the same work, all measured
// in one run. Ratios read baseline ÷ plug-in: above 1 the plug-in is faster.
struct Timing {
  std::string label;
  double pluginNs;                                       // per call of the plug-in
  std::vector<std::pair<std::string, double>> baselines; // (what, ns per call)
};

// The baselines of the noise rows: the competent plain code, and the strict reference.
constexpr const char* kPlainBaseline = "plain";
constexpr const char* kReferenceBaseline = "reference";
constexpr const char* kDefaultEnvBaseline = "default env.";

// The Vek modules, known by their parameters, get rows against the plain noise (a full
// recomputation, or one Process cycle) and the strict reference, in the host environment `env`;
// for a module with a Process that computes, further rows time Process in each preset environment
// against the default one. A module it does not know gets only what any module has: its Process
// cycle and a message to its first input, with no baseline; `known` says which.
std::vector<Timing> TimeModule(const PluginLibrary& library, const ModuleDescription& module, double secondsPerRow,
                               const std::optional<FpEnvironment>& env, bool& known);
void PrintTimings(std::ostream& out, const std::vector<Timing>& timings);

}  // namespace usrhost
