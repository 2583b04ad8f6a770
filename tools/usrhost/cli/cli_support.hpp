#pragma once
// What every usrhost subcommand shares: the documented exit statuses, one-line errors, loading a
// module by the path a user typed, and output files that appear whole or not at all.
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

#include "tools/usrhost/standin/discovery.hpp"
#include "tools/usrhost/standin/exit_status.hpp"
#include "tools/usrhost/standin/instance.hpp"
#include "tools/usrhost/sessions/output_file.hpp"

namespace usrhost {


// "usrhost: <what>" on stderr; returns kExitUsage so that callers can `return Error(...)`.
int Error(const std::string& what);
void Warn(const std::string& what);

// Loads a module and reads its declaration; on failure says why in one line.
bool LoadModule(const std::string& path, PluginLibrary& library, ModuleDescription& module);

// Every misuse the instance recorded, one line each (a repeated one once, with its count);
// kExitMisuse if any.
int ReportMisuse(const Instance& instance);
// Says what failed in one line and returns its exit status: kExitMisuse when the module misused
// the host, else kExitUsage.
int Fail(FailureKind kind, const std::string& error);
// The end of a command that writes a file: the output lands whole (kExitOk) or the reason is said.
int Commit(OutputFile& out);

// --fp-env: a preset, raw values, or (where a command allows it) "all" for every preset in turn.
bool ApplyFpEnvironment(const std::string& text, std::string& error);
std::string FpEnvHelp(bool allowAll);

}  // namespace usrhost
