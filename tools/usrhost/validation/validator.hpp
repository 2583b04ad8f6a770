#pragma once
// `usrhost validate`: named checks of any module library of this kind, each with a level and a
// one-line description, each run in a child process so that a crash or a hang is a reported
// failure with the exact command that reproduces it.
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace usrhost {

enum class Verdict { kPass, kWarn, kFail, kSkip };
const char* VerdictName(Verdict v);

struct CheckResult {
  std::string name;
  Verdict verdict = Verdict::kPass;
  std::string message;    // why, for anything but a plain pass
  std::string reproduce;  // the command that replays this check alone
  std::vector<std::string> session;  // the generated session behind a failure, as session lines
  double seconds = 0;
};

struct CheckInfo {
  const char* name;
  int level;  // 1 everyday (the default), 2 thorough, 3 long fuzzing
  std::string description;
  double runsFor = 0;  // seconds the check spends by design, on top of the time limit
};
std::vector<CheckInfo> ListChecks();

struct ValidateOptions {
  std::string self;  // this program, for the child processes
  std::string file;
  int level = 1;
  uint32_t seed = 0;
  std::string only;  // one check by name, or empty for every check up to the level
  double timeoutSeconds = 60;  // per check, beyond the time it spends by design
  std::string fpEnv;  // --fp-env as given, handed on to the child processes
  std::string saveFailing;  // a folder for the sessions behind failures, or empty
};

// Told as each check starts and as it finishes, for progress on the terminal.
struct ValidateProgress {
  std::function<void(const CheckInfo&)> started;
  std::function<void(const CheckResult&)> finished;
};
// Runs the checks, each in a child process.
std::vector<CheckResult> Validate(const ValidateOptions& options, const ValidateProgress& progress = {});
// What a child runs: one check, in this process; writes its result to the file the parent named.
int RunCheckAsChild(const std::string& file, const std::string& name, uint32_t seed, const std::string& resultFile);

// The text report, a line at a time as the checks finish: quiet prints the summary only, verbose
// also the command that replays each check.
enum class Verbosity { kQuiet, kNormal, kVerbose };
void PrintHeader(std::ostream& out, const ValidateOptions& options);
void PrintResult(std::ostream& out, const CheckResult& result, Verbosity verbosity);
void PrintSummary(std::ostream& out, const std::vector<CheckResult>& results);
void WriteJson(std::ostream& out, const ValidateOptions& options, const std::vector<CheckResult>& results);
void WriteJUnit(std::ostream& out, const ValidateOptions& options, const std::vector<CheckResult>& results);

}  // namespace usrhost
