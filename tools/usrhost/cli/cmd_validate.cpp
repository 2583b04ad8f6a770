// usrhost validate: named checks of any module library of this kind, each in a child process.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/usrhost/cli/cli_support.hpp"
#include "tools/usrhost/standin/process_guard.hpp"
#include "tools/usrhost/standin/text_io.hpp"
#include "tools/usrhost/vek/vek_seed.hpp"
#include "tools/usrhost/cli/commands.hpp"
#include "tools/usrhost/validation/subprocess.hpp"
#include "tools/usrhost/validation/validator.hpp"

namespace usrhost {
namespace {

// A seed is a whole number that fits 32 bits; anything else is a typo, not a wish.
bool ParseSeed(const std::string& text, uint32_t& seed) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (v > 0xFFFFFFFFull) return false;
  seed = static_cast<uint32_t>(v);
  return true;
}

bool IsCheckName(const std::string& name) {
  for (const CheckInfo& c : ListChecks()) {
    if (name == c.name) return true;
  }
  return false;
}

bool StderrIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

}  // namespace

Command AddValidateCommand(CLI::App& app, const char* argv0) {
  struct Args {
    ValidateOptions validate;
    bool list = false, child = false, quiet = false, verbose = false;
    std::string json, junit, seed, resultFile;
  };
  auto args = std::make_shared<Args>();
  ValidateOptions& v = args->validate;
  CLI::App* cmd = app.add_subcommand("validate", "Check that a module library is safe to hand to a host "
                                                 "(exit status 1 when a check fails)");
  cmd->add_option("file", v.file, "the .usr file");
  cmd->add_flag("--list", args->list, "list every check with its level and description");
  cmd->add_option("--level", v.level, "1 everyday, 2 thorough, 3 long fuzzing")->check(CLI::Range(1, 3))->capture_default_str();
  cmd->add_option("--seed", args->seed, "seed of the random sessions, 0 to 4294967295 (default: from the clock; "
                                        "printed, to replay a run)");
  cmd->add_option("--check", v.only, "run this check alone (names: --list)");
  cmd->add_option("--timeout", v.timeoutSeconds,
                  "seconds a check may run, beyond the time it spends by design, before it counts as hung")
      ->check(CLI::Range(0.1, 86400.0))
      ->capture_default_str();
  cmd->add_flag("-q,--quiet", args->quiet, "print the summary line only");
  cmd->add_flag("-v,--verbose", args->verbose, "also print the command that replays each check");
  cmd->add_option("--json", args->json, "also write a JSON report to this file (- for standard output)");
  cmd->add_option("--junit", args->junit, "also write a JUnit XML report to this file (- for standard output)");
  cmd->add_option("--save-failing", v.saveFailing,
                  "a folder: the generated session behind each failure is saved there as CHECK.session, which "
                  "'usrhost run FILE --session' replays");
  cmd->add_option("--fp-env", v.fpEnv, FpEnvHelp(false) + "; every check runs in it");
  cmd->add_flag("--child", args->child)->group("");  // one check, in this process
  cmd->add_option("--result-file", args->resultFile)->group("");  // where the child writes its result
  cmd->footer("Example: usrhost validate Vek_Random_Array.usr --level 2 --junit report.xml");
  const std::string self = SelfPath(argv0);
  return {cmd, [args, self] {
            ValidateOptions& o = args->validate;
            if (args->list) {
              for (const CheckInfo& c : ListChecks()) std::printf("%-26s level %d  %s\n", c.name, c.level, c.description.c_str());
              return static_cast<int>(kExitOk);
            }
            if (o.file.empty()) return Error("validate needs a .usr file (or --list)");
            std::string error;
            if (!ApplyFpEnvironment(o.fpEnv, error)) return Error(error);
            if (args->seed.empty()) {
              o.seed = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000);
            } else if (!ParseSeed(args->seed, o.seed)) {
              return Error("--seed \"" + args->seed + "\" is not a whole number from 0 to 4294967295");
            }
            if (args->child) {
              UnguardProcess();  // the parent reports how the child ended
              return RunCheckAsChild(o.file, o.only, o.seed, args->resultFile);
            }
            {
              // A file that is no module library at all is an input error, not a list of failed checks.
              PluginLibrary library;
              if (!library.Load(o.file)) return Error("cannot load " + o.file + ": " + library.error());
              // A module whose own default seed is a poor one is told so before the checks.
              if (library.complete()) {
                const ModuleDescription module = Describe(library);
                for (const ParamDescription& p : module.params) {
                  const std::string w = SeedWarning(p, p.InitialValue());
                  if (!w.empty()) Warn("the default " + w);
                }
              }
            }
            if (!o.saveFailing.empty() && !std::filesystem::is_directory(PathOf(o.saveFailing))) {
              return Error("--save-failing " + o.saveFailing + ": not a folder");
            }
            OutputFile json, junit;
            if (!args->json.empty() && !json.Open(args->json, error)) return Error(error);
            if (!args->junit.empty() && !junit.Open(args->junit, error)) return Error(error);
            o.self = self;
            if (!o.only.empty() && !IsCheckName(o.only)) return Error("no check named \"" + o.only + "\" (see --list)");
            const Verbosity verbosity = args->quiet ? Verbosity::kQuiet : args->verbose ? Verbosity::kVerbose : Verbosity::kNormal;
            // On a terminal a status line says which check runs; each result replaces it.
            const bool live = verbosity != Verbosity::kQuiet && StderrIsTerminal();
            // A machine-readable report on standard output stands alone there; the human one moves
            // to standard error.
            std::ostream& human = args->json == "-" || args->junit == "-" ? std::cerr : std::cout;
            if (args->json == "-" && args->junit == "-") return Error("--json and --junit cannot both be standard output");
            ValidateProgress progress;
            progress.started = [live](const CheckInfo& c) {
              if (live) std::cerr << "\r\x1b[K  ...  " << c.name << std::flush;
            };
            progress.finished = [live, verbosity, &human](const CheckResult& r) {
              if (live) std::cerr << "\r\x1b[K" << std::flush;
              PrintResult(human, r, verbosity);
            };
            if (verbosity != Verbosity::kQuiet) PrintHeader(human, o);
            const std::vector<CheckResult> results = Validate(o, progress);
            PrintSummary(human, results);
            if (!args->json.empty()) {
              WriteJson(json.stream(), o, results);
              if (!json.Commit(error)) return Error(error);
            }
            if (!args->junit.empty()) {
              WriteJUnit(junit.stream(), o, results);
              if (!junit.Commit(error)) return Error(error);
            }
            for (const CheckResult& r : results) {
              if (r.verdict == Verdict::kFail) return static_cast<int>(kExitFailed);
            }
            return static_cast<int>(kExitOk);
          }};
}

}  // namespace usrhost
