// Four double lanes: AVX. This file alone is compiled with -mavx; it is only called on CPUs that
// report AVX.
#include <immintrin.h>

#include "noise/octave_kernel.hpp"
#include "noise/term_formulas.hpp"

#define VEK_LANES 4
#define VEK_KERNEL_NAME OctaveTermsAvx
#include "noise/octave_kernel_lanes.inc"

namespace vek {

// Octave sums at four base positions at a time, one position per lane, octave after octave: every
// lane adds its octaves in the algorithm's order. Floor is exact (vroundpd); the table indexes and
// reads are scalar. A group of four with a position outside the int32 cells is marked for the
// scalar path.
void OctaveSumsAvx(const RandomTable& table, const PreparedNoise& p, const double* xs, double* sums, bool* outside,
                   int n) {
  const int32_t* e = table.entries;
  const double* flat = table.flatNumerators;
  const VecD zero = {}, halfFade = zero + p.settings.halfFade, upperEdge = zero + p.upperEdge;
  const VecD low = zero - 2147483648.0, high = zero + 2147483648.0;
  const int top = p.samples;
  const bool fractional = p.frac != 0.0;
  for (int i = 0; i < n; i += 4) {
    double lanes[4];
    for (int l = 0; l < 4; ++l) lanes[l] = i + l < n ? xs[i + l] : 0.0;
    const VecD x = Load(lanes);
    VecD sum = zero;
    bool inside = true;
    for (int octave = top; octave >= 1; --octave) {
      const VecD raw = kOctaveK[octave] * (e[DisplacementIndex(octave)] + x);
      const auto inRange = (raw >= low) & (raw < high);  // InInt32Cells, lane by lane
      inside = inside && _mm256_movemask_pd(reinterpret_cast<__m256d>(inRange)) == 0xF;
      const VecD position = inRange ? raw : zero + 0.5;
      const VecD cell = _mm256_floor_pd(position);
      // Whole numbers inside the int32 range: the conversion is exact.
      alignas(16) int32_t cells[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(cells), _mm256_cvttpd_epi32(cell));
      int32_t j[4];
      for (int l = 0; l < 4; ++l) j[l] = TableIndexOfInt32Cell(cells[l]);
      VecD numerator = {flat[j[0]], flat[j[1]], flat[j[2]], flat[j[3]]};
      if (p.shaped) {
        const VecD d = position - cell;
        const auto lower = d < halfFade;
        const auto zone = lower | (d > upperEdge);
        if (_mm256_movemask_pd(reinterpret_cast<__m256d>(zone)) != 0) {
          const VecD a = {static_cast<double>(e[IndexBefore(j[0])]), static_cast<double>(e[IndexBefore(j[1])]),
                          static_cast<double>(e[IndexBefore(j[2])]), static_cast<double>(e[IndexBefore(j[3])])};
          const VecD v = {static_cast<double>(e[j[0]]), static_cast<double>(e[j[1]]), static_cast<double>(e[j[2]]),
                          static_cast<double>(e[j[3]])};
          const VecD c = {static_cast<double>(e[IndexAfter(j[0])]), static_cast<double>(e[IndexAfter(j[1])]),
                          static_cast<double>(e[IndexAfter(j[2])]), static_cast<double>(e[IndexAfter(j[3])])};
          const VecD t = ZoneT(lower ? zero + 0.5 : zero, lower ? 0.5 * d : 0.5 * (d - upperEdge), p.fadeIsPowerOfTwo,
                               p.fadeReciprocal, p.settings.halfFade);
          const VecD w = ShapedWeight(t, p.biased, p.biasFactor, p.gained, p.gainFactor);
          const VecD blended = TermNumerator(SampleOfValue(lower ? Blend(a, v, w) : Blend(v, c, w)));
          numerator = zone ? blended : numerator;
        }
      }
      const VecD term = numerator / kOctaveK[octave];
      // The fractional octave first (weighted), then the whole octaves from the highest down.
      sum = (fractional && octave == top) ? term * p.frac : sum + term;
    }
    for (int l = 0; l < 4 && i + l < n; ++l) {
      sums[i + l] = sum[l];
      outside[i + l] = !inside;
    }
  }
}

}  // namespace vek
