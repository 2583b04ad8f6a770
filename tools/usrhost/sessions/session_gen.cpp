#include "tools/usrhost/sessions/session_gen.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "tools/usrhost/sessions/hostile_values.hpp"
#include "tools/usrhost/standin/float_bits.hpp"

namespace usrhost {
namespace {

// Entries of a List, at least one.
int ChoiceCount(const ParamDescription& p) { return std::max<int>(1, static_cast<int>(p.ChoiceNames().size())); }

float InRangeValue(const ParamDescription& p, std::mt19937& rng) {
  if (p.kind == kParamList) return static_cast<float>(rng() % static_cast<uint32_t>(ChoiceCount(p)));
  const double lo = p.minValue.value_or(-100.0f), hi = p.maxValue.value_or(100.0f);
  // Settings spanning the whole float range are mostly used near the origin.
  const double a = std::max(lo, -1000.0), b = std::min(hi, 1000.0);
  const uint32_t how = rng() % 10;
  double v;
  if (how == 0) {
    v = lo;
  } else if (how == 1) {
    v = hi;
  } else if (a <= b) {
    v = std::uniform_real_distribution<double>(a, b)(rng);
  } else {
    v = std::uniform_real_distribution<double>(lo, hi)(rng);
  }
  float f = static_cast<float>(v);
  if (f != 0.0f && std::fabs(f) < FLT_MIN) f = 0.0f;  // in-range sessions send no subnormals
  return f;
}

}  // namespace

std::vector<Action> InRangeSession(const ModuleDescription& m, uint32_t seed, int steps) {
  std::mt19937 rng(seed);
  std::vector<int32_t> inputs;
  for (const ParamDescription& p : m.params) {
    if (!p.IsOutput()) inputs.push_back(p.index);
  }
  std::vector<Action> actions;
  for (int i = 0; i < steps; ++i) {
    const uint32_t what = rng() % 8;
    if (what == 0 || inputs.empty()) {
      actions.push_back({Action::kCycle, "", 0.0f, 1 + static_cast<int>(rng() % 3)});
    } else {
      const ParamDescription& p = m.params[inputs[rng() % inputs.size()]];
      const std::string target = std::to_string(p.index);
      if (p.kind == kParamButton) {
        actions.push_back({Action::kPress, target, 0.0f, 1});
      } else {
        actions.push_back({Action::kSet, target, InRangeValue(p, rng), 1});
      }
      if (rng() % 2 == 0) actions.push_back({Action::kCycle, "", 0.0f, 1});
    }
    actions.push_back({Action::kDump, "", 0.0f, 1});
  }
  return actions;
}

HostileAction RandomHostileAction(const ModuleDescription& m, std::mt19937& rng) {
  // The hostile values, then the edges where conversions and ranges of modules tend to break.
  static const std::vector<float> kHostile = [] {
    std::vector<float> v(std::begin(kHostileValues), std::end(kHostileValues));
    v.insert(v.end(), {FLT_MIN, 0.0f, -0.0f, -5.0f, 1e9f, -1e9f, 2.5e9f, 4294967296.0f, 0.5f, 1.0f, 16.5f, 17.0f,
                       2048.0f, 2049.0f, -2147483648.0f});
    return v;
  }();
  HostileAction a{};
  const int32_t count = static_cast<int32_t>(m.params.size());
  a.param = static_cast<int32_t>(rng() % static_cast<uint32_t>(count + 2)) - 1;
  const uint32_t kind = rng() % 20;
  a.kind = kind < 9 ? HostileAction::kSet : kind < 12 ? HostileAction::kStore
         : kind < 16 ? HostileAction::kNotify : kind < 19 ? HostileAction::kProcess : HostileAction::kInit;
  a.value = rng() % 2 ? kHostile[rng() % kHostile.size()]
                      : std::uniform_real_distribution<float>(-40.0f, 40.0f)(rng);
  a.detail = rng() % 6 == 0 ? static_cast<int32_t>(rng()) : 0;
  a.withServices = rng() % 2 == 0;
  a.hostValue = rng() % 3;
  if ((a.kind == HostileAction::kSet || a.kind == HostileAction::kStore) &&
      (a.param < 0 || a.param >= count || m.params[a.param].IsOutput())) {
    a.kind = HostileAction::kNotify;  // values go only to inputs
  }
  return a;
}

std::string HostileAction::Describe(const ModuleDescription& m) const {
  auto name = [&] {
    return param >= 0 && param < static_cast<int32_t>(m.params.size()) ? "\"" + m.params[param].caption + "\""
                                                                       : "index " + std::to_string(param);
  };
  char v[32];
  std::snprintf(v, sizeof v, "%.9g", static_cast<double>(value));
  switch (kind) {
    case kSet: return "set " + name() + " = " + v + " (message detail " + std::to_string(detail) + ")";
    case kStore: return "store " + name() + " = " + v + " without a message";
    case kNotify: return "message for " + name() + " with detail " + std::to_string(detail);
    case kProcess: return "Process";
    case kInit: return std::string("InitModule with ") + (withServices ? "services" : "null services") +
                       ", hostValue " + std::to_string(hostValue);
  }
  return "";
}

std::vector<uint32_t> OutputBits(const Outputs& o) {
  std::vector<uint32_t> bits;
  auto add = [&](float f) { bits.push_back(FloatBits(f)); };
  for (const auto& [index, v] : o.values) add(v);
  for (const auto& [index, a] : o.arrays) {
    bits.push_back(static_cast<uint32_t>(a.size()));
    for (float f : a) add(f);
  }
  return bits;
}

}  // namespace usrhost
