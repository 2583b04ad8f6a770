#pragma once
// A module's declaration as a readable table.
#include <ostream>

#include "tools/usrhost/discovery.hpp"

namespace usrhost {

void PrintDeclaration(std::ostream& out, const PluginLibrary& library, const ModuleDescription& module);
// A float the way people read it: shortest round-tripping decimal.
std::string FloatText(float v);

}  // namespace usrhost
