#pragma once
// Golden outputs: the exact bits a module produced for a set of sessions, recorded once and
// replayed against any build of it, on any platform.
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/usrhost/sessions/drive.hpp"
#include "tools/usrhost/sessions/golden_text.hpp"
#include "tools/usrhost/sessions/names.hpp"

namespace usrhost {

struct GoldenSession {
  std::string name;
  std::vector<std::string> actions;  // session lines: set N=V, press N, cycle K, dump
  std::vector<std::string> origins;  // where each was written ("a.session:3"), for messages
};

// Runs each session in a fresh instance and writes what every dump held, bit for bit.
bool RecordGolden(const PluginLibrary& library, const ModuleDescription& module,
                  const std::vector<GoldenSession>& sessions, std::ostream& out, std::string& error,
                  FailureKind* kind = nullptr);

// Replays a golden file; on the first difference says where in `report`, and returns false. When
// it cannot compare (a bad file, one of another module, misuse) `error` says why and `kind` which.
bool CompareGolden(const PluginLibrary& library, const ModuleDescription& module, const std::string& goldenPath,
                   std::ostream& report, std::string& error, FailureKind* kind = nullptr);

// A session file's lines, named after the file.
bool LoadGoldenSession(const std::string& path, const ModuleDescription& module, GoldenSession& session,
                       std::string& error);

}  // namespace usrhost
