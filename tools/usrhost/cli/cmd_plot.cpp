// usrhost plot: what a module outputs, as an SVG picture.
#include "tools/usrhost/cli/cli_support.hpp"
#include "tools/usrhost/cli/commands.hpp"
#include "tools/usrhost/cli/driving_options.hpp"
#include "tools/usrhost/plots/plot.hpp"
#include "tools/usrhost/standin/text_io.hpp"

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
  cmd->add_option("--show", args->show,
                  "an output to draw (caption or index), repeatable; default: every output, or with --vary the first")
      ->allow_extra_args(false)
      ->type_name("OUTPUT");
  cmd->add_option("--title", args->title, "the picture's title; default: the module's name");
  cmd->footer("Without --sweep, a module without array outputs is swept over its first number input from 0 to 10 "
              "in steps of 0.01.\nExample: usrhost plot Vek_Random.usr --sweep \"Input=0:12:0.01\" --vary \"Fade=0,0.5,1\" -o fade.svg");
  return {cmd, [args] {
            std::string error;
            if (!ApplyFpEnvironment(args->drive.fpEnv, error)) return Error(error);
            if (args->sideBySide && args->vary.empty()) return Error("--side-by-side needs --vary: there is one curve set to draw");
            OutputFile out;
            if (!out.Open(args->output, error)) return Error(error);
            const std::string extension = PathOf(args->output).extension().u8string();
            if (!extension.empty() && extension != ".svg" && extension != ".SVG") {
              return Error("-o " + args->output + ": plot writes SVG; name the file .svg");
            }
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
              std::string warning;
              if (!ParseVary(args->vary, options, error, warning)) return Error(error);
              if (!warning.empty()) Warn(warning);
              const auto index = ResolveParameter(module, options.varyName, ParamUse::kSet, error);
              if (!index) return Error("--vary: " + error);
              options.varyName = std::to_string(*index);
              if (options.sweep && module.Find(options.sweep->target) == *index) {
                return Error("--vary \"" + module.params[static_cast<size_t>(*index)].caption +
                             "\" is the swept parameter: every curve would be the same");
              }
              for (float v : options.varyValues) {
                const std::string w = ValueWarning(module.params[static_cast<size_t>(*index)], v);
                if (!w.empty()) Warn("--vary: " + w + "; applied as given, though a host never sends it");
              }
            }
            FailureKind kind = FailureKind::kInput;
            if (!MakePlot(library, module, options, out.stream(), error, &kind)) return Fail(kind, error);
            return Commit(out);
          }};
}

}  // namespace usrhost
