#include "tools/usrhost/cli/cli_support.hpp"

#include <iostream>

#include "tools/usrhost/standin/host_fp_env.hpp"


namespace usrhost {

int Error(const std::string& what) {
  std::cerr << "usrhost: " << what << "\n";
  return kExitUsage;
}

void Warn(const std::string& what) { std::cerr << "usrhost: warning: " << what << "\n"; }

bool LoadModule(const std::string& path, PluginLibrary& library, ModuleDescription& module) {
  if (!library.Load(path)) {
    Error("cannot load " + path + ": " + library.error());
    return false;
  }
  if (!library.complete()) {
    Error(path + ": " + library.error());
    return false;
  }
  module = Describe(library);
  return true;
}

int ReportMisuse(const Instance& instance) {
  for (const std::string& s : CountedMisuse(instance.misuse())) std::cerr << "usrhost: misuse: " << s << "\n";
  return instance.misuse().empty() ? kExitOk : kExitMisuse;
}

int Fail(FailureKind kind, const std::string& error) {
  Error(error);
  return kind == FailureKind::kMisuse ? kExitMisuse : kExitUsage;
}

int Commit(OutputFile& out) {
  std::string error;
  if (!out.Commit(error)) return Error(error);
  return static_cast<int>(kExitOk);
}

bool ApplyFpEnvironment(const std::string& text, std::string& error) {
  // No option is the platform's default environment, checked like any other.
  if (text.empty()) return SetHostFpEnvironment(FpPresets().front().environment), true;
  FpEnvironment env{};
  if (!ParseFpEnvironment(text, env, error)) return false;
  SetHostFpEnvironment(env);
  return true;
}

std::string FpEnvHelp(bool allowAll) {
  std::string help = "the host's floating-point environment for every call into the module, checked unchanged "
                     "after each (default: default): a preset (";
  for (const FpPreset& p : FpPresets()) help += std::string(&p == &FpPresets().front() ? "" : ", ") + p.name;
  help += ")";
  if (allowAll) help += ", all (each preset in turn)";
  return help + " or X87CW,MXCSR in hex, e.g. 0x1332,0x1900";
}

}  // namespace usrhost
