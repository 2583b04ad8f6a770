// usrhost: loads module libraries and drives them as the host application does.
#include <exception>
#include <iostream>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/usrhost/cli_support.hpp"
#include "tools/usrhost/commands.hpp"
#include "tools/usrhost/version.hpp"

using namespace usrhost;

int main(int argc, char** argv) {
  try {
    CLI::App app{"usrhost: load .usr module libraries and drive them as the host does"};
    app.set_version_flag("--version", std::string("usrhost ") + kVersion);
    app.require_subcommand(1);
    // Paths such as /tmp/a.usr are arguments, also in the Windows build (run under wine).
    app.allow_windows_style_options(false);
    app.footer(
        "Exit status: 0 success; 1 a check or comparison failed; 2 usage or input error (bad options, a file\n"
        "that cannot be read, loaded, parsed or written); 3 the module misused the host.\n"
        "A plug-in named without a folder is the file in the current folder. 'usrhost COMMAND --help'\n"
        "explains each command.");

    const std::vector<Command> commands = {AddInfoCommand(app),   AddRunCommand(app),
                                           AddPlotCommand(app),   AddRecordCommand(app),
                                           AddCompareCommand(app), AddValidateCommand(app, argv[0]),
                                           AddBenchCommand(app)};

    try {
      app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
      if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
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
