// usrhost run: an instance driven through settings, presses, cycles or a sweep; its outputs printed.
#include "tools/usrhost/cli/cli_support.hpp"
#include "tools/usrhost/cli/commands.hpp"
#include "tools/usrhost/cli/driving_options.hpp"
#include "tools/usrhost/sessions/output_formats.hpp"

namespace usrhost {

Command AddRunCommand(CLI::App& app) {
  struct Args {
    DrivingArgs drive;
    std::string format = "table", output = "-";
  };
  auto args = std::make_shared<Args>();
  CLI::App* cmd = app.add_subcommand(
      "run", "Create an instance, apply settings and actions, print its outputs. Unless told otherwise it "
             "computes as a host would: the buttons are pressed after the settings (--no-press to skip), and "
             "one processing cycle runs at the end (unless --cycles, --sweep or --session says what to run)");
  AddDrivingOptions(cmd, args->drive);
  cmd->add_option("-f,--format", args->format, "table, csv or json")
      ->check(CLI::IsMember({"table", "csv", "json"}))
      ->capture_default_str();
  cmd->add_option("-o,--output", args->output, "where to write the outputs; - is standard output")->capture_default_str();
  cmd->footer("Example: usrhost run Vek_Random.usr -s \"Octaves=3.5\" --sweep \"Input=0:4:0.5\" --format csv");
  return {cmd, [args] {
            const DrivingArgs& d = args->drive;
            std::string error;
            if (!ApplyFpEnvironment(d.fpEnv, error)) return Error(error);
            OutputFile out;
            if (!out.Open(args->output, error)) return Error(error);
            PluginLibrary library;
            ModuleDescription module;
            if (!LoadModule(d.file, library, module)) return static_cast<int>(kExitUsage);
            std::vector<Action> actions;
            std::optional<Sweep> sweep;
            if (!BuildActions(d, module, actions, sweep)) return static_cast<int>(kExitUsage);
            // What a host does anyway: messages for the buttons, and processing cycles.
            if (d.session.empty()) {
              if (d.presses.empty() && !d.noPress) {
                for (const ParamDescription& p : module.params) {
                  if (p.kind == kParamButton) actions.push_back({Action::kPress, std::to_string(p.index), 0.0f, 1, ""});
                }
              }
              if (d.cycles == 0 && !sweep) actions.push_back({Action::kCycle, "", 0.0f, 1, ""});
            }
            Instance instance(library, module);
            if (!instance.Start()) {
              ReportMisuse(instance);
              Error("misuse: Create returned null");
              return static_cast<int>(kExitMisuse);
            }
            std::vector<Outputs> snapshots;
            if (!Drive(instance, actions, sweep, snapshots, error)) return Error(error);
            // A module that misused the host produced nothing to keep: the target stays as it was.
            if (!instance.misuse().empty()) return ReportMisuse(instance);
            const OutputFormat format = args->format == "csv"    ? OutputFormat::kCsv
                                        : args->format == "json" ? OutputFormat::kJson
                                                                 : OutputFormat::kTable;
            PrintOutputs(out.stream(), module, snapshots, format);
            return Commit(out);
          }};
}

}  // namespace usrhost
