#pragma once
// Timing mode: the real plug-in's costs through the host's services, each against the plain
// scalar noise computing the same values in this process, measured in the same run.
#include <ostream>
#include <string>
#include <vector>

#include "tools/usrhost/fp_env.hpp"
#include "tools/usrhost/instance.hpp"

namespace usrhost {

struct Timing {
  std::string label;
  double pluginNs;    // per call of the plug-in (a full recomputation, or one Process cycle)
  double baselineNs;  // the plain scalar noise for the same values and the same service calls
};

// Knows the two Vek modules by their parameters; other modules get no rows.
// The rows run in the host environment `env` (none: the stand-in's own). For a module with a Process
// that computes, further rows time Process in each preset environment against the default one:
// what the module pays to set up its own environment and put the host's back.
std::vector<Timing> TimeModule(const PluginLibrary& library, const ModuleDescription& module, double secondsPerRow,
                               const std::optional<FpEnvironment>& env);
void PrintTimings(std::ostream& out, const std::vector<Timing>& timings);

}  // namespace usrhost
