// Two double lanes: SSE2, which every i686 target of ours has.
#include <emmintrin.h>

#include "noise/octave_kernel.hpp"
#include "noise/sampler.hpp"

#define VEK_LANES 2
#define VEK_ANY_LANE(mask) (_mm_movemask_pd(reinterpret_cast<__m128d>(mask)) != 0)
#define VEK_KERNEL_NAME OctaveTermsSse2
#include "noise/octave_kernel_lanes.inc"
