#pragma once
// One noise sample: the table read as unit cells, with shaped transitions at the cell boundaries.
#include <cstdint>

#include "noise/random_table.hpp"

namespace vek {

// The cell-number modulus; entry 9972 is never read by the sampler.
constexpr int32_t kIndexModulus = 9971;

double BiasCurve(double t, double bias);
double GainCurve(double u, double gain);

// Table index of an int32 cell number: add 9973 when negative, then the remainder modulo 9971 in
// 0..9970.
int32_t TableIndexOfInt32Cell(int32_t cell);

// Table index of the cell floor(position) == `cell` (a finite whole number of any size). Outside
// the int32 range the same rule is applied exactly through the remainder of the double.
int32_t TableIndexOfCell(double cell);


// The sample at `position`, in 0..1. `bias` and `gain` must lie strictly between 0 and 1 (the octave
// sum clamps them); a non-finite position reads the flat value of index 0.
double SampleNoise(const RandomTable& table, double bias, double gain, double halfFade, double position);

}  // namespace vek
