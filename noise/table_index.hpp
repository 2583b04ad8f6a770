#pragma once
// How cells and octaves find their table entries: each rule once, for the sampler, the gather and
// the AVX fill. Internal linkage: the AVX source includes this too, and a copy compiled there must
// never stand in for the others at link time.
#include <cmath>
#include <cstdint>

#include "noise/random_table.hpp"

namespace vek {

// The cell-number modulus; entry 9972 is never read by the sampler.
constexpr int32_t kIndexModulus = 9971;

namespace {

// Whether floor(position) is an int32 cell number: the one form of the range test, for positions
// and for whole cell numbers alike. NaN fails it.
inline bool InInt32Cells(double position) { return position >= -2147483648.0 && position < 2147483648.0; }

// Table index of an int32 cell number: add 9973 when negative, then the remainder modulo 9971 in
// 0..9970.
inline int32_t TableIndexOfInt32Cell(int32_t cell) {
  if (cell < 0) cell += kTableSize;  // cannot overflow: the cell is negative
  const int32_t r = cell % kIndexModulus;
  return r < 0 ? r + kIndexModulus : r;
}

// Table index of the cell floor(position) == `cell` (a finite whole number of any size). Outside
// the int32 range the same rule is applied exactly through the remainder of the double.
inline int32_t TableIndexOfCell(double cell) {
  if (InInt32Cells(cell)) return TableIndexOfInt32Cell(static_cast<int32_t>(cell));
  // fmod is exact; adding 9973 is adding 2 modulo 9971, which stays exact where f + 9973 would not.
  int32_t r = static_cast<int32_t>(std::fmod(cell, static_cast<double>(kIndexModulus)));
  if (cell < 0) r += kTableSize - kIndexModulus;
  r %= kIndexModulus;
  return r < 0 ? r + kIndexModulus : r;
}

// The neighbours a transition blends with. Entry -1 does not exist, so the cell before index 0
// reads the cell before it on the line, index 9970 of the 9971-cell cycle; the cell after always
// reads entry j + 1, so after 9970 that is entry 9971, not index 0 (the values patches rely on).
inline int32_t IndexBefore(int32_t j) { return j == 0 ? kIndexModulus - 1 : j - 1; }
inline int32_t IndexAfter(int32_t j) { return j + 1; }

// The entry that displaces octave n: n AND 9972, a bit mask, not a remainder.
inline int32_t DisplacementIndex(int32_t n) { return n & (kTableSize - 1); }

}  // namespace
}  // namespace vek
