// Two double lanes: SSE2, which every i686 target of ours has.
#include <emmintrin.h>

#include "noise/octave_kernel.hpp"
#include "noise/term_formulas.hpp"

namespace vek {
namespace {

typedef double VecD __attribute__((vector_size(16)));

// floor without a rounding instruction: truncate (exact inside the int32 cells), then step down
// where truncation went up.
inline VecD Floor(VecD position) {
  const VecD t = _mm_cvtepi32_pd(_mm_cvttpd_epi32(position));
  return t - _mm_and_pd(_mm_cmpgt_pd(t, position), _mm_set1_pd(1.0));
}

inline void CellsOf(VecD cell, int32_t* j) {
  const __m128i cells = _mm_cvttpd_epi32(cell);
  j[0] = _mm_cvtsi128_si32(cells);
  j[1] = _mm_cvtsi128_si32(_mm_shuffle_epi32(cells, 1));
}

inline VecD GatherFlat(const double* flat, const int32_t* j) { return _mm_setr_pd(flat[j[0]], flat[j[1]]); }

inline VecD GatherEntries(const int32_t* e, const int32_t* j) {
  return _mm_cvtepi32_pd(_mm_setr_epi32(e[j[0]], e[j[1]], 0, 0));
}

inline int LaneMask(VecD m) { return _mm_movemask_pd(m); }
inline VecD Less(VecD a, VecD b) { return _mm_cmplt_pd(a, b); }
inline VecD Greater(VecD a, VecD b) { return _mm_cmpgt_pd(a, b); }
inline VecD AtLeast(VecD a, VecD b) { return _mm_cmpge_pd(a, b); }
inline VecD And(VecD a, VecD b) { return _mm_and_pd(a, b); }
inline VecD Or(VecD a, VecD b) { return _mm_or_pd(a, b); }
inline VecD Select(VecD mask, VecD a, VecD b) {
  // Opaque to the compiler, which would otherwise turn it into a generic vector condition and
  // split that into lanes.
  asm("" : "+x"(mask));
  return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}

}  // namespace
}  // namespace vek

#define VEK_LANES 2
#define VEK_SUMS_NAME OctaveSumsSse2
#include "noise/octave_kernel_lanes.inc"
