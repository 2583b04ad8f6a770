#include "noise_digest.hpp"

#include <cstring>
#include <memory>

#include "noise/octave_sum.hpp"
#include "noise/random_table.hpp"

namespace vek {
namespace {

struct Fnv {
  uint64_t h = 1469598103934665603ull;
  uint64_t count = 0;
  void Add(uint64_t word) {
    for (int i = 0; i < 8; ++i) {
      h ^= (word >> (8 * i)) & 0xff;
      h *= 1099511628211ull;
    }
    ++count;
  }
  void Add(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Add(bits);
  }
};

}  // namespace

NoiseDigest ComputeNoiseDigest() {
  Fnv fnv;
  auto table = std::make_unique<RandomTable>();
  const uint32_t seeds[] = {42, 0, 7, 4294967295u};
  const double octaves[] = {0, 0.5, 1, 2.75, 8, 16, 16.5};
  const double halfFades[] = {0, 0.125, 0.3, 0.5};
  const double shaping[][2] = {{0.5, 0.5}, {0.3, 0.7}, {1e-05, 0.99999}, {0.9, 0.2}};
  const double ranges[][2] = {{-1, 1}, {0.3, -0.2}, {0.1, 0.1}};
  for (uint32_t seed : seeds) {
    BuildRandomTable(*table, seed);
    for (int32_t e : table->entries) fnv.Add(static_cast<uint64_t>(e));
    for (double o : octaves) {
      for (double hf : halfFades) {
        for (const auto& bg : shaping) {
          for (const auto& r : ranges) {
            NoiseSettings s{o, r[0], r[1], hf, bg[0], bg[1], -2.5, 7.25};
            OrderNoiseRange(s);
            // Positions at fine steps, negative, and far beyond the int32 cells.
            for (int i = 0; i < 240; ++i) fnv.Add(EvaluateNoise(*table, s, -3.0 + i * 0.0371));
            for (int i = 0; i < 60; ++i) {
              const double scale[] = {1e3, -1e6, 3.1e9, -1e17};
              fnv.Add(EvaluateNoise(*table, s, scale[i % 4] * (1.0 + i * 0.013)));
            }
          }
        }
      }
    }
  }
  return {fnv.h, fnv.count};
}

}  // namespace vek
