// usrhost plot: what a module outputs, as an SVG picture.
#include "tools/usrhost/cli_support.hpp"
#include "tools/usrhost/commands.hpp"
#include "tools/usrhost/driving_options.hpp"
#include "tools/usrhost/plot.hpp"

namespace usrhost {

Command AddPlotCommand(CLI::App& app) {
  struct Args {
    DrivingArgs drive;
    std::string output, vary, title;
    std::vector<std::string> show;
    bool sideBySide = false;
  };
  auto args = std::make_shared<Args>();
  CLI::App* cmd = app.add_subcommand("plot", "Draw what a module outputs as an SVG picture");
  AddDrivingOptions(cmd, args->drive);
  cmd->add_option("-o,--output", args->output, "the SVG file to write; - is standard output")->required();
  cmd->add_option("--vary", args->vary, "NAME=v1,v2,...: compare up to 7 values of one setting");
  cmd->add_flag("--side-by-side", args->sideBySide, "one panel per compared value instead of overlaid curves");
  cmd->add_option("--show", args->show, "outputs to draw (caption or index); default: every output");
  cmd->add_option("--title", args->title, "the picture's title; default: the module's name");
  cmd->footer("Example: usrhost plot Vek_Random.usr --sweep \"Input=0:12:0.01\" --vary \"Fade=0,0.5,1\" -o fade.svg");
  return {cmd, [args] {
            std::string error;
            if (!ApplyFpEnvironment(args->drive.fpEnv, error)) return Error(error);
            OutputFile out;
            if (!out.Open(args->output, error)) return Error(error);
            PluginLibrary library;
            ModuleDescription module;
            if (!LoadModule(args->drive.file, library, module)) return static_cast<int>(kExitUsage);
            PlotOptions options;
            options.sideBySide = args->sideBySide;
            options.pressButtons = !args->drive.noPress;
            options.title = args->title;
            if (!BuildActions(args->drive, module, options.actions, options.sweep)) return static_cast<int>(kExitUsage);
            for (const std::string& name : args->show) {
              const auto index = ResolveParameter(module, name, ParamUse::kShow, error);
              if (!index) return Error("--show: " + error);
              options.outputs.push_back(std::to_string(*index));
            }
            if (!args->vary.empty()) {
              if (!ParseVary(args->vary, options, error)) return Error(error);
              const auto index = ResolveParameter(module, options.varyName, ParamUse::kSet, error);
              if (!index) return Error("--vary: " + error);
              options.varyName = std::to_string(*index);
              for (float v : options.varyValues) {
                const std::string w = ValueWarning(module.params[static_cast<size_t>(*index)], v);
                if (!w.empty()) Warn("--vary: " + w + "; applied as given, though a host never sends it");
              }
            }
            FailureKind kind = FailureKind::kInput;
            if (!MakePlot(library, module, options, out.stream(), error, &kind)) {
              Error(error);
              return ExitStatusOf(kind);
            }
            if (!out.Commit(error)) return Error(error);
            return static_cast<int>(kExitOk);
          }};
}

}  // namespace usrhost
