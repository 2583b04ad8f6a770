#include "tools/usrhost/standin/display_format.hpp"

#include <cctype>
#include <cstring>

namespace usrhost {
namespace {

size_t SkipDigits(const std::string& f, size_t i) {
  while (i < f.size() && std::isdigit(static_cast<unsigned char>(f[i]))) ++i;
  return i;
}

}  // namespace

bool SafeDoubleFormat(const std::string& f, std::string& why) {
  int conversions = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%') continue;
    if (i + 1 < f.size() && f[i + 1] == '%') {
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < f.size() && std::strchr("-+ #0", f[j]) != nullptr) ++j;
    j = SkipDigits(f, j);
    if (j < f.size() && f[j] == '.') j = SkipDigits(f, j + 1);
    if (j < f.size() && f[j] == 'l') ++j;  // no effect on a double's conversion
    if (j >= f.size() || f[j] == '\0' || std::strchr("fFeEgGaA", f[j]) == nullptr) {
      why = "conversion at " + std::to_string(i) + " does not take one double";
      return false;
    }
    if (j + 1 - i > kMaxConversionLength) {
      why = "conversion at " + std::to_string(i) + " is longer than " + std::to_string(kMaxConversionLength) +
            " characters";
      return false;
    }
    ++conversions;
    i = j;
  }
  if (conversions != 1) {
    why = std::to_string(conversions) + " conversions, expected exactly one";
    return false;
  }
  return true;
}

}  // namespace usrhost
