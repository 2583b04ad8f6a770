#include "tools/usrhost/sessions/golden.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tools/usrhost/sessions/float_text.hpp"
#include "tools/usrhost/standin/text_io.hpp"

namespace usrhost {
namespace {

std::string Hex(float v) {
  uint32_t b;
  std::memcpy(&b, &v, 4);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", b);
  return buf;
}

// The bit pattern a golden value holds (either case of hex digits).
uint32_t BitsOf(const nlohmann::json& hex) {
  return static_cast<uint32_t>(std::strtoul(hex.get_ref<const std::string&>().c_str(), nullptr, 16));
}

float FromHex(const nlohmann::json& hex) {
  const uint32_t b = BitsOf(hex);
  float v;
  std::memcpy(&v, &b, 4);
  return v;
}

// Runs session lines in a fresh instance. Errors name the line: its origin ("a.session:3") where
// known, else "NAME: action N".
bool Replay(const PluginLibrary& library, const ModuleDescription& m, const std::string& name,
            const std::vector<std::string>& lines, const std::vector<std::string>& origins,
            std::vector<Outputs>& snapshots, std::string& error, FailureKind* kind) {
  std::vector<Action> actions;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string origin = i < origins.size() ? origins[i] : name + ": action " + std::to_string(i + 1);
    std::optional<Action> a;
    if (!ParseSessionLine(lines[i], a, error, &m)) {
      error = origin + ": " + error;
      return false;
    }
    if (!a) continue;
    a->origin = origin;
    actions.push_back(*a);
  }
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

namespace {

// "line L, column C" of a byte offset, for a parse error a user can find in an editor.
std::string Position(const std::string& text, size_t offset) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return std::to_string(line) + ":" + std::to_string(column);
}

bool IsBits(const nlohmann::json& v) {
  return v.is_string() && v.get_ref<const std::string&>().size() == 8 &&
         v.get_ref<const std::string&>().find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// The shape a golden file must have, checked whole before anything runs; the error names the
// place ("sessions[1].dumps[0].Output").
bool CheckGoldenShape(const nlohmann::json& doc, std::string& error) {
  if (!doc.is_object()) return (error = "not a golden file: the top level is not an object", false);
  if (!doc.contains("module") || !doc["module"].is_string()) return (error = "\"module\" is missing or not text", false);
  if (!doc.contains("sessions") || !doc["sessions"].is_array()) return (error = "\"sessions\" is missing or not a list", false);
  if (doc["sessions"].empty()) return (error = "\"sessions\" is empty: nothing to compare", false);
  for (size_t i = 0; i < doc["sessions"].size(); ++i) {
    const nlohmann::json& js = doc["sessions"][i];
    const std::string at = "sessions[" + std::to_string(i) + "]";
    if (!js.is_object()) return (error = at + " is not an object", false);
    if (!js.contains("actions") || !js["actions"].is_array()) return (error = at + ".actions is missing or not a list", false);
    for (const auto& a : js["actions"]) {
      if (!a.is_string()) return (error = at + ".actions holds something that is not text", false);
    }
    if (!js.contains("dumps") || !js["dumps"].is_array()) return (error = at + ".dumps is missing or not a list", false);
    for (size_t d = 0; d < js["dumps"].size(); ++d) {
      const nlohmann::json& dump = js["dumps"][d];
      const std::string dat = at + ".dumps[" + std::to_string(d) + "]";
      if (!dump.is_object()) return (error = dat + " is not an object", false);
      for (auto it = dump.begin(); it != dump.end(); ++it) {
        bool ok = IsBits(it.value());
        if (it.value().is_array()) {
          ok = true;
          for (const auto& e : it.value()) ok = ok && IsBits(e);
        }
        if (!ok) return (error = dat + "." + it.key() + " is not 8 hex digits or a list of them", false);
      }
    }
  }
  return true;
}

}  // namespace

bool ParseGolden(const std::string& text, const std::string& path, nlohmann::json& doc, std::string& error) {
  try {
    doc = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    std::string why = e.what();
    const size_t colon = why.rfind(": ");
    why = colon == std::string::npos ? why : why.substr(colon + 2);
    error = path + ":" + Position(text, e.byte > 0 ? e.byte - 1 : 0) + ": not JSON: " + why;
    return false;
  } catch (const nlohmann::json::exception& e) {
    // Valid syntax the parser still refuses, such as a number beyond a double ("1e999"); it names
    // the token but not where it is, so point at the token's first occurrence.
    std::string why = e.what();
    const size_t colon = why.rfind("] ");
    why = colon == std::string::npos ? why : why.substr(colon + 2);
    const size_t open = why.find('\''), close = why.rfind('\'');
    size_t at = std::string::npos;
    if (open != std::string::npos && close > open) at = text.find(why.substr(open + 1, close - open - 1));
    error = path + (at == std::string::npos ? "" : ":" + Position(text, at)) + ": not JSON: " + why;
    return false;
  }
  if (!CheckGoldenShape(doc, error)) {
    error = path + ": " + error;
    return false;
  }
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
          if (BitsOf(want) != BitsOf(have)) {
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
          if (BitsOf(want[e]) != BitsOf(have[e])) {
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
