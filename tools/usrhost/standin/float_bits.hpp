#pragma once
// A float's bits and words as hex text: the one spelling of every golden file, report and message.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace usrhost {

inline uint32_t FloatBits(float v) {
  uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

inline float FloatFromBits(uint32_t b) {
  float v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

// At least `digits` lowercase hex digits, no prefix ("3f800000").
inline std::string HexDigits(uint32_t v, int digits = 8) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*x", digits, static_cast<unsigned>(v));
  return buf;
}

// "0x" and at least `digits` hex digits: 8 for a float's bits or an address, 4 for a control word.
inline std::string HexWord(uint32_t v, int digits = 8) { return "0x" + HexDigits(v, digits); }

}  // namespace usrhost
