#include "tools/usrhost/sessions/names.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "tools/usrhost/sessions/float_text.hpp"

namespace usrhost {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}


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
  }
  return true;
}

const char* UseWords(ParamUse use) {
  switch (use) {
    case ParamUse::kSet: return "can be set";
    case ParamUse::kPress: return "can be pressed";
    case ParamUse::kShow: return "are outputs";
  }
  return "";
}

std::string Quoted(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "\"" : ", \"") + n + "\"";
  return out.empty() ? "none" : out;
}


}  // namespace

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
  error = "\"" + p.caption + "\" has no choice \"" + text + "\"; its choices: " +
          (list.empty() ? std::string("none that parse") : list);
  return false;
}


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


}  // namespace usrhost
