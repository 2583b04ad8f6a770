#include "tools/usrhost/plots/plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "tools/usrhost/sessions/float_text.hpp"
#include "tools/usrhost/plots/svg_plot.hpp"

namespace usrhost {
namespace {

std::string Setting(const ModuleDescription& m, int32_t index, float v) {
  const ParamDescription& p = m.params[index];
  if (p.kind == kParamList && p.choices) {
    // Show the chosen entry's name.
    const std::vector<std::string> names = p.ChoiceNames();
    if (v >= 0 && v < static_cast<float>(names.size()) && v == std::floor(v)) {
      return p.caption + " = " + names[static_cast<size_t>(v)];
    }
  }
  return p.caption + " = " + FloatText(v);
}

// Inputs that differ from their declared defaults, except those the picture varies or sweeps.
std::vector<std::string> Differences(const Instance& in, const std::vector<int32_t>& skip) {
  std::vector<std::string> out;
  for (const ParamDescription& p : in.module().params) {
    if (p.IsOutput() || p.kind == kParamButton) continue;
    if (std::find(skip.begin(), skip.end(), p.index) != skip.end()) continue;
    if (in.value(p.index) != p.InitialValue()) out.push_back(Setting(in.module(), p.index, in.value(p.index)));
  }
  return out;
}

}  // namespace

bool ParseVary(const std::string& text, PlotOptions& o, std::string& error, std::string& warning) {
  std::string name, list;
  if (!ParseAssignment(text, name, list)) {
    error = "--vary reads NAME=v1,v2,...: \"" + text + "\"";
    return false;
  }
  o.varyName = name;
  std::stringstream ss(list);
  for (std::string item; std::getline(ss, item, ',');) {
    char* end = nullptr;
    const float v = std::strtof(item.c_str(), &end);
    if (end == item.c_str() || *end != '\0') {
      error = "--vary value \"" + item + "\" is not a number";
      return false;
    }
    o.varyValues.push_back(v);
  }
  if (o.varyValues.empty() || o.varyValues.size() > 7) {
    error = "--vary takes 1 to 7 values";
    return false;
  }
  // "Fade=0,5" is two values, 0 and 5; it may have meant one, 0.5.
  const std::string first = list.substr(0, list.find(',')), second = list.substr(list.find(',') + 1);
  if (o.varyValues.size() == 2 && list.find_first_not_of("0123456789,") == std::string::npos &&
      (first == "0" || second[0] == '0')) {
    warning = "--vary \"" + text + "\" compares the two values " + list.substr(0, list.find(',')) + " and " +
              list.substr(list.find(',') + 1) + "; the decimal mark is '.', and values are separated by ','";
  }
  return true;
}

bool MakePlot(const PluginLibrary& library, const ModuleDescription& m, const PlotOptions& o, std::ostream& svg,
              std::string& error, FailureKind* kind) {
  const int32_t vary = o.varyName.empty() ? -1 : m.Find(o.varyName);
  if (!o.varyName.empty() && vary < 0) {
    error = "no parameter \"" + o.varyName + "\"";
    return false;
  }
  std::vector<int32_t> outputs;
  for (const std::string& name : o.outputs) {
    const int32_t i = m.Find(name);
    if (i < 0 || !m.params[i].IsOutput()) {
      error = "\"" + name + "\" is not an output";
      return false;
    }
    outputs.push_back(i);
  }
  bool hasArrays = false;
  for (const ParamDescription& p : m.params) hasArrays |= p.IsOutput() && p.IsArray();
  if (outputs.empty()) {
    for (const ParamDescription& p : m.params) {
      // Compared variants draw one output each, or the picture gets crowded.
      if (p.IsOutput() && (p.IsArray() == hasArrays) && (vary < 0 || outputs.empty())) outputs.push_back(p.index);
    }
  }
  std::optional<Sweep> sweep = o.sweep;
  if (!hasArrays && !sweep) {
    int32_t firstInput = -1;
    for (const ParamDescription& p : m.params) {
      if (!p.IsOutput() && p.IsNumeric() && firstInput < 0) firstInput = p.index;
    }
    if (firstInput < 0) {
      error = "nothing to sweep: give --sweep NAME=FROM:TO:STEP";
      return false;
    }
    sweep = Sweep{m.params[firstInput].caption, 0, 10, 0.01};
  }
  const int32_t swept = sweep ? m.Find(sweep->target) : -1;

  std::vector<float> variants = o.varyValues;
  if (variants.empty()) variants.push_back(0.0f);
  std::vector<Panel> panels;
  std::vector<std::string> caption;
  for (float value : variants) {
    Instance in(library, m);
    if (!in.Start()) {
      if (kind != nullptr) *kind = FailureKind::kMisuse;
      error = MisuseText(in.misuse(), false);
      return false;
    }
    std::vector<Outputs> snapshots;
    if (!Drive(in, o.actions, std::nullopt, snapshots, error)) return false;
    if (vary >= 0) in.Set(vary, value);
    // Pictures show computed outputs: every button is pressed once after the settings.
    for (const ParamDescription& p : m.params) {
      if (p.kind == kParamButton && o.pressButtons) in.Notify(p.index);
    }
    snapshots.clear();
    if (sweep) {
      if (!Drive(in, {}, sweep, snapshots, error)) return false;
    } else {
      snapshots.push_back(Snapshot(in, "end"));
    }
    if (!in.misuse().empty()) {
      if (kind != nullptr) *kind = FailureKind::kMisuse;
      error = MisuseText(in.misuse(), true);
      return false;
    }
    if (caption.empty()) {
      std::vector<int32_t> skip = {vary, swept};
      const auto diff = Differences(in, skip);
      caption.push_back(diff.empty() ? "All other settings at their defaults." : "Settings that differ from the defaults:");
      std::string line;
      for (const std::string& d : diff) {
        if (line.size() + d.size() > 110) {
          caption.push_back("  " + line);
          line.clear();
        }
        line += (line.empty() ? "" : ",  ") + d;
      }
      if (!line.empty()) caption.push_back("  " + line);
    }
    const std::string variantLabel = vary >= 0 ? Setting(m, vary, value) : "";
    if (o.sideBySide || panels.empty()) {
      Panel p;
      p.title = o.sideBySide ? variantLabel : "";
      p.xLabel = sweep ? "\"" + sweep->target + "\"" : "element index";
      for (int32_t i : outputs) p.yLabel += (p.yLabel.empty() ? "" : ", ") + ("\"" + m.params[i].caption + "\"");
      panels.push_back(p);
    }
    for (int32_t index : outputs) {
      Series s;
      s.label = m.params[index].caption + (vary >= 0 && !o.sideBySide ? " (" + variantLabel + ")" : "");
      // Whole-number arrays are drawn as steps.
      const ParamDescription& p = m.params[index];
      s.steps = p.IsArray() && p.format && *p.format == "%.0f";
      if (sweep) {
        for (const Outputs& snap : snapshots) {
          for (const auto& [i, v] : snap.values) {
            if (i != index) continue;
            s.x.push_back(std::strtod(snap.label.c_str(), nullptr));
            s.y.push_back(v);
          }
        }
      } else {
        for (const auto& [i, a] : snapshots.back().arrays) {
          if (i != index) continue;
          for (size_t e = 0; e < a.size(); ++e) {
            s.x.push_back(static_cast<double>(e));
            s.y.push_back(a[e]);
          }
        }
      }
      panels.back().series.push_back(s);
    }
  }
  bool anyFinite = false;
  for (const Panel& p : panels) {
    for (const Series& s : p.series) {
      for (double y : s.y) anyFinite = anyFinite || std::isfinite(y);
    }
  }
  if (!anyFinite) {
    error = "nothing to draw: every value is NaN or infinite";
    return false;
  }
  const std::string title = !o.title.empty() ? o.title : m.name + (vary >= 0 ? ": \"" + m.params[vary].caption + "\" compared" : "");
  WriteSvg(svg, panels, title, caption);
  return true;
}

}  // namespace usrhost
