#pragma once
// What every usrhost subcommand shares: the documented exit statuses, one-line errors, loading a
// module by the path a user typed, and output files that appear whole or not at all.
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

#include "tools/usrhost/discovery.hpp"
#include "tools/usrhost/instance.hpp"

namespace usrhost {

// The exit statuses, as --help and the README document them.
enum ExitStatus : int {
  kExitOk = 0,
  kExitFailed = 1,    // a check or a comparison failed
  kExitUsage = 2,     // bad options or input: a file that cannot be read, loaded, parsed or written
  kExitMisuse = 3,    // the module misused the host (services, floating-point environment)
};

// "usrhost: <what>" on stderr; returns kExitUsage so that callers can `return Error(...)`.
int Error(const std::string& what);
void Warn(const std::string& what);

// Loads a module and reads its declaration; on failure says why in one line.
bool LoadModule(const std::string& path, PluginLibrary& library, ModuleDescription& module);

// Every misuse the instance (and no instance) recorded, one line each; kExitMisuse if any.
int ReportMisuse(const Instance& instance);

// An output file written beside its target and renamed over it when complete, so that a failure
// leaves an existing file as it was and never a partial one. "-" is stdout.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Creates the temporary file now, so that an unwritable target fails before any work.
  bool Open(const std::string& path, std::string& error);
  std::ostream& stream();
  // Writes the temporary file and renames it over the target; false with the reason when the data
  // did not all land.
  bool Commit(std::string& error);

 private:
  // The text waits in memory and the file is open only inside Commit: a file held open while the
  // validator starts its children would be inherited by them (and on Windows by a crash handler
  // they start), and the rename over the target would then fail.
  std::string path_, temp_;
  std::ostringstream buffer_;
  bool pending_ = false;  // the temporary file exists and is ours to remove
  bool toStdout_ = false;
};

// --fp-env: a preset, raw values, or (where a command allows it) "all" for every preset in turn.
bool ApplyFpEnvironment(const std::string& text, std::string& error);
std::string FpEnvHelp(bool allowAll);

}  // namespace usrhost
