#include "tools/usrhost/cli/driving_options.hpp"

#include "tools/usrhost/cli/cli_support.hpp"
#include "tools/usrhost/vek/vek_seed.hpp"

namespace usrhost {

void AddDrivingOptions(CLI::App* cmd, DrivingArgs& args) {
  cmd->add_option("file", args.file, "the .usr file")->required();
  cmd->add_option("-s,--set", args.sets,
                  "set a parameter: \"CAPTION=VALUE\" or INDEX=VALUE, in order; a List also takes its choice's text")
      ->type_name("NAME=VALUE");
  cmd->add_option("-p,--press", args.presses, "send a button's message (after the settings)");
  cmd->add_option("-c,--cycles", args.cycles,
                  "processing cycles to run after the presses, 0 to 1000000000 (default: one, unless a sweep or session "
                  "says what to run)")
      ->check(CLI::Range(0, kMaxCycles).description(""))
      ->type_name("COUNT");
  cmd->add_option("--sweep", args.sweep,
                  "NAME=FROM:TO:STEP: set the value and run one cycle, for each value; at most a million steps")
      ->type_name("NAME=FROM:TO:STEP");
  cmd->add_option("--session", args.session,
                  "a file of actions, one a line: set NAME=VALUE, press NAME, cycle [K], dump; # comments");
  cmd->add_flag("--no-press", args.noPress, "do not press the module's buttons when no --press is given");
  cmd->add_option("--fp-env", args.fpEnv, FpEnvHelp(false));
}

bool BuildActions(const DrivingArgs& args, const ModuleDescription& module, std::vector<Action>& actions,
                  std::optional<Sweep>& sweep) {
  std::string error;
  if (!args.session.empty() && !ReadSessionFile(args.session, actions, error, nullptr, &module)) return Error(error), false;
  for (const std::string& s : args.sets) {
    std::optional<Action> a;
    if (!ParseSessionLine("set " + s, a, error, &module)) return Error("-s \"" + s + "\": " + error), false;
    a->origin = "-s \"" + s + "\"";
    actions.push_back(*a);
  }
  for (const std::string& p : args.presses) actions.push_back({Action::kPress, p, 0.0f, 1, "-p \"" + p + "\""});
  if (args.cycles > 0) actions.push_back({Action::kCycle, "", 0.0f, args.cycles, "--cycles"});
  if (!args.sweep.empty()) {
    Sweep s;
    if (!ParseSweep(args.sweep, s, error)) return Error(error), false;
    sweep = s;
  }
  std::vector<std::string> warnings;
  if (!CheckActions(module, actions, sweep, warnings, error)) return Error(error), false;
  for (const std::string& w : warnings) Warn(w);
  // What the Vek modules do with a seed, said before the run.
  for (const Action& a : actions) {
    const int32_t index = a.kind == Action::kSet ? module.Find(a.target) : -1;
    if (index < 0) continue;
    const std::string seed = SeedWarning(module.params[static_cast<size_t>(index)], std::isnan(a.typed) ? a.value : a.typed);
    if (!seed.empty()) Warn(seed + (a.origin.empty() ? "" : " (" + a.origin + ")"));
  }
  return true;
}

}  // namespace usrhost
