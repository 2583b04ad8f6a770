#pragma once
// The values a patch can send upstream of a module and a host passes on unchanged: NaN, the
// infinities, the largest finite values, subnormals and huge magnitudes. The validator, the
// validator's fuzzing and the release runner all send these.
#include <limits>

namespace usrhost {

inline constexpr float kHostileValues[] = {
    std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
    1e-40f, -1e-45f, 1e30f, -1e30f};

}  // namespace usrhost
