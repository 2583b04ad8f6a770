#include "tools/usrhost/driver.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tools/usrhost/describe_text.hpp"

namespace usrhost {
namespace {

// A sweep of more steps than this is surely a typo, not a wish.
constexpr double kMaxSweepSteps = 1e6;

bool ParseNumber(const std::string& text, double& out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  out = std::strtod(begin, &end);
  return end != begin && *end == '\0';
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

int32_t Resolve(const Instance& in, const std::string& target, std::string& error) {
  const int32_t index = in.module().Find(target);
  if (index < 0) error = "no parameter \"" + target + "\" in \"" + in.module().name + "\"";
  return index;
}

}  // namespace

bool ParseAssignment(const std::string& text, std::string& name, std::string& value) {
  const size_t eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0) return false;
  name = Trim(text.substr(0, eq));
  value = Trim(text.substr(eq + 1));
  return !name.empty() && !value.empty();
}

bool ParseSweep(const std::string& text, Sweep& sweep, std::string& error) {
  std::string name, range;
  if (!ParseAssignment(text, name, range)) {
    error = "a sweep reads NAME=FROM:TO:STEP, not \"" + text + "\"";
    return false;
  }
  std::vector<double> parts;
  std::stringstream ss(range);
  for (std::string item; std::getline(ss, item, ':');) {
    double v;
    if (!ParseNumber(Trim(item), v) || !std::isfinite(v)) {
      error = "sweep bound \"" + item + "\" is not a finite number";
      return false;
    }
    parts.push_back(v);
  }
  if (parts.size() != 3 || !(parts[2] > 0) || parts[1] < parts[0] || (parts[1] - parts[0]) / parts[2] > kMaxSweepSteps) {
    error = "a sweep needs FROM <= TO and a positive STEP, at most a million steps: \"" + text + "\"";
    return false;
  }
  sweep = {name, parts[0], parts[1], parts[2]};
  return true;
}

bool ParseSessionLine(const std::string& raw, std::optional<Action>& action, std::string& error) {
  action.reset();
  const std::string line = Trim(raw);
  if (line.empty() || line[0] == '#') return true;
  const size_t space = line.find_first_of(" \t");
  const std::string verb = line.substr(0, space);
  const std::string rest = space == std::string::npos ? "" : Trim(line.substr(space));
  Action a{};
  if (verb == "set") {
    std::string name, value;
    double v;
    if (!ParseAssignment(rest, name, value) || !ParseNumber(value, v)) {
      error = "set needs NAME=NUMBER: \"" + line + "\"";
      return false;
    }
    a = {Action::kSet, name, static_cast<float>(v), 1};
  } else if (verb == "press") {
    if (rest.empty()) {
      error = "press needs a parameter: \"" + line + "\"";
      return false;
    }
    a = {Action::kPress, rest, 0.0f, 1};
  } else if (verb == "cycle") {
    double n = 1;
    if (!rest.empty() && (!ParseNumber(rest, n) || n < 0 || n > 1e9 || n != std::floor(n))) {
      error = "cycle takes a whole count: \"" + line + "\"";
      return false;
    }
    a = {Action::kCycle, "", 0.0f, static_cast<int>(n)};
  } else if (verb == "dump") {
    a = {Action::kDump, "", 0.0f, 1};
  } else {
    error = "unknown action \"" + verb + "\" (set, press, cycle, dump)";
    return false;
  }
  action = a;
  return true;
}

bool ReadSessionFile(const std::string& path, std::vector<Action>& actions, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read session file " + path;
    return false;
  }
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    std::optional<Action> a;
    if (!ParseSessionLine(line, a, error)) {
      error = path + ":" + std::to_string(number) + ": " + error;
      return false;
    }
    if (a) actions.push_back(*a);
  }
  return true;
}

Outputs Snapshot(const Instance& instance, std::string label) {
  Outputs o;
  o.label = std::move(label);
  for (const ParamDescription& p : instance.module().params) {
    if (!p.IsOutput()) continue;
    if (p.IsArray()) {
      o.arrays.emplace_back(p.index, instance.array(p.index));
    } else {
      o.values.emplace_back(p.index, instance.value(p.index));
    }
  }
  return o;
}

bool Drive(Instance& instance, const std::vector<Action>& actions, const std::optional<Sweep>& sweep,
           std::vector<Outputs>& snapshots, std::string& error) {
  bool dumped = false;
  for (const Action& a : actions) {
    switch (a.kind) {
      case Action::kSet: {
        const int32_t index = Resolve(instance, a.target, error);
        if (index < 0) return false;
        instance.Set(index, a.value);
        break;
      }
      case Action::kPress: {
        const int32_t index = Resolve(instance, a.target, error);
        if (index < 0) return false;
        instance.Notify(index);
        break;
      }
      case Action::kCycle:
        for (int i = 0; i < a.count; ++i) instance.Process();
        break;
      case Action::kDump:
        snapshots.push_back(Snapshot(instance, "dump " + std::to_string(snapshots.size() + 1)));
        dumped = true;
        break;
    }
  }
  if (sweep) {
    const int32_t index = Resolve(instance, sweep->target, error);
    if (index < 0) return false;
    const long steps = static_cast<long>(std::floor((sweep->to - sweep->from) / sweep->step + 1e-9));
    for (long i = 0; i <= steps; ++i) {
      const float v = static_cast<float>(sweep->from + static_cast<double>(i) * sweep->step);
      instance.Set(index, v);
      instance.Process();
      snapshots.push_back(Snapshot(instance, FloatText(v)));
    }
  } else if (!dumped) {
    snapshots.push_back(Snapshot(instance, "end"));
  }
  return true;
}

namespace {

std::string Fixed(float v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.8f", static_cast<double>(v));
  return buf;
}

void PrintJson(std::ostream& out, const ModuleDescription& m, const std::vector<Outputs>& snapshots) {
  nlohmann::ordered_json doc;
  doc["module"] = m.name;
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const Outputs& o : snapshots) {
    nlohmann::ordered_json s;
    s["label"] = o.label;
    for (const auto& [index, v] : o.values) s[m.params[index].caption] = v;
    for (const auto& [index, a] : o.arrays) s[m.params[index].caption] = a;
    list.push_back(s);
  }
  doc["snapshots"] = list;
  out << doc.dump(2) << "\n";
}

}  // namespace

void PrintOutputs(std::ostream& out, const ModuleDescription& m, const std::vector<Outputs>& snapshots,
                  OutputFormat format) {
  if (format == OutputFormat::kJson) return PrintJson(out, m, snapshots);
  const bool csv = format == OutputFormat::kCsv;
  const char* sep = csv ? "," : "  ";
  auto cell = [&](const std::string& s, size_t width) {
    if (csv) return s;
    return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
  };
  // Scalar outputs: one row per snapshot.
  bool anyValues = false;
  for (const Outputs& o : snapshots) anyValues |= !o.values.empty();
  if (anyValues) {
    out << cell("at", 14);
    for (const auto& [index, v] : snapshots.front().values) out << sep << m.params[index].caption;
    out << "\n";
    for (const Outputs& o : snapshots) {
      out << cell(o.label, 14);
      for (const auto& [index, v] : o.values) out << sep << (csv ? FloatText(v) : Fixed(v));
      out << "\n";
    }
  }
  // Array outputs: one row per element, the arrays side by side.
  for (const Outputs& o : snapshots) {
    if (o.arrays.empty()) continue;
    if (snapshots.size() > 1) out << (csv ? "# " : "") << o.label << "\n";
    out << cell("index", 6);
    size_t rows = 0;
    for (const auto& [index, a] : o.arrays) {
      out << sep << cell(m.params[index].caption, 12);
      rows = a.size() > rows ? a.size() : rows;
    }
    out << "\n";
    for (size_t i = 0; i < rows; ++i) {
      out << cell(std::to_string(i), 6);
      for (const auto& [index, a] : o.arrays) {
        const std::string text = i < a.size() ? (csv ? FloatText(a[i]) : Fixed(a[i])) : "";
        out << sep << cell(text, 12);
      }
      out << "\n";
    }
  }
}

}  // namespace usrhost
