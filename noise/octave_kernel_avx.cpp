// Four double lanes: AVX. This file alone is compiled with -mavx; it is only called on CPUs that
// report AVX.
#include "noise/octave_kernel.hpp"
#include "noise/sampler.hpp"

#define VEK_LANES 4
#define VEK_KERNEL_NAME OctaveTermsAvx
#include "noise/octave_kernel_lanes.inc"
