#include "tools/release_runner/session.hpp"

#include <cstdlib>

namespace runner {
namespace {

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

}  // namespace

bool RunSession(const Module& module, Instance& instance, const Session& session, std::vector<Dump>& dumps,
                std::string& error) {
  for (const std::string& raw : session.lines) {
    const std::string line = Trim(raw);
    auto fail = [&](const std::string& why) {
      error = session.name + ": \"" + line + "\": " + why;
      return false;
    };
    if (line.empty() || line[0] == '#') continue;
    const size_t space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : Trim(line.substr(space));
    if (verb == "set" || verb == "press") {
      const size_t eq = verb == "set" ? rest.rfind('=') : std::string::npos;
      const int32_t param = module.Find(verb == "set" ? Trim(rest.substr(0, eq)) : rest);
      if (param < 0) return fail("no such parameter");
      if (verb == "press") {
        instance.Notify(param);
        continue;
      }
      if (eq == std::string::npos) return fail("set needs NAME=NUMBER");
      const std::string number = Trim(rest.substr(eq + 1));
      char* end = nullptr;
      const double v = std::strtod(number.c_str(), &end);
      if (number.empty() || *end != '\0') return fail("set needs NAME=NUMBER");
      instance.Set(param, static_cast<float>(v));
    } else if (verb == "cycle") {
      const long n = rest.empty() ? 1 : std::strtol(rest.c_str(), nullptr, 10);
      for (long i = 0; i < n; ++i) instance.Process();
    } else if (verb == "dump") {
      dumps.push_back(instance.Snapshot());
    } else {
      return fail("unknown action (set, press, cycle, dump)");
    }
  }
  return true;
}

std::vector<Session> HostileSessions(const Module& module) {
  static const char* const kValues[] = {"nan", "inf", "-inf", "3.4e38", "-3.4e38", "1e-40", "-1e-45", "1e30", "-1e30"};
  std::string compute;
  for (const Param& p : module.params()) {
    if (p.isButton) compute = "press " + p.caption;
  }
  std::vector<Session> sessions;
  for (const Param& p : module.params()) {
    if (p.isOutput || p.isButton) continue;
    Session s{"hostile " + p.caption, {}};
    for (const char* v : kValues) {
      s.lines.push_back("set " + p.caption + "=" + v);
      if (!compute.empty()) s.lines.push_back(compute);
      s.lines.push_back("cycle");
      s.lines.push_back("dump");
    }
    sessions.push_back(std::move(s));
  }
  return sessions;
}

}  // namespace runner
