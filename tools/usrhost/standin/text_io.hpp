#pragma once
// Text in and out the same on every system: file names and arguments are UTF-8 inside the tool
// (wide on Windows at the system's edge), text written is bytes as given (no CR added), and text
// read is bounded.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace usrhost {

// The largest text file (session, golden file) the tool reads, and the longest session line.
constexpr std::uintmax_t kMaxTextFileBytes = 64u << 20;
constexpr size_t kMaxSessionLineBytes = 64u << 10;

// A UTF-8 file name as the system's path type.
std::filesystem::path PathOf(const std::string& utf8);
// Standard output without the C runtime's CR before each LF (Windows).
void StdoutAsBytes();
// The command line as UTF-8 (on Windows from the wide command line, whatever the code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);
#if defined(_WIN32)
// A system error code as text, placeholders filled with `file`: "Bad EXE format for x.usr (error 193)".
std::string SystemErrorText(unsigned long code, const std::string& file = "");
#endif
// Reads a whole text file of at most kMaxTextFileBytes; false with "cannot read WHAT PATH: why".
bool ReadTextFile(const std::string& path, const std::string& what, std::string& text, std::string& error);

}  // namespace usrhost
