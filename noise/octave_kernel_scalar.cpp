#include "noise/octave_kernel.hpp"
#include "noise/sampler.hpp"

namespace vek {

void GatherOctaveSamples(const RandomTable& table, const PreparedNoise& p, double x, int count, OctaveSamples& s) {
  const int32_t* e = table.entries;
  const double halfFade = p.settings.halfFade, upperEdge = p.upperEdge;
  s.outOfRange = 0;
  int32_t queued = 0;
  const int padded = (count + 3) & ~3;  // whole vectors of the widest kernel
  for (int i = 0; i < count; ++i) {
    const double position = OctavePosition(table, i + 1, x);
    if (!InInt32Cells(position)) {  // the exact scalar sampler takes these
      s.outOfRange |= 1u << i;
      s.numerators[i] = 0.0;
      continue;
    }
    // floor without a library call (i686 has no rounding instruction): truncate, then step down
    // where truncation went up.
    int32_t f = static_cast<int32_t>(position);
    if (static_cast<double>(f) > position) --f;
    const double d = position - static_cast<double>(f);
    const int32_t j = TableIndexOfInt32Cell(f);
    s.numerators[i] = table.flatNumerators[j];
    if (!p.shaped) continue;
    // Queued without a branch: every sample writes the next slot, only a zone sample keeps it.
    const bool lower = d < halfFade, upper = !lower && d > upperEdge;
    const double v = e[j];
    s.zoneNum[queued] = lower ? 0.5 * d : 0.5 * (d - upperEdge);
    s.zoneBase[queued] = lower ? 0.5 : 0.0;
    s.zoneFrom[queued] = lower ? e[IndexBefore(j)] : v;
    s.zoneTo[queued] = lower ? v : e[IndexAfter(j)];
    s.zoneSample[queued] = i;
    queued += lower || upper;
  }
  s.zoneCount = queued;
  for (int i = count; i < padded; ++i) s.numerators[i] = 0.0;
  for (int z = queued; z < padded; ++z) {
    s.zoneNum[z] = s.zoneBase[z] = s.zoneFrom[z] = s.zoneTo[z] = 0.0;
    s.zoneSample[z] = kPaddedSamples - 1;  // a padding slot no term reads
  }
}

void OctaveTermsScalar(const PreparedNoise& p, OctaveSamples& s, double* terms, int count) {
  const NoiseSettings& n = p.settings;
  for (int z = 0; z < s.zoneCount; ++z) {
    const double t = ZoneT(s.zoneBase[z], s.zoneNum[z], p.fadeIsPowerOfTwo, p.fadeReciprocal, n.halfFade);
    const double w = ShapedWeight(t, p.biased, p.biasFactor, p.gained, p.gainFactor);
    s.numerators[s.zoneSample[z]] = TermNumerator(SampleOfValue(Blend(s.zoneFrom[z], s.zoneTo[z], w)));
  }
  for (int i = 0; i < count; ++i) terms[i] = s.numerators[i] / kOctaveK[i + 1];
}

}  // namespace vek
