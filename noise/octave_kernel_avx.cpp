// Four double lanes: AVX. This file alone is compiled with -mavx; it is only called on CPUs that
// report AVX.
#include <immintrin.h>

#include "noise/octave_kernel.hpp"
#include "noise/sampler.hpp"

#define VEK_LANES 4
#define VEK_ANY_LANE(mask) (_mm256_movemask_pd(reinterpret_cast<__m256d>(mask)) != 0)
#define VEK_KERNEL_NAME OctaveTermsAvx
#include "noise/octave_kernel_lanes.inc"

namespace vek {

// Values at four base positions at a time, one position per lane, octave after octave: every
// lane adds its octaves in the algorithm's order. Floor is exact (vroundpd); the table indexes and
// reads are scalar. A lane whose octave positions leave the int32 cells is recomputed by the
// scalar path.
void EvaluateManyAvx(const RandomTable& table, const PreparedNoise& p, const double* xs, double* out, int n) {
  const int32_t* e = table.entries;
  const LaneConstants constants = ConstantsOf(p);
  const __m256d zero = _mm256_setzero_pd(), half = _mm256_set1_pd(0.5);
  const __m256d low = _mm256_set1_pd(-2147483648.0), high = _mm256_set1_pd(2147483648.0);
  const int top = p.samples;
  const bool fractional = p.frac != 0.0;
  for (int i = 0; i < n; i += 4) {
    double lanes[4];
    for (int l = 0; l < 4; ++l) lanes[l] = i + l < n ? xs[i + l] : 0.0;
    const __m256d x = _mm256_loadu_pd(lanes);
    __m256d sum = zero, inside = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    for (int octave = top; octave >= 1; --octave) {
      const __m256d k = _mm256_set1_pd(kOctaveK[octave]);
      const __m256d displacement = _mm256_set1_pd(e[DisplacementIndex(octave)]);
      const __m256d raw = _mm256_mul_pd(k, _mm256_add_pd(displacement, x));
      const __m256d inRange = _mm256_and_pd(_mm256_cmp_pd(raw, low, _CMP_GT_OQ), _mm256_cmp_pd(raw, high, _CMP_LT_OQ));
      inside = _mm256_and_pd(inside, inRange);
      const __m256d position = _mm256_blendv_pd(half, raw, inRange);
      const __m256d cell = _mm256_floor_pd(position);
      // Whole numbers inside the int32 range: the conversion is exact.
      alignas(16) int32_t cells[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(cells), _mm256_cvttpd_epi32(cell));
      int32_t before[4], at[4], after[4];
      for (int l = 0; l < 4; ++l) {
        at[l] = TableIndexOfInt32Cell(cells[l]);
        before[l] = IndexBefore(at[l]);
        after[l] = IndexAfter(at[l]);
      }
      auto gather = [e](const int32_t* j) { return _mm256_cvtepi32_pd(_mm_setr_epi32(e[j[0]], e[j[1]], e[j[2]], e[j[3]])); };
      const __m256d a = gather(before), v = gather(at), c = gather(after);
      const VecD value = CellValue(p, constants, _mm256_sub_pd(position, cell), a, v, c);
      const VecD sample = value / static_cast<double>(kTableSize);
      const VecD term = 2.0 * (sample - 0.5) / static_cast<VecD>(k);
      // The fractional octave first (weighted), then the whole octaves from the highest down.
      sum = (fractional && octave == top) ? static_cast<__m256d>(term * p.frac) : _mm256_add_pd(sum, term);
    }
    double sums[4];
    _mm256_storeu_pd(sums, sum);
    const int outsideMask = ~_mm256_movemask_pd(inside);
    for (int l = 0; l < 4 && i + l < n; ++l) {
      out[i + l] = (outsideMask >> l) & 1 ? EvaluatePrepared(table, p, xs[i + l]) : MapNoiseSum(sums[l], p.settings);
    }
  }
}

}  // namespace vek
