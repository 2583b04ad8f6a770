// usrhost bench: the plug-in's costs through the host's services, against plain code in one run.
#include <iostream>

#include "tools/usrhost/cli/cli_support.hpp"
#include "tools/usrhost/cli/commands.hpp"
#include "tools/usrhost/vek/timing.hpp"

namespace usrhost {

Command AddBenchCommand(CLI::App& app) {
  struct Args {
    std::string file, fpEnv;
    double seconds = 1.0;
  };
  auto args = std::make_shared<Args>();
  CLI::App* cmd = app.add_subcommand("bench", "Time the plug-in against the plain noise and the strict reference, in one run");
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
            {
              // The calls timed are not checked one by one (that would be timed too): one checked
              // round of them first, so that a module that misuses the host is not timed at all.
              Instance checked(library, module);
              if (!checked.Start()) return Error("misuse: Create returned null"), static_cast<int>(kExitMisuse);
              for (const ParamDescription& p : module.params) {
                if (p.IsSettableScalar()) checked.Set(p.index, p.InitialValue());
              }
              checked.Process();
              if (!checked.misuse().empty()) return ReportMisuse(checked);
            }
            SetHostFpEnvironment(std::nullopt);
            bool known = false;
            const std::vector<Timing> rows = TimeModule(library, module, args->seconds, env, known);
            if (rows.empty()) return Error("misuse: Create returned null"), static_cast<int>(kExitMisuse);
            if (!known) {
              std::cout << "\"" << module.name << "\" is not a Vek module: usrhost has no plain code computing its values, "
                           "so it times what any module has, without a baseline.\n";
            }
            PrintTimings(std::cout, rows);
            return static_cast<int>(kExitOk);
          }};
}

}  // namespace usrhost
