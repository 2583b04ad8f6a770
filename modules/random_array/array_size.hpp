#pragma once
// The largest "Array Size" the array module fills; a header of its own so that tools built for
// other targets (the release runner) can read it without the 32-bit boundary.
#include <cstdint>

namespace vek {

constexpr int32_t kMaxArraySize = 2048;

}  // namespace vek
