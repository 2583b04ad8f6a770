#include "tools/usrhost/sessions/output_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tools/usrhost/standin/process_guard.hpp"
#include "tools/usrhost/standin/text_io.hpp"

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace usrhost {
namespace {

// The reason of the last failed file operation, from the system that failed it.
std::string LastFileError() {
#if defined(_WIN32)
  return SystemErrorText(GetLastError());
#else
  return std::strerror(errno);
#endif
}

// The file a chain of links ends at (the path itself when it is no link).
fs::path ThroughLinks(fs::path p) {
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
    fs::path next = fs::read_symlink(p, ec);
    if (ec) break;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  return p;
}

// Devices a program writes to in place: /dev/null, a terminal, a pipe; NUL and CON on Windows.
bool IsDevice(const fs::path& p) {
  std::error_code ec;
  const fs::file_status s = fs::status(p, ec);
  if (!ec && fs::exists(s) && !fs::is_regular_file(s) && !fs::is_directory(s)) return true;
#if defined(_WIN32)
  std::string stem = p.filename().u8string();
  stem = stem.substr(0, stem.find('.'));
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char* d : {"NUL", "CON", "PRN", "AUX", "COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "LPT3"}) {
    if (stem == d) return true;
  }
#endif
  return false;
}

int ProcessId() {
#if defined(_WIN32)
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

bool WriteWhole(const fs::path& p, const std::string& text, bool truncate) {
  std::ofstream file(p, std::ios::binary | (truncate ? std::ios::trunc : std::ios::out));
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.flush();
  const bool ok = static_cast<bool>(file);
  file.close();
  return ok && !file.fail();
}

}  // namespace

bool OutputFile::Open(const std::string& path, std::string& error) {
  path_ = path;
  if (path == "-") {
    toStdout_ = true;
    StdoutAsBytes();
    return true;
  }
  const fs::path target = ThroughLinks(PathOf(path));
  target_ = target.u8string();
  std::error_code ec;
  if (fs::is_directory(target, ec)) {
    error = "cannot write " + path + ": it is a folder";
    return false;
  }
  direct_ = IsDevice(target);
  if (direct_) return true;
  // A trial file beside the target, removed at once: the folder takes new files.
  const fs::path probe = PathOf(target_ + ".tmp-" + std::to_string(ProcessId()));
  SetPendingTemporary(probe.u8string().c_str());
  std::ofstream trial(probe, std::ios::binary | std::ios::trunc);
  const bool writable = static_cast<bool>(trial);
  const std::string why = std::strerror(errno);
  trial.close();
  fs::remove(probe, ec);
  SetPendingTemporary(nullptr);
  if (!writable) {
    error = "cannot write " + path + ": " + why;
    return false;
  }
  return true;
}

std::ostream& OutputFile::stream() { return toStdout_ ? std::cout : buffer_; }

bool OutputFile::Commit(std::string& error) {
  if (toStdout_) {
    std::cout.flush();
    if (!std::cout) error = "cannot write to standard output";
    return static_cast<bool>(std::cout);
  }
  const std::string text = buffer_.str();
  if (direct_) {
    if (WriteWhole(PathOf(target_), text, false)) return true;
    error = "cannot write " + path_ + ": " + std::strerror(errno);
    return false;
  }
  const std::string temp = target_ + ".tmp-" + std::to_string(ProcessId());
  const fs::path tempPath = PathOf(temp);
  SetPendingTemporary(temp.c_str());
  std::error_code ec;
  if (!WriteWhole(tempPath, text, true)) {
    fs::remove(tempPath, ec);
    SetPendingTemporary(nullptr);
    error = "cannot write " + path_ + ": the data did not all land (disk full?)";
    return false;
  }
#if defined(_WIN32)
  const bool renamed = MoveFileExW(tempPath.c_str(), PathOf(target_).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  const bool renamed = std::rename(temp.c_str(), target_.c_str()) == 0;
#endif
  if (!renamed) error = "cannot replace " + path_ + ": " + LastFileError();
  if (!renamed) fs::remove(tempPath, ec);
  SetPendingTemporary(nullptr);
  return renamed;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(PathOf(a), PathOf(b), ec) && !ec;
}

}  // namespace usrhost
