// The files users edit by hand: session files and golden files, read from arbitrary bytes. Oracles:
// the sanitizers, no exception escaping, and every rejection explained in one line naming the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/usrhost/sessions/drive.hpp"
#include "tools/usrhost/sessions/names.hpp"
#include "tools/usrhost/sessions/golden.hpp"

namespace {
void Require(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<usrhost::Action> actions;
  std::vector<std::string> lines;
  std::string error;
  if (!usrhost::ParseSessionText(text, "f.session", actions, error, &lines)) {
    Require(error.rfind("f.session:", 0) == 0 && error.find('\n') == std::string::npos);
  } else {
    Require(lines.size() == actions.size());
  }
  nlohmann::json doc;
  error.clear();
  if (!usrhost::ParseGolden(text, "g.json", doc, error)) {
    Require(error.rfind("g.json", 0) == 0 && error.find('\n') == std::string::npos);
  }
  return 0;
}
