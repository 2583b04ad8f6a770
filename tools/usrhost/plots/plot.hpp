#pragma once
// `usrhost plot`: what a module outputs, as a picture. The same driving options as `run`, plus
// variants of one setting overlaid or side by side.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/usrhost/sessions/drive.hpp"
#include "tools/usrhost/sessions/names.hpp"

namespace usrhost {

struct PlotOptions {
  std::vector<Action> actions;        // applied to every variant first
  std::optional<Sweep> sweep;         // single-value modules: one cycle per input value
  std::string varyName;               // a setting to compare, or empty
  std::vector<float> varyValues;
  std::vector<std::string> outputs;   // which outputs to draw; empty: a sensible choice
  bool sideBySide = false;
  bool pressButtons = true;  // press every button after the settings, so arrays are computed
  std::string title;
};

// Parses "NAME=v1,v2,v3"; `warning` says when the list looks like a decimal written with a comma.
bool ParseVary(const std::string& text, PlotOptions& options, std::string& error, std::string& warning);

bool MakePlot(const PluginLibrary& library, const ModuleDescription& module, const PlotOptions& options,
              std::ostream& svg, std::string& error, FailureKind* kind = nullptr);

}  // namespace usrhost
