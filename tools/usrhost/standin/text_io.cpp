#include "tools/usrhost/standin/text_io.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace usrhost {

fs::path PathOf(const std::string& utf8) { return fs::u8path(utf8); }

void StdoutAsBytes() {
#if defined(_WIN32)
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  std::vector<std::string> args;
#if defined(_WIN32)
  int n = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (wide != nullptr) {
    for (int i = 0; i < n; ++i) args.push_back(fs::path(wide[i]).u8string());
    LocalFree(wide);
    return args;
  }
#endif
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

#if defined(_WIN32)
std::string SystemErrorText(unsigned long code, const std::string& file) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string why = n > 0 && text != nullptr ? std::string(text, n) : "";
  if (text != nullptr) LocalFree(text);
  while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ' || why.back() == '.')) why.pop_back();
  // Messages such as "Bad EXE format for %1" name the file through a placeholder.
  for (size_t at; (at = why.find("%1")) != std::string::npos;) why.replace(at, 2, file.empty() ? "the file" : file);
  return (why.empty() ? "Windows error" : why) + " (error " + std::to_string(code) + ")";
}
#endif

bool ReadTextFile(const std::string& path, const std::string& what, std::string& text, std::string& error) {
  const fs::path p = PathOf(path);
  std::error_code ec;
  if (fs::is_directory(p, ec)) return (error = "cannot read " + what + " " + path + ": it is a folder", false);
  std::ifstream in(p, std::ios::binary);
  if (!in) return (error = "cannot read " + what + " " + path + ": " + std::strerror(errno), false);
  // Read in pieces, so that an endless source (/dev/zero, a pipe) stops at the limit.
  text.clear();
  char piece[65536];
  while (in.read(piece, sizeof piece) || in.gcount() > 0) {
    text.append(piece, static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxTextFileBytes) {
      error = "cannot read " + what + " " + path + ": larger than " + std::to_string(kMaxTextFileBytes >> 20) + " MiB";
      return false;
    }
  }
  if (in.bad()) return (error = "cannot read " + what + " " + path + ": read error", false);
  return true;
}

}  // namespace usrhost
