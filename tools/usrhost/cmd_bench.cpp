// usrhost bench: the plug-in's costs through the host's services, against plain code in one run.
#include <iostream>

#include "tools/usrhost/cli_support.hpp"
#include "tools/usrhost/commands.hpp"
#include "tools/usrhost/timing.hpp"

namespace usrhost {

Command AddBenchCommand(CLI::App& app) {
  struct Args {
    std::string file, fpEnv;
    double seconds = 1.0;
  };
  auto args = std::make_shared<Args>();
  CLI::App* cmd = app.add_subcommand("bench", "Time the plug-in against the plain scalar noise, in one run");
  cmd->add_option("file", args->file, "the .usr file")->required();
  cmd->add_option("--seconds", args->seconds, "time budget per measurement")->check(CLI::Range(0.01, 60.0))->capture_default_str();
  cmd->add_option("--fp-env", args->fpEnv, FpEnvHelp(false) + "; loaded for the whole measurement, as a host keeps it");
  cmd->footer("Example: usrhost bench Vek_Random.usr --seconds 2");
  return {cmd, [args] {
            std::string error;
            if (!ApplyFpEnvironment(args->fpEnv, error)) return Error(error);
            PluginLibrary library;
            ModuleDescription module;
            if (!LoadModule(args->file, library, module)) return static_cast<int>(kExitUsage);
            const std::optional<FpEnvironment> env = HostFpEnvironment();
            SetHostFpEnvironment(std::nullopt);
            const std::vector<Timing> rows = TimeModule(library, module, args->seconds, env);
            if (rows.empty()) return Error("no timing scenario for \"" + module.name + "\"");
            PrintTimings(std::cout, rows);
            return static_cast<int>(kExitOk);
          }};
}

}  // namespace usrhost
