#include "modules/random/random_module.hpp"

#include <cstring>

#include "host/services.hpp"
#include "noise/octave_sum.hpp"

namespace vek {
namespace {

void FollowSeed(RandomModule& m) {
  BuildRandomTable(m.table, SeedFromParameter(ReadParam(*m.services, m.handles[kRandomSeed])));
}

// Bit for bit, so that a NaN compares equal to itself; without a library call.
bool SameBits(const RandomRawSettings& a, const RandomRawSettings& b) {
  constexpr int kWords = sizeof(RandomRawSettings) / 4;
  uint32_t x[kWords], y[kWords];
  std::memcpy(x, &a, sizeof x);
  std::memcpy(y, &b, sizeof y);
  uint32_t differ = 0;
  for (int i = 0; i < kWords; ++i) differ |= x[i] ^ y[i];
  return differ == 0;
}

void Prepare(RandomModule& m, const RandomRawSettings& raw) {
  NoiseSettings s;
  s.octaves = raw.octaves;
  s.bias = raw.bias;
  s.gain = raw.gain;
  s.noiseMin = raw.noiseMin;
  s.noiseMax = raw.noiseMax;
  s.halfFade = static_cast<double>(raw.fade) * 0.5;
  s.outputMin = raw.outputMin;
  s.outputMax = raw.outputMax;
  OrderNoiseRange(s);
  PrepareNoise(s, m.prepared);
  m.preparedFrom = raw;
  m.hasPrepared = true;
}

}  // namespace

void InitRandomModule(RandomModule& m) { FollowSeed(m); }

void HandleRandomMessage(RandomModule& m, const CallbackMessage& message) {
  if (message.paramIndex == kRandomSeed && message.detail == 0) FollowSeed(m);
}

void ProcessRandomModule(RandomModule& m) {
  const HostServices& host = *m.services;
  const EventHandle* h = m.handles;
  // Read in the order hosts have always seen.
  const double input = ReadParam(host, h[kInput]);
  RandomRawSettings raw;
  raw.octaves = host.GetValue(h[kOctaves]);
  raw.bias = host.GetValue(h[kNoiseBias]);
  raw.gain = host.GetValue(h[kNoiseGain]);
  raw.noiseMin = host.GetValue(h[kNoiseMin]);
  raw.noiseMax = host.GetValue(h[kNoiseMax]);
  raw.fade = host.GetValue(h[kFade]);
  const double scale = ReadParam(host, h[kScale]);
  const double offset = ReadParam(host, h[kOffset]);
  raw.outputMin = host.GetValue(h[kOutputMin]);
  raw.outputMax = host.GetValue(h[kOutputMax]);
  if (!m.hasPrepared || !SameBits(raw, m.preparedFrom)) Prepare(m, raw);
  const double x = (input + offset) * scale;
  host.SetValue(h[kOutput], static_cast<float>(EvaluatePrepared(m.table, m.prepared, x)));
}

}  // namespace vek
