#pragma once
// One noise sample: the table read as unit cells, with shaped transitions at the cell boundaries.
#include <cstdint>

#include "noise/random_table.hpp"
#include "noise/table_index.hpp"

namespace vek {

double BiasCurve(double t, double bias);
double GainCurve(double u, double gain);

// Table index of the cell floor(position) == `cell` (a finite whole number of any size). Outside
// the int32 range the same rule is applied exactly through the remainder of the double.
int32_t TableIndexOfCell(double cell);

// The sample at `position`, in 0..1. `bias` and `gain` must lie strictly between 0 and 1 (the octave
// sum clamps them); a non-finite position reads the flat value of index 0.
double SampleNoise(const RandomTable& table, double bias, double gain, double halfFade, double position);

}  // namespace vek
