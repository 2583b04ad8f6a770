#pragma once
// "Integer Out" of a value: halves away from zero, and a zero result is +0, as std::round gives
// it, but inline and without a library call per element. Needs the plug-in's own rounding to
// nearest (the entry points' guard).

namespace vek {

inline double IntegerOutValue(double value) {
  constexpr double kTwoTo52 = 4503599627370496.0;  // from here on every double is whole
  const double magnitude = value < 0.0 ? -value : value;
  if (!(magnitude < kTwoTo52)) return value;  // whole already, infinite or NaN
  // Adding and taking away 2^52 rounds to a whole number (to nearest); one step down where that
  // went up gives the truncation, and the exact remainder decides the half.
  double whole = (magnitude + kTwoTo52) - kTwoTo52;
  if (whole > magnitude) whole -= 1.0;
  if (magnitude - whole >= 0.5) whole += 1.0;
  if (whole == 0.0) return 0.0;
  return value < 0.0 ? -whole : whole;
}

}  // namespace vek
