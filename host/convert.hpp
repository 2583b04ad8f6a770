#pragma once
// Float-to-integer conversions that are defined for every value a host can send.
#include <cmath>
#include <cstdint>

namespace vek {

// Truncation toward zero, saturating at the int32 limits; NaN gives `nanValue`.
inline int32_t TruncToInt32(double value, int32_t nanValue = 0) {
  if (std::isnan(value)) return nanValue;
  if (value <= -2147483648.0) return INT32_MIN;
  if (value >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(value);
}

// Truncation toward zero into lo..hi; NaN gives lo.
inline int32_t TruncToRange(double value, int32_t lo, int32_t hi) {
  if (!(value >= lo)) return lo;
  if (value >= hi) return hi;
  return static_cast<int32_t>(value);
}

}  // namespace vek
