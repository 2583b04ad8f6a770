#pragma once
// The usrhost subcommands. Each adds itself to the command line and returns what runs it once
// the command line names it; each returns one of the documented exit statuses.
#include <functional>

#include <CLI/CLI.hpp>

namespace usrhost {

struct Command {
  CLI::App* cli;
  std::function<int()> run;
};

Command AddInfoCommand(CLI::App& app);
Command AddRunCommand(CLI::App& app);
Command AddPlotCommand(CLI::App& app);
Command AddRecordCommand(CLI::App& app);
Command AddCompareCommand(CLI::App& app);
Command AddValidateCommand(CLI::App& app, const char* argv0);
Command AddBenchCommand(CLI::App& app);

}  // namespace usrhost
