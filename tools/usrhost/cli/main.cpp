// usrhost: loads module libraries and drives them as the host application does.
#include <algorithm>
#include <exception>
#include <iostream>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/usrhost/cli/cli_support.hpp"
#include "tools/usrhost/cli/commands.hpp"
#include "tools/usrhost/sessions/names.hpp"
#include "tools/usrhost/standin/process_guard.hpp"
#include "tools/usrhost/standin/text_io.hpp"
#include "tools/usrhost/version.hpp"

using namespace usrhost;

namespace {

std::string DidYouMean(const std::string& name, const std::vector<std::string>& candidates) {
  const std::vector<std::string> near = Nearest(name, candidates);
  std::string text;
  for (const std::string& n : near) text += (text.empty() ? "" : ", ") + n;
  return near.empty() ? "" : "; did you mean " + text + "?";
}

// The options a command knows, as typed: "--format", "-f".
std::vector<std::string> OptionNames(const CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::Option* o : command.get_options()) {
    for (const std::string& n : o->get_lnames()) names.push_back("--" + n);
    for (const std::string& n : o->get_snames()) names.push_back("-" + n);
  }
  return names;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    GuardProcess();
    std::vector<std::string> args = Utf8Arguments(argc, argv);
    const std::string self = args.empty() ? "usrhost" : args.front();
    if (!args.empty()) args.erase(args.begin());

    CLI::App app{"usrhost: load .usr module libraries and drive them as the host does", "usrhost"};
    app.set_version_flag("--version", std::string("usrhost ") + kVersion);
    app.require_subcommand(1);
    // Paths such as /tmp/a.usr are arguments, also in the Windows build (run under wine).
    app.allow_windows_style_options(false);
    app.footer(
        "Exit status: 0 success; 1 a check or comparison failed; 2 usage or input error (bad options, a file\n"
        "that cannot be read, loaded, parsed or written); 3 the module misused the host.\n"
        "A plug-in named without a folder is the file in the current folder. 'usrhost COMMAND --help'\n"
        "(or 'usrhost help COMMAND') explains each command.");

    const std::vector<Command> commands = {AddInfoCommand(app),   AddRunCommand(app),
                                           AddPlotCommand(app),   AddRecordCommand(app),
                                           AddCompareCommand(app), AddValidateCommand(app, self.c_str()),
                                           AddBenchCommand(app)};
    std::vector<std::string> names;
    for (const Command& c : commands) names.push_back(c.cli->get_name());

    // "help" and "help COMMAND" print what --help prints.
    if (!args.empty() && args.front() == "help") {
      args.erase(args.begin());
      if (args.size() > 1) args.resize(1);
      args.push_back("--help");
    }
    if (!args.empty() && args.front().rfind("-", 0) != 0 &&
        std::find(names.begin(), names.end(), args.front()) == names.end()) {
      return Error("no command \"" + args.front() + "\"" + DidYouMean(args.front(), names) + " (see usrhost --help)");
    }

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
      app.parse(reversed);
    } catch (const CLI::ParseError& e) {
      if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
      for (const Command& c : commands) {
        if (!c.cli->parsed()) continue;
        std::string hint;
        for (const std::string& extra : c.cli->remaining()) {
          if (extra.rfind("-", 0) == 0 && hint.empty()) hint = DidYouMean(extra.substr(0, extra.find('=')), OptionNames(*c.cli));
        }
        return Error(std::string(e.what()) + hint + " (see usrhost " + c.cli->get_name() + " --help)");
      }
      return Error(std::string(e.what()) + " (see usrhost --help)");
    }
    for (const Command& command : commands) {
      if (command.cli->parsed()) return command.run();
    }
    return kExitUsage;
  } catch (const std::exception& e) {
    // Nothing may end the tool through the runtime's terminate handler.
    return Error(std::string("unexpected error: ") + e.what());
  }
}
