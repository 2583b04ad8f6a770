#pragma once
// A module's declaration as a readable table.
#include <ostream>

#include "tools/usrhost/sessions/float_text.hpp"

#include "tools/usrhost/standin/discovery.hpp"

namespace usrhost {

void PrintDeclaration(std::ostream& out, const PluginLibrary& library, const ModuleDescription& module);

}  // namespace usrhost
