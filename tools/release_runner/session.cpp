#include "tools/release_runner/session.hpp"

#include <cmath>

#include "tools/usrhost/sessions/hostile_values.hpp"

namespace runner {

bool RunSession(const Module& module, Instance& instance, const Session& session, std::vector<Dump>& dumps,
                std::string& error) {
  for (const usrhost::Action& a : session.actions) {
    switch (a.kind) {
      case usrhost::Action::kSet:
      case usrhost::Action::kPress: {
        const int32_t param = module.Find(a.target);
        if (param < 0) {
          error = a.origin + ": no such parameter \"" + a.target + "\"";
          return false;
        }
        if (a.kind == usrhost::Action::kPress) {
          instance.Notify(param);
        } else {
          instance.Set(param, a.value);
        }
        break;
      }
      case usrhost::Action::kCycle:
        for (int i = 0; i < a.count; ++i) instance.Process();
        break;
      case usrhost::Action::kDump: dumps.push_back(instance.Snapshot()); break;
    }
  }
  return true;
}

std::vector<Session> HostileSessions(const Module& module) {
  const Param* compute = nullptr;
  for (const Param& p : module.params()) {
    if (p.isButton) compute = &p;
  }
  std::vector<Session> sessions;
  for (const Param& p : module.params()) {
    if (p.isOutput || p.isButton) continue;
    Session s{"hostile " + p.caption, {}};
    auto add = [&](usrhost::Action a) {
      a.origin = s.name + ": action " + std::to_string(s.actions.size() + 1);
      s.actions.push_back(std::move(a));
    };
    for (float v : usrhost::kHostileValues) {
      usrhost::Action set{usrhost::Action::kSet, p.caption, v, 1};
      set.typed = v;
      add(set);
      if (compute != nullptr) add({usrhost::Action::kPress, compute->caption, 0.0f, 1});
      add({usrhost::Action::kCycle, "", 0.0f, 1});
      add({usrhost::Action::kDump, "", 0.0f, 1});
    }
    sessions.push_back(std::move(s));
  }
  return sessions;
}

}  // namespace runner
