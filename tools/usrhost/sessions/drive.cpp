#include "tools/usrhost/sessions/drive.hpp"

#include <cmath>

#include "tools/usrhost/sessions/float_text.hpp"

namespace usrhost {
namespace {

int32_t Resolve(const Instance& in, const std::string& target, std::string& error) {
  const int32_t index = in.module().Find(target);
  if (index < 0) error = "no parameter \"" + target + "\" in \"" + in.module().name + "\"";
  return index;
}


}  // namespace

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


}  // namespace usrhost
