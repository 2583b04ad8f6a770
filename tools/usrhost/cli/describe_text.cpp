#include "tools/usrhost/cli/describe_text.hpp"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iomanip>

namespace usrhost {


namespace {
std::string Opt(const std::optional<float>& v) { return v ? FloatText(*v) : "-"; }
std::string Opt(const std::optional<std::string>& v) { return v ? *v : "-"; }
}  // namespace

void PrintDeclaration(std::ostream& out, const PluginLibrary& library, const ModuleDescription& m) {
  char color[16];
  std::snprintf(color, sizeof color, "0x%08X", static_cast<unsigned>(m.color));
  out << "Module \"" << m.name << "\" (" << library.path() << ")\n"
      << "  caption \"" << m.caption << "\"" << (m.captionIsName ? " (same text as name)" : "") << ", colour "
      << color << ", " << m.paramCount << " parameters, SDK version " << library.GetSDKVersion()
      << ", implementation " << library.GetImplementation() << ", chunk length " << library.GetChunkLen()
      << "\n";
  // The entry points as the loader resolved them.
  std::string missing;
  const void* nothing = library.address(kCreateLayout);
  bool shared = nothing != nullptr;
  for (int e = 0; e < kEntryPointCount; ++e) {
    const auto entry = static_cast<EntryPoint>(e);
    if (library.address(entry) == nullptr) missing += std::string(" ") + kEntryPointNames[e];
    if (IsDoNothingEntryPoint(entry) && library.address(entry) != nothing) shared = false;
  }
  out << "  entry points: " << (missing.empty() ? "all resolved" : "missing" + missing)
      << (shared ? ", the user-interface ones at one address" : "")
      << (shared && library.address(kProcess) == nothing ? " (Process too)" : "") << "\n\n";
  out << std::left << std::setw(4) << "#" << std::setw(18) << "caption" << std::setw(14) << "kind"
      << std::setw(7) << "dir" << std::setw(15) << "minimum" << std::setw(15) << "maximum" << std::setw(9)
      << "default" << std::setw(7) << "format" << "choices / group end\n";
  for (const ParamDescription& p : m.params) {
    const char* dir = p.isOutput == 1 ? "out" : (p.isInput == 1 ? "in" : "?");
    out << std::setw(4) << p.index << std::setw(18) << ("\"" + p.caption + "\"") << std::setw(14)
        << KindName(p.kind) << std::setw(7) << dir << std::setw(15) << Opt(p.minValue) << std::setw(15)
        << Opt(p.maxValue) << std::setw(9) << Opt(p.defaultValue) << std::setw(7) << Opt(p.format);
    if (p.choices) out << *p.choices << " ";
    if (p.endsGroup) out << "(group ends)";
    out << "\n";
  }
}

}  // namespace usrhost
