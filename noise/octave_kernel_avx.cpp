// Four double lanes: AVX. This file alone is compiled with -mavx; it is only called on CPUs that
// report AVX.
#include <immintrin.h>

#include "noise/octave_kernel.hpp"
#include "noise/term_formulas.hpp"

namespace vek {
namespace {

typedef double VecD __attribute__((vector_size(32)));

inline VecD Floor(VecD position) { return _mm256_floor_pd(position); }

// Whole numbers inside the int32 range: the conversion is exact.
inline void CellsOf(VecD cell, int32_t* j) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(j), _mm256_cvttpd_epi32(cell));
}

// Plain scalar loads: faster here than a gather instruction.
inline VecD GatherFlat(const double* flat, const int32_t* j) {
  const __m128d low = _mm_loadh_pd(_mm_load_sd(flat + j[0]), flat + j[1]);
  const __m128d high = _mm_loadh_pd(_mm_load_sd(flat + j[2]), flat + j[3]);
  return _mm256_insertf128_pd(_mm256_castpd128_pd256(low), high, 1);
}

inline VecD GatherEntries(const int32_t* e, const int32_t* j) {
  __m128i v = _mm_cvtsi32_si128(e[j[0]]);
  v = _mm_insert_epi32(v, e[j[1]], 1);
  v = _mm_insert_epi32(v, e[j[2]], 2);
  v = _mm_insert_epi32(v, e[j[3]], 3);
  return _mm256_cvtepi32_pd(v);
}

inline int LaneMask(VecD m) { return _mm256_movemask_pd(m); }
inline VecD Less(VecD a, VecD b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
inline VecD Greater(VecD a, VecD b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
inline VecD AtLeast(VecD a, VecD b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
inline VecD And(VecD a, VecD b) { return _mm256_and_pd(a, b); }
inline VecD Or(VecD a, VecD b) { return _mm256_or_pd(a, b); }
inline VecD Select(VecD mask, VecD a, VecD b) {
  // In bitwise operations on a mask the compiler cannot see through: as a blend or a generic
  // vector condition, GCC splits the selection into lanes (AVX has no 256-bit integer compares).
  asm("" : "+x"(mask));
  return _mm256_or_pd(_mm256_and_pd(mask, a), _mm256_andnot_pd(mask, b));
}

}  // namespace
}  // namespace vek

#define VEK_LANES 4
#define VEK_TERMS_NAME OctaveTermsAvx
#define VEK_SUMS_NAME OctaveSumsAvx
#include "noise/octave_kernel_lanes.inc"
