#include "tools/release_runner/release_check.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "tools/release_runner/session.hpp"
#include "tools/usrhost/sessions/golden_text.hpp"
#include "tools/usrhost/standin/host_fp_env.hpp"

namespace runner {
namespace {

struct Golden {
  Session session;
  std::vector<Dump> dumps;
};

// A golden file as the stand-in reads it: its shape checked whole, every session's lines parsed
// before anything runs. Errors name the place ("g.json: sessions[1].dumps is missing or not a
// list", "g.json: a.session: action 3: cycle takes a whole count ...").
bool ReadGolden(const std::string& path, std::vector<Golden>& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  nlohmann::json doc;
  if (!usrhost::ParseGolden(text, path, doc, error)) return false;
  for (size_t i = 0; i < doc["sessions"].size(); ++i) {
    const nlohmann::json& js = doc["sessions"][i];
    Golden g;
    g.session.name = js.contains("name") && js["name"].is_string() ? js["name"].get<std::string>()
                                                                   : "session " + std::to_string(i + 1);
    if (!usrhost::ParseSessionLines(js["actions"].get<std::vector<std::string>>(), {}, path + ": " + g.session.name,
                                    g.session.actions, error, usrhost::ChoiceReader())) {
      return false;
    }
    for (const auto& d : js["dumps"]) {
      Dump dump;
      for (const auto& [caption, values] : d.items()) {
        std::vector<uint32_t>& bits = dump[caption];
        if (values.is_string()) {
          bits.push_back(usrhost::GoldenBits(values));
        } else {
          for (const auto& v : values) bits.push_back(usrhost::GoldenBits(v));
        }
      }
      g.dumps.push_back(std::move(dump));
    }
    out.push_back(std::move(g));
  }
  return true;
}

// Where two runs first differ: "dump 3, Float Out[17]: 0x3f000000, expected 0x3f000001".
std::string FirstDifference(const std::vector<Dump>& got, const std::vector<Dump>& want) {
  if (got.size() != want.size()) return std::to_string(got.size()) + " dumps, expected " + std::to_string(want.size());
  for (size_t i = 0; i < got.size(); ++i) {
    for (const auto& [caption, bits] : want[i]) {
      const auto it = got[i].find(caption);
      if (it == got[i].end()) return "dump " + std::to_string(i + 1) + ": no " + caption;
      const std::vector<uint32_t>& g = it->second;
      if (g.size() != bits.size()) {
        return "dump " + std::to_string(i + 1) + ", " + caption + ": " + std::to_string(g.size()) + " values, expected " +
               std::to_string(bits.size());
      }
      for (size_t k = 0; k < bits.size(); ++k) {
        if (g[k] != bits[k]) {
          char buf[160];
          std::snprintf(buf, sizeof buf, "dump %zu, %s[%zu]: 0x%08x, expected 0x%08x", i + 1, caption.c_str(), k, g[k], bits[k]);
          return buf;
        }
      }
    }
  }
  return "";
}

}  // namespace

bool CheckModule(const Module& module, const std::string& goldenPath, const CheckOptions& options, std::ostream& out,
                 std::ostream& err) {
  std::vector<Golden> golden;
  std::string error;
  if (!ReadGolden(goldenPath, golden, error)) {
    err << "release_runner: " << error << "\n";
    return false;
  }
  const std::vector<Session> hostile = HostileSessions(module);
  bool ok = true;
  auto run = [&](const Session& s, std::optional<vek::FpRegisters> env, int offset, const std::string& label,
                 std::vector<Dump>& dumps) {
    const std::string context = "session " + s.name + ", fp-env " + label + ", stack offset " + std::to_string(offset);
    Instance in(module);
    in.set_host_environment(env);
    in.set_stack_offset(offset);
    in.set_session(&context);
    std::string why;
    if (!in.Start() || !RunSession(module, in, s, dumps, why)) {
      err << "release_runner: " << module.name() << ": " << (why.empty() ? context : why) << "\n";
      ok = false;
    }
    // The first problem of a session says what; the rest would repeat it call after call.
    if (!in.problems().empty()) {
      err << "release_runner: " << module.name() << ": " << in.problems().front();
      if (in.problems().size() > 1) err << " (and " << in.problems().size() - 1 << " more calls in this session)";
      err << "\n";
      ok = false;
    }
  };

  // The default environment with an aligned stack is the reference for the hostile sessions.
  const usrhost::FpPreset& defaults = usrhost::FpPresets().front();
  std::vector<std::vector<Dump>> reference(hostile.size());
  for (size_t i = 0; i < hostile.size(); ++i) run(hostile[i], defaults.environment, 0, "default", reference[i]);

  for (const usrhost::FpPreset& preset : usrhost::FpPresets()) {
    if (!options.presets.empty() &&
        std::find(options.presets.begin(), options.presets.end(), preset.name) == options.presets.end()) {
      continue;
    }
    const vek::FpRegisters env = preset.environment;
    size_t differing = 0;
    auto compare = [&](const Session& s, const std::vector<Dump>& want, const char* against) {
      std::vector<Dump> got;
      run(s, env, options.stackOffset, preset.name, got);
      const std::string diff = FirstDifference(got, want);
      if (diff.empty()) return;
      ++differing;
      ok = false;
      err << "release_runner: " << module.name() << ": session " << s.name << ", fp-env " << preset.name
          << ", stack offset " << options.stackOffset << ": bits differ from " << against << ": " << diff << "\n";
    };
    for (const Golden& g : golden) compare(g.session, g.dumps, "the golden file");
    for (size_t i = 0; i < hostile.size(); ++i) compare(hostile[i], reference[i], "the default environment's");
    out << module.name() << ": fp-env " << preset.name << ", stack offset " << options.stackOffset << ": "
        << golden.size() << " golden and " << hostile.size() << " hostile sessions, "
        << (differing == 0 ? "same bits" : std::to_string(differing) + " differing") << "\n";
  }
  return ok;
}

}  // namespace runner
