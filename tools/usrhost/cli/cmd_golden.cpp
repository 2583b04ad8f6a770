// usrhost record and compare: the exact output bits of session files, written once and replayed
// against any build on any platform.
#include <iostream>

#include "tools/usrhost/cli/cli_support.hpp"
#include "tools/usrhost/cli/commands.hpp"
#include "tools/usrhost/standin/host_fp_env.hpp"
#include "tools/usrhost/sessions/golden.hpp"

namespace usrhost {

Command AddRecordCommand(CLI::App& app) {
  struct Args {
    std::string file, output, fpEnv;
    std::vector<std::string> sessions;
  };
  auto args = std::make_shared<Args>();
  CLI::App* cmd = app.add_subcommand("record", "Record the exact output bits of session files");
  cmd->add_option("file", args->file, "the .usr file")->required();
  cmd->add_option("sessions", args->sessions,
                  "session files: one action a line, set NAME=VALUE, press NAME, cycle [K], dump; # comments")
      ->required();
  cmd->add_option("-o,--output", args->output, "the golden file to write; - is standard output")->required();
  cmd->add_option("--fp-env", args->fpEnv, FpEnvHelp(false));
  cmd->footer("Example: usrhost record Vek_Random.usr a.session b.session -o golden.json");
  return {cmd, [args] {
            std::string error;
            if (!ApplyFpEnvironment(args->fpEnv, error)) return Error(error);
            for (const std::string& path : args->sessions) {
              if (SameFile(path, args->output)) return Error("-o " + args->output + " is the session file " + path + "; the golden file needs a name of its own");
            }
            if (SameFile(args->file, args->output)) return Error("-o " + args->output + " is the module itself");
            OutputFile out;
            if (!out.Open(args->output, error)) return Error(error);
            PluginLibrary library;
            ModuleDescription module;
            if (!LoadModule(args->file, library, module)) return static_cast<int>(kExitUsage);
            std::vector<GoldenSession> sessions;
            for (const std::string& path : args->sessions) {
              GoldenSession s;
              if (!LoadGoldenSession(path, module, s, error)) return Error(error);
              sessions.push_back(s);
            }
            FailureKind kind = FailureKind::kInput;
            if (!RecordGolden(library, module, sessions, out.stream(), error, &kind)) return Fail(kind, error);
            return Commit(out);
          }};
}

Command AddCompareCommand(CLI::App& app) {
  struct Args {
    std::string file, golden, fpEnv;
  };
  auto args = std::make_shared<Args>();
  CLI::App* cmd = app.add_subcommand(
      "compare", "Replay a golden file and report the first difference (exit status 1 when there is one)");
  cmd->add_option("file", args->file, "the .usr file")->required();
  cmd->add_option("golden", args->golden, "the golden file")->required();
  cmd->add_option("--fp-env", args->fpEnv, FpEnvHelp(true));
  cmd->footer("Example: usrhost compare Vek_Random.usr golden.json --fp-env all");
  return {cmd, [args] {
            std::vector<std::optional<FpEnvironment>> environments = {FpPresets().front().environment};
            std::string error;
            if (args->fpEnv == "all") {
              environments.clear();
              for (const FpPreset& p : FpPresets()) environments.push_back(p.environment);
            } else if (!args->fpEnv.empty()) {
              FpEnvironment env{};
              if (!ParseFpEnvironment(args->fpEnv, env, error)) return Error(error);
              environments = {env};
            }
            PluginLibrary library;
            ModuleDescription module;
            if (!LoadModule(args->file, library, module)) return static_cast<int>(kExitUsage);
            for (const auto& env : environments) {
              SetHostFpEnvironment(env);
              if (env && environments.size() > 1) std::cout << "environment " << DescribeFpEnvironment(*env) << ": ";
              FailureKind kind = FailureKind::kInput;
              const bool same = CompareGolden(library, module, args->golden, std::cout, error, &kind);
              if (!error.empty()) {
                if (env && environments.size() > 1) std::cout << "not compared\n";
                return Fail(kind, error);
              }
              if (!same) return static_cast<int>(kExitFailed);
            }
            return static_cast<int>(kExitOk);
          }};
}

}  // namespace usrhost
