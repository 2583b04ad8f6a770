#include "tools/usrhost/sessions/golden.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tools/usrhost/sessions/float_text.hpp"
#include "tools/usrhost/standin/float_bits.hpp"
#include "tools/usrhost/standin/text_io.hpp"

namespace usrhost {
namespace {

std::string Hex(float v) { return HexDigits(FloatBits(v)); }

float FromHex(const nlohmann::json& hex) { return FloatFromBits(GoldenBits(hex)); }

// Runs session lines in a fresh instance. Errors name the line: its origin ("a.session:3") where
// known, else "NAME: action N".
bool Replay(const PluginLibrary& library, const ModuleDescription& m, const std::string& name,
            const std::vector<std::string>& lines, const std::vector<std::string>& origins,
            std::vector<Outputs>& snapshots, std::string& error, FailureKind* kind) {
  std::vector<Action> actions;
  const ChoiceReader choices = [&m](const std::string& param, const std::string& text, double& v, std::string& why) {
    return ChoiceValue(&m, param, text, v, why);
  };
  if (!ParseSessionLines(lines, origins, name, actions, error, choices)) return false;
  std::optional<Sweep> none;
  std::vector<std::string> warnings;
  if (!CheckActions(m, actions, none, warnings, error)) return false;
  Instance in(library, m);
  const bool started = in.Start();
  if (started && !Drive(in, actions, std::nullopt, snapshots, error)) return false;
  if (!started || !in.misuse().empty()) {
    if (kind != nullptr) *kind = FailureKind::kMisuse;
    error = name + ": " + MisuseText(in.misuse(), started);
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

bool LoadGoldenSession(const std::string& path, const ModuleDescription& module, GoldenSession& session,
                       std::string& error) {
  session.name = path.substr(path.find_last_of("/\\") + 1);
  std::vector<Action> actions;
  if (!ReadSessionFile(path, actions, error, &session.actions, &module)) return false;
  for (const Action& a : actions) session.origins.push_back(a.origin);
  return true;
}

bool RecordGolden(const PluginLibrary& library, const ModuleDescription& m, const std::vector<GoldenSession>& sessions,
                  std::ostream& out, std::string& error, FailureKind* kind) {
  nlohmann::ordered_json doc;
  doc["module"] = m.name;
  doc["format"] = "usrhost golden outputs 1: float32 bit patterns in hex, one object per dump";
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const GoldenSession& s : sessions) {
    std::vector<Outputs> snapshots;
    if (!Replay(library, m, s.name, s.actions, s.origins, snapshots, error, kind)) return false;
    nlohmann::ordered_json js;
    js["name"] = s.name;
    js["actions"] = s.actions;
    nlohmann::ordered_json dumps = nlohmann::ordered_json::array();
    for (const Outputs& o : snapshots) dumps.push_back(SnapshotJson(m, o));
    js["dumps"] = dumps;
    list.push_back(js);
  }
  doc["sessions"] = list;
  out << doc.dump(1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
  return true;
}

bool CompareGolden(const PluginLibrary& library, const ModuleDescription& m, const std::string& path,
                   std::ostream& report, std::string& error, FailureKind* kind) {
  std::string text;
  if (!ReadTextFile(path, "golden file", text, error)) return false;
  nlohmann::json doc;
  if (!ParseGolden(text, path, doc, error)) return false;
  if (doc["module"].get<std::string>() != m.name) {
    error = path + ": a golden file of \"" + doc["module"].get<std::string>() + "\", not of \"" + m.name + "\"";
    return false;
  }
  size_t values = 0;
  for (size_t i = 0; i < doc["sessions"].size(); ++i) {
    const nlohmann::json& js = doc["sessions"][i];
    const std::string name = js.contains("name") && js["name"].is_string() ? js["name"].get<std::string>()
                                                                           : "session " + std::to_string(i + 1);
    std::vector<Outputs> snapshots;
    if (!Replay(library, m, path + ": " + name, js["actions"].get<std::vector<std::string>>(), {}, snapshots, error,
                kind)) {
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
        if (want.is_string() != have.is_string()) {
          report << where << ": a single value and an array swapped\n";
          return false;
        }
        if (want.is_string()) {
          ++values;
          if (GoldenBits(want) != GoldenBits(have)) {
            report << where << ": expected " << FloatText(FromHex(want)) << " (0x" << Hex(FromHex(want))
                   << "), got " << FloatText(FromHex(have)) << " (0x" << Hex(FromHex(have)) << ")\n";
            return false;
          }
          continue;
        }
        if (want.size() != have.size()) {
          report << where << ": length " << have.size() << ", expected " << want.size() << "\n";
          return false;
        }
        for (size_t e = 0; e < want.size(); ++e, ++values) {
          if (GoldenBits(want[e]) != GoldenBits(have[e])) {
            report << where << " element " << e << ": expected " << FloatText(FromHex(want[e])) << " (0x"
                   << Hex(FromHex(want[e])) << "), got " << FloatText(FromHex(have[e])) << " (0x"
                   << Hex(FromHex(have[e])) << ")\n";
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
