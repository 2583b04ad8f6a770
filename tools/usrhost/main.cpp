// usrhost: loads module libraries and drives them as the host application does.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>

#include <CLI/CLI.hpp>

#include "tools/usrhost/describe_text.hpp"
#include "tools/usrhost/driver.hpp"
#include "tools/usrhost/fp_env.hpp"
#include "tools/usrhost/golden.hpp"
#include "tools/usrhost/plot.hpp"
#include "tools/usrhost/subprocess.hpp"
#include "tools/usrhost/timing.hpp"
#include "tools/usrhost/validator.hpp"
#include "tools/usrhost/version.hpp"

using namespace usrhost;

namespace {

bool LoadOrSay(PluginLibrary& library, const std::string& path) {
  if (!library.Load(path)) {
    std::cerr << "usrhost: cannot load " << path << ": " << library.error() << "\n";
    return false;
  }
  if (!library.complete()) {
    std::cerr << "usrhost: " << path << ": " << library.error() << "\n";
    return false;
  }
  return true;
}

int ReportMisuse(const Instance& instance) {
  std::vector<std::string> all = instance.misuse();
  for (std::string& s : TakeUnattributedMisuse()) all.push_back(std::move(s));
  for (const std::string& s : all) std::cerr << "usrhost: misuse: " << s << "\n";
  return all.empty() ? 0 : 3;
}

struct RunArgs {
  std::string file;
  std::vector<std::string> sets, presses;
  int cycles = 0;
  std::string sweep, session, format = "table";
};

// The driving options shared by run and plot: session file, then sets, presses, cycles; a sweep.
bool ActionsFrom(const RunArgs& args, std::vector<Action>& actions, std::optional<Sweep>& sweep) {
  std::string error;
  if (!args.session.empty() && !ReadSessionFile(args.session, actions, error)) {
    std::cerr << "usrhost: " << error << "\n";
    return false;
  }
  for (const std::string& s : args.sets) {
    std::optional<Action> a;
    if (!ParseSessionLine("set " + s, a, error)) {
      std::cerr << "usrhost: " << error << "\n";
      return false;
    }
    actions.push_back(*a);
  }
  for (const std::string& p : args.presses) actions.push_back({Action::kPress, p, 0.0f, 1});
  if (args.cycles > 0) actions.push_back({Action::kCycle, "", 0.0f, args.cycles});
  if (!args.sweep.empty()) {
    Sweep s;
    if (!ParseSweep(args.sweep, s, error)) {
      std::cerr << "usrhost: " << error << "\n";
      return false;
    }
    sweep = s;
  }
  return true;
}

void AddDrivingOptions(CLI::App* cmd, RunArgs& args) {
  cmd->add_option("file", args.file, "the .usr file")->required();
  cmd->add_option("-s,--set", args.sets, "set a parameter: \"CAPTION=VALUE\" or INDEX=VALUE (in order)");
  cmd->add_option("-p,--press", args.presses, "send a button's message (after the sets)");
  cmd->add_option("-c,--cycles", args.cycles, "processing cycles to run (after the presses)");
  cmd->add_option("--sweep", args.sweep, "NAME=FROM:TO:STEP: set and run one cycle per value");
  cmd->add_option("--session", args.session, "file of actions, one per line: set N=V, press N, cycle [K], dump");
}

int Run(const RunArgs& args) {
  PluginLibrary library;
  if (!LoadOrSay(library, args.file)) return 2;
  const ModuleDescription module = Describe(library);
  std::vector<Action> actions;
  std::optional<Sweep> sweep;
  std::string error;
  if (!ActionsFrom(args, actions, sweep)) return 2;
  Instance instance(library, module);
  if (!instance.Start()) {
    std::cerr << "usrhost: Create returned null\n";
    return 3;
  }
  std::vector<Outputs> snapshots;
  if (!Drive(instance, actions, sweep, snapshots, error)) {
    std::cerr << "usrhost: " << error << "\n";
    return 2;
  }
  const OutputFormat format = args.format == "csv" ? OutputFormat::kCsv
                              : args.format == "json" ? OutputFormat::kJson
                                                      : OutputFormat::kTable;
  PrintOutputs(std::cout, module, snapshots, format);
  return ReportMisuse(instance);
}

// --fp-env: the floating-point environment the stand-in, playing a host, leaves for the module.
std::string FpEnvHelp() {
  std::string help = "the host's floating-point environment for every call into the module, checked unchanged "
                     "after each: a preset (";
  for (const FpPreset& p : FpPresets()) help += std::string(&p == &FpPresets().front() ? "" : ", ") + p.name;
  return help + ") or X87CW,MXCSR in hex, e.g. 0x1332,0x1900";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"usrhost: load .usr module libraries and drive them as the host does"};
  app.set_version_flag("--version", std::string("usrhost ") + kVersion);
  app.require_subcommand(1);
  // Paths such as /tmp/a.usr are arguments, also in the Windows build (run under wine).
  app.allow_windows_style_options(false);

  std::string infoFile;
  CLI::App* info = app.add_subcommand("info", "Print a module's declaration as a table");
  info->add_option("file", infoFile, "the .usr file")->required();

  RunArgs run;
  CLI::App* runCmd = app.add_subcommand("run", "Create an instance, apply settings and actions, print its outputs");
  AddDrivingOptions(runCmd, run);
  runCmd->add_option("-f,--format", run.format, "table, csv or json")->check(CLI::IsMember({"table", "csv", "json"}));

  std::string benchFile;
  double benchSeconds = 1.0;
  CLI::App* bench = app.add_subcommand("bench", "Time the plug-in against the plain scalar noise, in one run");
  bench->add_option("file", benchFile, "the .usr file")->required();
  bench->add_option("--seconds", benchSeconds, "time budget per measurement")->check(CLI::Range(0.01, 60.0));

  ValidateOptions validate;
  bool listChecks = false, child = false;
  std::string jsonReport, junitReport;
  std::string seedText;
  CLI::App* validateCmd = app.add_subcommand("validate", "Check that a module library is safe to hand to a host");
  validateCmd->add_option("file", validate.file, "the .usr file");
  validateCmd->add_flag("--list", listChecks, "list every check with its level and description");
  validateCmd->add_option("--level", validate.level, "1 everyday (default), 2 thorough, 3 long fuzzing")->check(CLI::Range(1, 3));
  validateCmd->add_option("--seed", seedText, "seed of the random sessions (printed, to replay a run)");
  validateCmd->add_option("--check", validate.only, "run this check alone");
  validateCmd->add_option("--timeout", validate.timeoutSeconds, "seconds a check may take before it counts as hung");
  validateCmd->add_option("--json", jsonReport, "write a JSON report to this file");
  validateCmd->add_option("--junit", junitReport, "write a JUnit XML report to this file");
  validateCmd->add_flag("--child", child)->group("");  // one check, in this process
  std::string resultFile;
  validateCmd->add_option("--result-file", resultFile)->group("");  // where the child writes its result

  std::string goldenFile, goldenOut;
  std::vector<std::string> goldenSessions;
  CLI::App* record = app.add_subcommand("record", "Record the exact output bits of session files");
  record->add_option("file", goldenFile, "the .usr file")->required();
  record->add_option("sessions", goldenSessions, "session files (set N=V, press N, cycle K, dump)")->required();
  record->add_option("-o,--output", goldenOut, "the golden file to write")->required();
  std::string compareFile, comparePath;
  CLI::App* compare = app.add_subcommand("compare", "Replay a golden file and report the first difference");
  compare->add_option("file", compareFile, "the .usr file")->required();
  compare->add_option("golden", comparePath, "the golden file")->required();

  RunArgs plotArgs;
  std::string plotOut, plotVary, plotTitle;
  std::vector<std::string> plotOutputs;
  bool plotSide = false, plotNoPress = false;
  CLI::App* plot = app.add_subcommand("plot", "Draw what a module outputs as an SVG picture");
  AddDrivingOptions(plot, plotArgs);
  plot->add_option("-o,--output", plotOut, "the SVG file to write")->required();
  plot->add_option("--vary", plotVary, "NAME=v1,v2,...: compare values of one setting");
  plot->add_flag("--side-by-side", plotSide, "one panel per compared value instead of overlaid curves");
  plot->add_option("--show", plotOutputs, "outputs to draw (caption or index)");
  plot->add_option("--title", plotTitle, "the picture's title");
  plot->add_flag("--no-press", plotNoPress, "do not press the buttons after the settings");

  std::string fpEnvText;
  for (CLI::App* cmd : {runCmd, bench, validateCmd, record, compare, plot}) {
    cmd->add_option("--fp-env", fpEnvText, FpEnvHelp());
  }

  CLI11_PARSE(app, argc, argv);

  if (!fpEnvText.empty()) {
    FpEnvironment env;
    std::string error;
    if (!ParseFpEnvironment(fpEnvText, env, error)) {
      std::cerr << "usrhost: " << error << "\n";
      return 2;
    }
    SetHostFpEnvironment(env);
  }

  if (plot->parsed()) {
    PluginLibrary library;
    if (!LoadOrSay(library, plotArgs.file)) return 2;
    const ModuleDescription module = Describe(library);
    PlotOptions options;
    options.sideBySide = plotSide;
    options.pressButtons = !plotNoPress;
    options.outputs = plotOutputs;
    options.title = plotTitle;
    std::string error;
    if (!ActionsFrom(plotArgs, options.actions, options.sweep)) return 2;
    if (!plotVary.empty() && !ParseVary(plotVary, options, error)) {
      std::cerr << "usrhost: " << error << "\n";
      return 2;
    }
    std::ofstream out(plotOut);
    if (!MakePlot(library, module, options, out, error)) {
      std::cerr << "usrhost: " << error << "\n";
      return 2;
    }
    return 0;
  }

  if (record->parsed() || compare->parsed()) {
    PluginLibrary library;
    if (!LoadOrSay(library, record->parsed() ? goldenFile : compareFile)) return 2;
    const ModuleDescription module = Describe(library);
    std::string error;
    if (compare->parsed()) {
      const bool same = CompareGolden(library, module, comparePath, std::cout, error);
      if (!error.empty()) std::cerr << "usrhost: " << error << "\n";
      return same ? 0 : 1;
    }
    std::vector<GoldenSession> sessions;
    for (const std::string& path : goldenSessions) {
      GoldenSession s;
      if (!LoadGoldenSession(path, s, error)) {
        std::cerr << "usrhost: " << error << "\n";
        return 2;
      }
      sessions.push_back(s);
    }
    std::ofstream out(goldenOut);
    if (!RecordGolden(library, module, sessions, out, error)) {
      std::cerr << "usrhost: " << error << "\n";
      return 2;
    }
    return 0;
  }

  if (validateCmd->parsed()) {
    if (listChecks) {
      for (const CheckInfo& c : ListChecks()) std::printf("%-26s level %d  %s\n", c.name, c.level, c.description);
      return 0;
    }
    if (validate.file.empty()) {
      std::cerr << "usrhost: validate needs a .usr file\n";
      return 2;
    }
    validate.seed = seedText.empty()
                        ? static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000)
                        : static_cast<uint32_t>(std::stoul(seedText));
    validate.fpEnv = fpEnvText;
    if (child) return RunCheckAsChild(validate.file, validate.only, validate.seed, resultFile);
    validate.self = SelfPath(argv[0]);
    const std::vector<CheckResult> results = Validate(validate);
    if (results.empty()) {
      std::cerr << "usrhost: no check named \"" << validate.only << "\" (see --list)\n";
      return 2;
    }
    PrintResults(std::cout, validate, results);
    if (!jsonReport.empty()) {
      std::ofstream out(jsonReport);
      WriteJson(out, validate, results);
    }
    if (!junitReport.empty()) {
      std::ofstream out(junitReport);
      WriteJUnit(out, validate, results);
    }
    for (const CheckResult& r : results) {
      if (r.verdict == Verdict::kFail) return 1;
    }
    return 0;
  }

  if (bench->parsed()) {
    PluginLibrary library;
    if (!LoadOrSay(library, benchFile)) return 2;
    const ModuleDescription module = Describe(library);
    const std::vector<Timing> rows = TimeModule(library, module, benchSeconds, HostFpEnvironment());
    if (rows.empty()) {
      std::cerr << "usrhost: no timing scenario for \"" << module.name << "\"\n";
      return 2;
    }
    PrintTimings(std::cout, rows);
    return 0;
  }

  if (info->parsed()) {
    PluginLibrary library;
    if (!LoadOrSay(library, infoFile)) return 2;
    PrintDeclaration(std::cout, library, Describe(library));
    return 0;
  }
  if (runCmd->parsed()) return Run(run);
  return 0;
}
