#include "tools/usrhost/golden.hpp"

#include <cstdio>
#include <cstring>
#include <fstream>

#include <nlohmann/json.hpp>

#include "tools/usrhost/describe_text.hpp"

namespace usrhost {
namespace {

std::string Hex(float v) {
  uint32_t b;
  std::memcpy(&b, &v, 4);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", b);
  return buf;
}

float FromHex(const std::string& s) {
  const uint32_t b = static_cast<uint32_t>(std::stoul(s, nullptr, 16));
  float v;
  std::memcpy(&v, &b, 4);
  return v;
}

bool Replay(const PluginLibrary& library, const ModuleDescription& m, const std::vector<std::string>& lines,
            std::vector<Outputs>& snapshots, std::string& error) {
  std::vector<Action> actions;
  for (const std::string& line : lines) {
    std::optional<Action> a;
    if (!ParseSessionLine(line, a, error)) return false;
    if (a) actions.push_back(*a);
  }
  Instance in(library, m);
  if (!in.Start()) {
    error = "Create returned null";
    return false;
  }
  if (!Drive(in, actions, std::nullopt, snapshots, error)) return false;
  if (!in.misuse().empty()) {
    error = "service misuse: " + in.misuse().front();
    return false;
  }
  return true;
}

nlohmann::ordered_json SnapshotJson(const ModuleDescription& m, const Outputs& o) {
  nlohmann::ordered_json s = nlohmann::ordered_json::object();
  for (const auto& [index, v] : o.values) s[m.params[index].caption] = Hex(v);
  for (const auto& [index, a] : o.arrays) {
    nlohmann::ordered_json arr = nlohmann::ordered_json::array();
    for (float f : a) arr.push_back(Hex(f));
    s[m.params[index].caption] = arr;
  }
  return s;
}

}  // namespace

bool LoadGoldenSession(const std::string& path, GoldenSession& session, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  session.name = path.substr(path.find_last_of("/\\") + 1);
  for (std::string line; std::getline(in, line);) {
    std::optional<Action> a;
    if (!ParseSessionLine(line, a, error)) {
      error = path + ": " + error;
      return false;
    }
    if (a) session.actions.push_back(line);
  }
  return true;
}

bool RecordGolden(const PluginLibrary& library, const ModuleDescription& m, const std::vector<GoldenSession>& sessions,
                  std::ostream& out, std::string& error) {
  nlohmann::ordered_json doc;
  doc["module"] = m.name;
  doc["format"] = "usrhost golden outputs 1: float32 bit patterns in hex, one object per dump";
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const GoldenSession& s : sessions) {
    std::vector<Outputs> snapshots;
    if (!Replay(library, m, s.actions, snapshots, error)) {
      error = s.name + ": " + error;
      return false;
    }
    nlohmann::ordered_json js;
    js["name"] = s.name;
    js["actions"] = s.actions;
    nlohmann::ordered_json dumps = nlohmann::ordered_json::array();
    for (const Outputs& o : snapshots) dumps.push_back(SnapshotJson(m, o));
    js["dumps"] = dumps;
    list.push_back(js);
  }
  doc["sessions"] = list;
  out << doc.dump(1) << "\n";
  return true;
}

bool CompareGolden(const PluginLibrary& library, const ModuleDescription& m, const std::string& path,
                   std::ostream& report, std::string& error) {
  std::ifstream in(path);
  const nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
  if (!doc.is_object() || !doc.contains("sessions")) {
    error = "cannot read golden file " + path;
    return false;
  }
  if (doc.value("module", "") != m.name) {
    report << "golden file is for \"" << doc.value("module", "") << "\", the library is \"" << m.name << "\"\n";
    return false;
  }
  size_t values = 0;
  for (const auto& js : doc["sessions"]) {
    const std::string name = js.value("name", "?");
    std::vector<Outputs> snapshots;
    if (!Replay(library, m, js["actions"].get<std::vector<std::string>>(), snapshots, error)) {
      error = name + ": " + error;
      return false;
    }
    const auto& dumps = js["dumps"];
    if (dumps.size() != snapshots.size()) {
      report << name << ": " << snapshots.size() << " dumps, the golden file has " << dumps.size() << "\n";
      return false;
    }
    for (size_t d = 0; d < dumps.size(); ++d) {
      const nlohmann::json got = SnapshotJson(m, snapshots[d]);
      for (auto it = dumps[d].begin(); it != dumps[d].end(); ++it) {
        const std::string where = name + ", dump " + std::to_string(d + 1) + ", \"" + it.key() + "\"";
        if (!got.contains(it.key())) {
          report << where << ": output missing\n";
          return false;
        }
        const nlohmann::json& want = it.value();
        const nlohmann::json& have = got[it.key()];
        if (want.is_string()) {
          ++values;
          if (want != have) {
            report << where << ": expected " << FloatText(FromHex(want)) << " (0x" << want.get<std::string>()
                   << "), got " << FloatText(FromHex(have)) << " (0x" << have.get<std::string>() << ")\n";
            return false;
          }
          continue;
        }
        if (want.size() != have.size()) {
          report << where << ": length " << have.size() << ", expected " << want.size() << "\n";
          return false;
        }
        for (size_t i = 0; i < want.size(); ++i, ++values) {
          if (want[i] != have[i]) {
            report << where << " element " << i << ": expected " << FloatText(FromHex(want[i])) << " (0x"
                   << want[i].get<std::string>() << "), got " << FloatText(FromHex(have[i])) << " (0x"
                   << have[i].get<std::string>() << ")\n";
            return false;
          }
        }
      }
    }
  }
  report << "identical: " << doc["sessions"].size() << " sessions, " << values << " values, bit for bit\n";
  return true;
}

}  // namespace usrhost
