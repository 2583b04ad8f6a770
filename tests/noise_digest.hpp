#pragma once
// A digest of the exact bits the noise core produces over a large fixed set of inputs. Every
// target must produce the same digest: x87 arithmetic, fused multiply-add or reassociation would
// each change it.
#include <cstdint>

namespace vek {

struct NoiseDigest {
  uint64_t hash;
  uint64_t values;  // how many values went into it
};

NoiseDigest ComputeNoiseDigest();

}  // namespace vek
