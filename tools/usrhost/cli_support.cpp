#include "tools/usrhost/cli_support.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
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

namespace {
// The reason of the last failed file operation, from the system that failed it.
std::string LastFileError() {
#if defined(_WIN32)
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string why = n > 0 && text != nullptr ? std::string(text, n) : "";
  if (text != nullptr) LocalFree(text);
  while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ' || why.back() == '.')) why.pop_back();
  return (why.empty() ? "Windows error" : why) + " (error " + std::to_string(code) + ")";
#else
  return std::strerror(errno);
#endif
}
}  // namespace

OutputFile::~OutputFile() {
  if (pending_) std::remove(temp_.c_str());
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
  std::ofstream probe(temp_, std::ios::binary | std::ios::trunc);
  if (!probe) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  pending_ = true;
  return true;
}

std::ostream& OutputFile::stream() { return toStdout_ ? std::cout : buffer_; }

bool OutputFile::Commit(std::string& error) {
  if (toStdout_) {
    std::cout.flush();
    if (!std::cout) error = "cannot write to standard output";
    return static_cast<bool>(std::cout);
  }
  bool landed = false;
  {
    std::ofstream file(temp_, std::ios::binary | std::ios::trunc);
    const std::string text = buffer_.str();
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.flush();
    landed = static_cast<bool>(file);
    file.close();
    landed = landed && !file.fail();
  }
  if (!landed) {
    error = "cannot write " + path_ + ": the data did not all land (disk full?)";
    return false;  // the destructor removes the temporary file
  }
#if defined(_WIN32)
  const bool renamed = MoveFileExA(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  const bool renamed = std::rename(temp_.c_str(), path_.c_str()) == 0;
#endif
  if (!renamed) {
    error = "cannot replace " + path_ + ": " + LastFileError();
    return false;
  }
  pending_ = false;
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
