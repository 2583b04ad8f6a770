#include "modules/random/random_module.hpp"

#include "host/services.hpp"
#include "noise/octave_sum.hpp"

namespace vek {
namespace {

void FollowSeed(RandomModule& m) {
  BuildRandomTable(m.table, SeedFromParameter(ReadParam(*m.services, m.handles[kRandomSeed])));
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
  NoiseSettings s;
  s.octaves = ReadParam(host, h[kOctaves]);
  s.bias = ReadParam(host, h[kNoiseBias]);
  s.gain = ReadParam(host, h[kNoiseGain]);
  s.noiseMin = ReadParam(host, h[kNoiseMin]);
  s.noiseMax = ReadParam(host, h[kNoiseMax]);
  s.halfFade = ReadParam(host, h[kFade]) * 0.5;
  const double scale = ReadParam(host, h[kScale]);
  const double offset = ReadParam(host, h[kOffset]);
  s.outputMin = ReadParam(host, h[kOutputMin]);
  s.outputMax = ReadParam(host, h[kOutputMax]);
  OrderNoiseRange(s);
  const double x = (input + offset) * scale;
  host.SetValue(h[kOutput], static_cast<float>(EvaluateNoise(m.table, s, x)));
}

}  // namespace vek
