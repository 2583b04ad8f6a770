#include "tools/usrhost/sessions/float_text.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace usrhost {

std::string FloatText(float v) {
  // One spelling on every system (the C libraries differ: "-nan", "nan", "inf", "1.#INF").
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buf[32];
  for (int precision = 6; precision <= 9; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, static_cast<double>(v));
    if (std::strtof(buf, nullptr) == v) break;
  }
  return buf;
}

}  // namespace usrhost
