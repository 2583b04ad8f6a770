// Two double lanes: SSE2, which every i686 target of ours has.
#include "noise/octave_kernel.hpp"
#include "noise/term_formulas.hpp"

#define VEK_LANES 2
#define VEK_KERNEL_NAME OctaveTermsSse2
#include "noise/octave_kernel_lanes.inc"
