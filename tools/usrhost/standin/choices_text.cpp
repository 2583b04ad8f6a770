#include "tools/usrhost/standin/choices_text.hpp"

namespace usrhost {

std::optional<std::vector<std::string>> ParseChoices(const std::string& text) {
  std::vector<std::string> names;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '"') return std::nullopt;
    const size_t end = text.find('"', i + 1);
    if (end == std::string::npos || end == i + 1) return std::nullopt;
    names.push_back(text.substr(i + 1, end - i - 1));
    i = end + 1;
    if (i == text.size()) return names;
    if (text[i] != ',') return std::nullopt;
    ++i;
  }
  return std::nullopt;  // empty, or a comma with no entry after it
}

}  // namespace usrhost
