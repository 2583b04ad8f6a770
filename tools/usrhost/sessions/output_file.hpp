#pragma once
// Output files that appear whole or not at all: written beside the target and renamed over it when
// complete. A link is written through (its target is replaced, the link stays); a device (/dev/null,
// NUL) is written to directly; a folder is refused when the file is opened, before any work.
#include <ostream>
#include <sstream>
#include <string>

namespace usrhost {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() = default;

  // Checks now that the target can be written, so that an unwritable one fails before any work.
  // "-" is standard output.
  bool Open(const std::string& path, std::string& error);
  std::ostream& stream();
  // Writes the text; false with the reason when it did not all land, the target then unchanged.
  bool Commit(std::string& error);
  // The file the text lands in (a link's target), empty for standard output.
  const std::string& target() const { return target_; }

 private:
  // The text waits in memory and a file is open only inside Commit: a file held open while the
  // validator starts its children would be inherited by them (and on Windows by a crash handler
  // they start), and an interrupted command would leave it behind.
  std::string path_, target_;
  std::ostringstream buffer_;
  bool toStdout_ = false;
  bool direct_ = false;  // a device: written in place, nothing to rename
};

// Whether two paths name the same existing file (a command must not write over its own input).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace usrhost
