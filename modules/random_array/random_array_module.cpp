#include "modules/random_array/random_array_module.hpp"

#include <cmath>

#include "host/convert.hpp"
#include "host/services.hpp"
#include "modules/random_array/integer_out.hpp"
#include "noise/octave_sum.hpp"

namespace vek {
namespace {

// "Mode" truncated toward zero. Only 0 and 1 are listed, but a host may send any value; the
// others fall between the two: any value but 1 applies a seed or size change at once (as
// automatic), any value but 0 fills only on "Calculate Array" (as on click). NaN reads as 0.
enum Mode : int32_t { kAutomaticUpdate = 0, kUpdateOnClick = 1 };

double Read(RandomArrayModule& m, int32_t index) { return ReadParam(*m.services, m.handle(index)); }

// The declared range is 1..kMaxArraySize; below it nothing is filled, and a negative or huge
// length would be invalid for the host or take minutes to fill.
int32_t ArraySizeFrom(double value) { return TruncToRange(value, 0, kMaxArraySize); }

// "Float Out" first, then "Integer Out": the order of the host calls earlier builds made.
void ResizeArrays(RandomArrayModule& m, int32_t length) {
  m.services->SetArrayLength(m.handle(kFloatOut), length);
  m.services->SetArrayLength(m.handle(kIntegerOut), length);
  m.arrayLength = length;
  m.sizePending = false;
}

// Read in the order hosts have always seen: each read is a call into the host, and a host may
// answer calls in sequence or log them. Keep the order when adding or moving a read.
void FillArrays(RandomArrayModule& m) {
  const uint32_t seed = SeedFromParameter(Read(m, kArraySeed));
  const double offset = Read(m, kArrayOffset);
  const double scale = Read(m, kArrayScale);
  NoiseSettings s;
  s.octaves = Read(m, kArrayOctaves);
  s.noiseMin = Read(m, kArrayNoiseMin);
  s.noiseMax = Read(m, kArrayNoiseMax);
  const double fade = Read(m, kArrayFade);
  s.bias = Read(m, kArrayNoiseBias);
  s.gain = Read(m, kArrayNoiseGain);
  s.outputMin = Read(m, kArrayOutputMin);
  s.outputMax = Read(m, kArrayOutputMax);
  const int32_t n = ArraySizeFrom(Read(m, kArraySize));

  // Through single precision, as earlier builds kept it: the values stored patches rely on.
  const double o = static_cast<double>(static_cast<float>(std::fmod(offset, kOffsetPeriod)));
  s.halfFade = fade * 0.5;
  // A size that changed without a size message must still never be filled past the host's length.
  if (m.sizePending || n != m.arrayLength) ResizeArrays(m, n);
  if (m.seedPending) {
    BuildRandomTable(m.table, seed);
    m.seedPending = false;
  }
  OrderNoiseRange(s);
  PreparedNoise prepared;
  PrepareNoise(s, prepared);

  const HostServices& host = *m.services;
  const EventHandle floatOut = m.handle(kFloatOut);
  const EventHandle integerOut = m.handle(kIntegerOut);
  // Values are computed a chunk at a time (several positions share the vector lanes), then written
  // element by element, "Float Out" before "Integer Out", in index order.
  constexpr int32_t kChunk = 64;
  double positions[kChunk], values[kChunk];
  for (int32_t first = 0; first < n; first += kChunk) {
    const int32_t count = n - first < kChunk ? n - first : kChunk;
    // The offset once before and once after the scaling: not a slip, the values stored patches rely on.
    for (int32_t j = 0; j < count; ++j) positions[j] = (static_cast<double>(first + j) + o) * scale + o;
    EvaluatePreparedMany(m.table, prepared, positions, values, count);
    for (int32_t j = 0; j < count; ++j) {
      host.SetArrayElement(floatOut, first + j, static_cast<float>(values[j]));
      host.SetArrayElement(integerOut, first + j, static_cast<float>(IntegerOutValue(values[j])));
    }
  }
}

}  // namespace

void InitRandomArrayModule(RandomArrayModule& m) {
  BuildRandomTable(m.table, SeedFromParameter(Read(m, kArraySeed)));
  m.seedPending = false;
  ResizeArrays(m, ArraySizeFrom(Read(m, kArraySize)));
}

void HandleRandomArrayMessage(RandomArrayModule& m, const CallbackMessage& message) {
  const int32_t p = message.paramIndex;
  const int32_t detail = message.detail;
  if (static_cast<uint32_t>(p) >= static_cast<uint32_t>(kRandomArrayParamCount)) return;
  const int32_t mode = TruncToInt32(Read(m, kMode));

  if (p == kArraySeed && detail == 0) {
    if (mode == kUpdateOnClick) {
      m.seedPending = true;
    } else {
      BuildRandomTable(m.table, SeedFromParameter(Read(m, kArraySeed)));
      m.seedPending = false;
    }
  } else if (p == kArraySize && detail == 0) {
    if (mode == kUpdateOnClick) {
      m.sizePending = true;
    } else {
      ResizeArrays(m, ArraySizeFrom(Read(m, kArraySize)));
    }
  }
  if (mode != kAutomaticUpdate && p != kCalculateArray) return;  // only the button computes
  if (detail != 0) return;
  FillArrays(m);
}

}  // namespace vek
