#include "tools/usrhost/cli_support.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "tools/usrhost/fp_env.hpp"

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

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
  std::vector<std::string> all = instance.misuse();
  for (std::string& s : TakeUnattributedMisuse()) all.push_back(std::move(s));
  for (const std::string& s : all) std::cerr << "usrhost: misuse: " << s << "\n";
  return all.empty() ? kExitOk : kExitMisuse;
}

OutputFile::~OutputFile() {
  if (file_) {
    file_.reset();
    std::remove(temp_.c_str());
  }
}

bool OutputFile::Open(const std::string& path, std::string& error) {
  path_ = path;
  if (path == "-") {
    toStdout_ = true;
    return true;
  }
#if defined(_WIN32)
  const int pid = _getpid();
#else
  const int pid = static_cast<int>(getpid());
#endif
  temp_ = path + ".tmp-" + std::to_string(pid);
  file_ = std::make_unique<std::ofstream>(temp_, std::ios::binary | std::ios::trunc);
  if (!*file_) {
    const std::string why = std::strerror(errno);
    file_.reset();
    error = "cannot write " + path + ": " + why;
    return false;
  }
  return true;
}

std::ostream& OutputFile::stream() { return toStdout_ ? std::cout : *file_; }

bool OutputFile::Commit(std::string& error) {
  if (toStdout_) {
    std::cout.flush();
    if (!std::cout) error = "cannot write to standard output";
    return static_cast<bool>(std::cout);
  }
  file_->flush();
  const bool written = static_cast<bool>(*file_);
  file_->close();
  const bool closed = !file_->fail();
  file_.reset();
  if (!written || !closed) {
    std::remove(temp_.c_str());
    error = "cannot write " + path_ + ": the data did not all land (disk full?)";
    return false;
  }
#if defined(_WIN32)
  const bool renamed = MoveFileExA(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  const bool renamed = std::rename(temp_.c_str(), path_.c_str()) == 0;
#endif
  if (!renamed) {
    const std::string why = std::strerror(errno);
    std::remove(temp_.c_str());
    error = "cannot replace " + path_ + ": " + why;
    return false;
  }
  return true;
}

bool ApplyFpEnvironment(const std::string& text, std::string& error) {
  if (text.empty()) return true;
  FpEnvironment env;
  if (!ParseFpEnvironment(text, env, error)) return false;
  SetHostFpEnvironment(env);
  return true;
}

std::string FpEnvHelp(bool allowAll) {
  std::string help = "the host's floating-point environment for every call into the module, checked unchanged "
                     "after each: a preset (";
  for (const FpPreset& p : FpPresets()) help += std::string(&p == &FpPresets().front() ? "" : ", ") + p.name;
  help += ")";
  if (allowAll) help += ", all (each preset in turn)";
  return help + " or X87CW,MXCSR in hex, e.g. 0x1332,0x1900";
}

}  // namespace usrhost
