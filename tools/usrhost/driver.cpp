#include "tools/usrhost/driver.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tools/usrhost/describe_text.hpp"
#include "tools/usrhost/text_io.hpp"
#include "tools/usrhost/vek_seed.hpp"

namespace usrhost {
namespace {


bool ParseNumber(const std::string& text, double& out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  out = std::strtod(begin, &end);
  return end != begin && *end == '\0';
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
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

namespace {

// "0,5" where "0.5" was meant.
bool LooksLikeDecimalComma(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) return false;
  double a, b;
  return ParseNumber(text.substr(0, comma), a) && ParseNumber(text.substr(comma + 1), b) &&
         std::isdigit(static_cast<unsigned char>(text[comma + 1]));
}

// A List set by one of its choices' text, ignoring case: the choice's position.
bool ChoiceValue(const ModuleDescription* m, const std::string& name, const std::string& text, double& v,
                 std::string& error) {
  if (m == nullptr) return false;
  std::string ignored;
  const std::optional<int32_t> index = ResolveParameter(*m, name, ParamUse::kSet, ignored);
  if (!index || m->params[static_cast<size_t>(*index)].kind != kParamList) return false;
  const ParamDescription& p = m->params[static_cast<size_t>(*index)];
  const std::vector<std::string> names = p.ChoiceNames();
  std::string list;
  for (size_t i = 0; i < names.size(); ++i) {
    if (Lower(names[i]) == Lower(text)) return v = static_cast<double>(i), true;
    list += (i ? ", \"" : "\"") + names[i] + "\" (" + std::to_string(i) + ")";
  }
  error = "\"" + p.caption + "\" has no choice \"" + text + "\"; its choices: " + list;
  return false;
}

}  // namespace

bool ParseSweep(const std::string& text, Sweep& sweep, std::string& error) {
  std::string name, range;
  if (!ParseAssignment(text, name, range)) {
    error = "--sweep reads NAME=FROM:TO:STEP, not \"" + text + "\"";
    return false;
  }
  std::vector<double> parts;
  std::stringstream ss(range);
  for (std::string item; std::getline(ss, item, ':');) {
    double v;
    if (!ParseNumber(Trim(item), v) || !std::isfinite(v)) {
      error = "--sweep \"" + text + "\": \"" + item + "\" is not a finite number" +
              (LooksLikeDecimalComma(Trim(item)) ? " (the decimal mark is '.')" : "");
      return false;
    }
    parts.push_back(v);
  }
  const std::string at = "--sweep \"" + text + "\": ";
  if (parts.size() != 3) return (error = at + "give three numbers, FROM:TO:STEP", false);
  if (!(parts[2] > 0)) return (error = at + "STEP must be above 0", false);
  if (parts[1] < parts[0]) return (error = at + "FROM must not be above TO", false);
  if ((parts[1] - parts[0]) / parts[2] > kMaxSweepSteps) {
    return (error = at + "more than " + std::to_string(static_cast<long>(kMaxSweepSteps)) + " steps", false);
  }
  sweep = {name, parts[0], parts[1], parts[2]};
  return true;
}

bool ParseSessionLine(const std::string& raw, std::optional<Action>& action, std::string& error,
                      const ModuleDescription* module) {
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
    if (!ParseAssignment(rest, name, value)) {
      error = "set needs NAME=VALUE: \"" + line + "\"";
      return false;
    }
    if (!ParseNumber(value, v)) {
      std::string choiceError;
      if (!ChoiceValue(module, name, value, v, choiceError)) {
        error = !choiceError.empty() ? choiceError
                : LooksLikeDecimalComma(value)
                    ? "\"" + value + "\" is not a number: the decimal mark is '.' (" +
                          value.substr(0, value.find(',')) + "." + value.substr(value.find(',') + 1) + ")"
                    : "set needs NAME=NUMBER (or a List's choice): \"" + line + "\"";
        return false;
      }
    }
    a = {Action::kSet, name, static_cast<float>(v), 1};
    a.typed = v;
  } else if (verb == "press") {
    if (rest.empty()) {
      error = "press needs a parameter: \"" + line + "\"";
      return false;
    }
    a = {Action::kPress, rest, 0.0f, 1};
  } else if (verb == "cycle") {
    double n = 1;
    if (!rest.empty() && (!ParseNumber(rest, n) || n < 0 || n > kMaxCycles || n != std::floor(n))) {
      error = "cycle takes a whole count from 0 to " + std::to_string(kMaxCycles) + ": \"" + line + "\"";
      return false;
    }
    a = {Action::kCycle, "", 0.0f, static_cast<int>(n)};
  } else if (verb == "dump") {
    if (!rest.empty()) {
      error = "dump takes nothing after it: \"" + line + "\"";
      return false;
    }
    a = {Action::kDump, "", 0.0f, 1};
  } else {
    error = "unknown action \"" + verb + "\" (set, press, cycle, dump)";
    return false;
  }
  action = a;
  return true;
}

namespace {

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, nothing beyond U+10FFFF.
bool ValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : 4;
    if (n == 4 || (n == 1 && c < 0xC2) || (n == 3 && c > 0xF4)) return false;
    for (size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
    }
    i += n + 1;
  }
  return true;
}

}  // namespace

bool ParseSessionText(const std::string& text, const std::string& name, std::vector<Action>& actions,
                      std::string& error, std::vector<std::string>* lines, const ModuleDescription* module) {
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (int number = 1; start <= text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string where = name + ":" + std::to_string(number);
    if (line.size() > kMaxSessionLineBytes) {
      error = where + ": longer than " + std::to_string(kMaxSessionLineBytes >> 10) + " KiB: not a session line";
      return false;
    }
    if (line.find('\0') != std::string::npos || !ValidUtf8(line)) {
      error = where + ": not text (a NUL byte or invalid UTF-8)";
      return false;
    }
    std::optional<Action> a;
    if (!ParseSessionLine(line, a, error, module)) {
      error = where + ": " + error;
      return false;
    }
    if (a) {
      a->origin = where;
      actions.push_back(*a);
      if (lines != nullptr) lines->push_back(Trim(line));
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  return true;
}

bool ReadSessionFile(const std::string& path, std::vector<Action>& actions, std::string& error,
                     std::vector<std::string>* lines, const ModuleDescription* module) {
  std::string text;
  if (!ReadTextFile(path, "session file", text, error)) return false;
  return ParseSessionText(text, path, actions, error, lines, module);
}

namespace {

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

bool Fits(const ParamDescription& p, ParamUse use) {
  switch (use) {
    case ParamUse::kSet: return !p.IsOutput() && p.kind != kParamButton && !p.IsArray();
    case ParamUse::kPress: return p.kind == kParamButton;
    case ParamUse::kShow: return p.IsOutput();
    case ParamUse::kAny: return true;
  }
  return true;
}

const char* UseWords(ParamUse use) {
  switch (use) {
    case ParamUse::kSet: return "can be set";
    case ParamUse::kPress: return "can be pressed";
    case ParamUse::kShow: return "are outputs";
    case ParamUse::kAny: return "are there";
  }
  return "";
}

std::string Quoted(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "\"" : ", \"") + n + "\"";
  return out.empty() ? "none" : out;
}

}  // namespace

std::vector<std::string> Nearest(const std::string& name, const std::vector<std::string>& candidates) {
  std::vector<std::pair<size_t, std::string>> near;
  for (const std::string& c : candidates) {
    const size_t d = EditDistance(Lower(name), Lower(c));
    if (d <= std::max<size_t>(2, c.size() / 3)) near.emplace_back(d, c);
  }
  std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  if (near.size() > 3) near.resize(3);
  std::vector<std::string> names;
  for (const auto& n : near) names.push_back(n.second);
  return names;
}

std::optional<int32_t> ResolveParameter(const ModuleDescription& m, const std::string& name, ParamUse use,
                                        std::string& error) {
  std::optional<int32_t> index;
  const int32_t exact = m.Find(name);
  if (exact >= 0) {
    index = exact;
  } else {
    std::vector<int32_t> folded;
    for (const ParamDescription& p : m.params) {
      if (Lower(p.caption) == Lower(name)) folded.push_back(p.index);
    }
    if (folded.size() == 1) index = folded.front();
  }
  std::vector<std::string> usable;
  for (const ParamDescription& p : m.params) {
    if (Fits(p, use)) usable.push_back(p.caption);
  }
  if (index) {
    const ParamDescription& p = m.params[static_cast<size_t>(*index)];
    if (Fits(p, use)) return index;
    const std::string what = p.IsOutput() ? "an output, which the module sets"
                             : p.kind == kParamButton ? "a button, which is pressed, not set"
                             : p.IsArray() ? "an array"
                             : use == ParamUse::kShow ? "not an output" : "not a button";
    error = "\"" + p.caption + "\" is " + what + "; " +
            (usable.empty() ? "\"" + m.name + "\" has no parameters that " + std::string(UseWords(use))
                            : "in \"" + m.name + "\" these " + UseWords(use) + ": " + Quoted(usable));
    return std::nullopt;
  }
  const std::vector<std::string> suggestions = Nearest(name, usable);
  error = "no parameter \"" + name + "\" in \"" + m.name + "\"" +
          (suggestions.empty() ? "; these " + std::string(UseWords(use)) + ": " + Quoted(usable)
                               : "; did you mean " + Quoted(suggestions) + "?");
  return std::nullopt;
}

std::string ValueWarning(const ParamDescription& p, float v) {
  if (!std::isfinite(v)) return "\"" + p.caption + "\" = " + FloatText(v) + " is not a finite number";
  if ((p.minValue && v < *p.minValue) || (p.maxValue && v > *p.maxValue)) {
    return "\"" + p.caption + "\" = " + FloatText(v) + " is outside its declared range " +
           (p.minValue ? FloatText(*p.minValue) : "?") + " to " + (p.maxValue ? FloatText(*p.maxValue) : "?");
  }
  return "";
}

namespace {
// The caption where it names the parameter unambiguously (it reads better in labels), else the index.
std::string CanonicalName(const ModuleDescription& m, int32_t index) {
  const std::string& caption = m.params[static_cast<size_t>(index)].caption;
  return m.Find(caption) == index ? caption : std::to_string(index);
}
}  // namespace

bool CheckActions(const ModuleDescription& m, std::vector<Action>& actions, std::optional<Sweep>& sweep,
                  std::vector<std::string>& warnings, std::string& error) {
  for (Action& a : actions) {
    if (a.kind != Action::kSet && a.kind != Action::kPress) continue;
    const std::optional<int32_t> index =
        ResolveParameter(m, a.target, a.kind == Action::kSet ? ParamUse::kSet : ParamUse::kPress, error);
    if (!index) {
      if (!a.origin.empty()) error = a.origin + ": " + error;
      return false;
    }
    a.target = CanonicalName(m, *index);
    if (a.kind == Action::kSet) {
      const std::string w = ValueWarning(m.params[static_cast<size_t>(*index)], a.value);
      if (!w.empty()) warnings.push_back(w + (a.origin.empty() ? "" : " (" + a.origin + ")") + "; applied as given, though a host never sends it");
      const std::string seed = SeedWarning(m.params[static_cast<size_t>(*index)], std::isnan(a.typed) ? a.value : a.typed);
      if (!seed.empty()) warnings.push_back(seed + (a.origin.empty() ? "" : " (" + a.origin + ")"));
    }
  }
  if (sweep) {
    const std::optional<int32_t> index = ResolveParameter(m, sweep->target, ParamUse::kSet, error);
    if (!index) {
      error = "--sweep: " + error;
      return false;
    }
    sweep->target = CanonicalName(m, *index);
    const ParamDescription& p = m.params[static_cast<size_t>(*index)];
    for (double end : {sweep->from, sweep->to}) {
      const std::string w = ValueWarning(p, static_cast<float>(end));
      if (!w.empty()) warnings.push_back("--sweep: " + w + "; swept as given, though a host never sends it");
    }
    // A host sends float32: a step finer than its resolution repeats values.
    for (double at : {sweep->from, sweep->to}) {
      const float f = static_cast<float>(at);
      if (sweep->step < static_cast<double>(std::nextafter(std::fabs(f), INFINITY) - std::fabs(f))) {
        warnings.push_back("--sweep: the step " + FloatText(static_cast<float>(sweep->step)) +
                           " is below float32 resolution at " + FloatText(f) + ": rows there repeat the same value");
        break;
      }
    }
  }
  return true;
}

std::vector<std::string> SessionLines(const std::vector<Action>& actions) {
  std::vector<std::string> lines;
  for (const Action& a : actions) {
    switch (a.kind) {
      case Action::kSet: lines.push_back("set " + a.target + "=" + FloatText(a.value)); break;
      case Action::kPress: lines.push_back("press " + a.target); break;
      case Action::kCycle: lines.push_back("cycle " + std::to_string(a.count)); break;
      case Action::kDump: lines.push_back("dump"); break;
    }
  }
  return lines;
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
      snapshots.back().swept = std::make_pair(sweep->target, v);
    }
  } else if (!dumped) {
    snapshots.push_back(Snapshot(instance, "end"));
  }
  return true;
}

namespace {

// The module's display format, where it is one safe conversion of one double; else none.
bool SafeFormat(const std::string& f) {
  const size_t percent = f.find('%');
  if (percent == std::string::npos || f.find('%', percent + 1) != std::string::npos) return false;
  size_t i = percent + 1;
  while (i < f.size() && std::strchr("-+ #0", f[i]) != nullptr) ++i;
  while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) ++i;
  if (i < f.size() && f[i] == '.') {
    ++i;
    while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) ++i;
  }
  return i < f.size() && std::strchr("fFeEgG", f[i]) != nullptr && i - percent < 12;
}

std::string Shown(const ParamDescription& p, float v) {
  if (!std::isfinite(v) || !p.format || !SafeFormat(*p.format)) return FloatText(v);
  char buf[512];
  std::snprintf(buf, sizeof buf, p.format->c_str(), static_cast<double>(v));
  return buf;
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

nlohmann::ordered_json JsonNumber(float v) {
  if (!std::isfinite(v)) return nullptr;  // JSON has no NaN or infinity
  return std::strtod(FloatText(v).c_str(), nullptr);
}

void PrintJson(std::ostream& out, const ModuleDescription& m, const std::vector<Outputs>& snapshots) {
  nlohmann::ordered_json doc;
  doc["module"] = m.name;
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const Outputs& o : snapshots) {
    nlohmann::ordered_json s;
    // A sweep's snapshot names the swept parameter with its value; others say when they were taken.
    if (o.swept) {
      s[o.swept->first] = JsonNumber(o.swept->second);
    } else {
      s["at"] = o.label;
    }
    for (const auto& [index, v] : o.values) s[m.params[index].caption] = JsonNumber(v);
    for (const auto& [index, a] : o.arrays) {
      nlohmann::ordered_json values = nlohmann::ordered_json::array();
      for (float e : a) values.push_back(JsonNumber(e));
      s[m.params[index].caption] = values;
    }
    list.push_back(s);
  }
  doc["snapshots"] = list;
  out << doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

}  // namespace

void PrintOutputs(std::ostream& out, const ModuleDescription& m, const std::vector<Outputs>& snapshots,
                  OutputFormat format) {
  if (format == OutputFormat::kJson) return PrintJson(out, m, snapshots);
  if (snapshots.empty()) return;
  const bool csv = format == OutputFormat::kCsv;
  const Outputs& first = snapshots.front();
  // The header: where, then the scalar outputs, then (for arrays) the element index and the arrays.
  std::vector<std::string> header = {"at"};
  for (const auto& [index, v] : first.values) header.push_back(m.params[index].caption);
  if (!first.arrays.empty()) header.push_back("index");
  for (const auto& [index, a] : first.arrays) header.push_back(m.params[index].caption);
  std::vector<std::vector<std::string>> rows;
  for (const Outputs& o : snapshots) {
    size_t length = o.arrays.empty() ? 1 : 0;
    for (const auto& [index, a] : o.arrays) length = std::max(length, a.size());
    for (size_t i = 0; i < length; ++i) {
      std::vector<std::string> row = {o.label};
      for (const auto& [index, v] : o.values) row.push_back(csv ? FloatText(v) : Shown(m.params[index], v));
      if (!o.arrays.empty()) row.push_back(std::to_string(i));
      for (const auto& [index, a] : o.arrays) {
        row.push_back(i >= a.size() ? "" : csv ? FloatText(a[i]) : Shown(m.params[index], a[i]));
      }
      rows.push_back(std::move(row));
    }
  }
  if (csv) {
    auto print = [&](const std::vector<std::string>& row) {
      for (size_t c = 0; c < row.size(); ++c) out << (c ? "," : "") << CsvField(row[c]);
      out << "\r\n";
    };
    print(header);
    for (const auto& row : rows) print(row);
    return;
  }
  std::vector<size_t> width(header.size());
  for (size_t c = 0; c < header.size(); ++c) width[c] = header[c].size();
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size() && c < width.size(); ++c) width[c] = std::max(width[c], row[c].size());
  }
  auto print = [&](const std::vector<std::string>& row) {
    std::string line;
    for (size_t c = 0; c < row.size() && c < width.size(); ++c) {
      // Text left, numbers right.
      const bool left = c == 0;
      const std::string pad(width[c] - row[c].size(), ' ');
      line += (c ? "  " : "") + (left ? row[c] + pad : pad + row[c]);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  };
  print(header);
  for (const auto& row : rows) print(row);
}

}  // namespace usrhost
