#include "noise/octave_kernel.hpp"
#include "noise/sampler.hpp"

namespace vek {

double OctavePosition(const RandomTable& table, int n, double x) {
  return kOctaveK[n] * (table.entries[DisplacementIndex(n)] + x);
}

void GatherOctaveCells(const RandomTable& table, double x, int count, OctaveCells& cells) {
  const int32_t* e = table.entries;
  cells.outOfRange = 0;
  const int padded = (count + 3) & ~3;  // whole vectors of the widest kernel
  for (int i = 0; i < padded; ++i) {
    const double position = i < count ? OctavePosition(table, i + 1, x) : 0.5;
    // floor without a library call (i686 has no rounding instruction): truncate, then step down
    // where truncation went up. Exact wherever the cell fits an int32; the rest is marked and left
    // to the scalar sampler.
    if (!(position > -2147483648.0 && position < 2147483648.0)) {
      cells.outOfRange |= 1u << i;
      cells.d[i] = cells.a[i] = cells.v[i] = cells.c[i] = 0.0;
      continue;
    }
    int32_t f = static_cast<int32_t>(position);
    if (static_cast<double>(f) > position) --f;
    cells.d[i] = position - static_cast<double>(f);
    const int32_t j = TableIndexOfInt32Cell(f);
    cells.a[i] = e[IndexBefore(j)];
    cells.v[i] = e[j];
    cells.c[i] = e[IndexAfter(j)];
  }
}

// The sampler's zones on gathered cells (the sampler itself stays the plain reference, reading a
// neighbour only where a zone needs it).
void OctaveTermsScalar(const PreparedNoise& p, const OctaveCells& cells, double* terms, int count) {
  const NoiseSettings& s = p.settings;
  for (int i = 0; i < count; ++i) {
    double result = cells.v[i];
    const double d = cells.d[i];
    if (!p.shaped) {
      // a plain step function
    } else if (d < s.halfFade) {
      const double w = GainCurve(BiasCurve(0.5 + 0.5 * d / s.halfFade, s.bias), s.gain);
      result = cells.a[i] + w * (cells.v[i] - cells.a[i]);
    } else if (d > p.upperEdge) {
      const double w = GainCurve(BiasCurve(0.5 * (d - p.upperEdge) / s.halfFade, s.bias), s.gain);
      result = cells.v[i] + w * (cells.c[i] - cells.v[i]);
    }
    terms[i] = 2.0 * (result / kTableSize - 0.5) / kOctaveK[i + 1];
  }
}

}  // namespace vek
