// usrhost info: a module's declaration as a table.
#include <iostream>

#include "tools/usrhost/cli/cli_support.hpp"
#include "tools/usrhost/cli/commands.hpp"
#include "tools/usrhost/cli/describe_text.hpp"

namespace usrhost {

Command AddInfoCommand(CLI::App& app) {
  auto file = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand("info", "Print a module's declaration as a table");
  cmd->add_option("file", *file, "the .usr file")->required();
  cmd->footer("Example: usrhost info Vek_Random.usr");
  return {cmd, [file] {
            PluginLibrary library;
            ModuleDescription module;
            if (!LoadModule(*file, library, module)) return static_cast<int>(kExitUsage);
            PrintDeclaration(std::cout, library, module);
            return static_cast<int>(kExitOk);
          }};
}

}  // namespace usrhost
