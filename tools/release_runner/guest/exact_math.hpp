#pragma once
// floor, ceil and fmod, exact and independent of the rounding mode and of any library: the guest
// exports them to modules (their rare paths, positions beyond the int32 range, call them).
#include <cstdint>

namespace runner {
namespace exact_math {

inline uint64_t Bits(double x) {
  uint64_t u;
  __builtin_memcpy(&u, &x, sizeof u);
  return u;
}
inline double FromBits(uint64_t u) {
  double x;
  __builtin_memcpy(&x, &u, sizeof x);
  return x;
}

// Toward zero, by clearing the fraction bits; NaN, infinities and large values come back as they are.
inline double Truncate(double x) {
  const uint64_t u = Bits(x);
  const int e = static_cast<int>((u >> 52) & 0x7FF) - 1023;
  if (e >= 52) return x;
  if (e < 0) return FromBits(u & 0x8000000000000000ull);
  return FromBits(u & ~((1ull << (52 - e)) - 1));
}

}  // namespace exact_math

// Whole numbers below 2^52 plus or minus one are exact in every rounding mode.
inline double ExactFloor(double x) {
  const double t = exact_math::Truncate(x);
  return (x < 0 && t != x) ? t - 1.0 : t;
}

inline double ExactCeil(double x) {
  const double t = exact_math::Truncate(x);
  return (x > 0 && t != x) ? t + 1.0 : t;
}

// The exact remainder with the sign of x, by long division of the significands.
inline double ExactFmod(double x, double y) {
  using exact_math::Bits;
  using exact_math::FromBits;
  uint64_t ux = Bits(x), uy = Bits(y);
  int ex = static_cast<int>((ux >> 52) & 0x7FF), ey = static_cast<int>((uy >> 52) & 0x7FF);
  const uint64_t sign = ux & 0x8000000000000000ull;
  if ((ex == 0x7FF && (ux << 12) != 0) || (ey == 0x7FF && (uy << 12) != 0)) return x * y;  // a NaN goes through
  // fmod(x, 0) and fmod(inf, y): the NaN the processor's invalid operation gives.
  if ((uy << 1) == 0 || ex == 0x7FF) return FromBits(0xFFF8000000000000ull);
  if ((ux << 1) <= (uy << 1)) return (ux << 1) == (uy << 1) ? 0.0 * x : x;
  // Normalise both significands, subnormals included.
  if (ex == 0) {
    for (uint64_t i = ux << 12; (i >> 63) == 0; i <<= 1) --ex;
    ux <<= 1 - ex;
  } else {
    ux = (ux & (~0ull >> 12)) | (1ull << 52);
  }
  if (ey == 0) {
    for (uint64_t i = uy << 12; (i >> 63) == 0; i <<= 1) --ey;
    uy <<= 1 - ey;
  } else {
    uy = (uy & (~0ull >> 12)) | (1ull << 52);
  }
  for (; ex > ey; --ex) {
    if (ux >= uy) {
      ux -= uy;
      if (ux == 0) return 0.0 * x;
    }
    ux <<= 1;
  }
  if (ux >= uy) {
    ux -= uy;
    if (ux == 0) return 0.0 * x;
  }
  for (; (ux >> 52) == 0; ux <<= 1) --ex;
  if (ex > 0) {
    ux = (ux - (1ull << 52)) | (static_cast<uint64_t>(ex) << 52);
  } else {
    ux >>= 1 - ex;
  }
  return FromBits(ux | sign);
}

}  // namespace runner
