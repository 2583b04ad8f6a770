#include "tools/usrhost/vek/vek_seed.hpp"

#include <cmath>
#include <cstdint>

#include "noise/random_table.hpp"

namespace usrhost {

std::string SeedWarning(const ParamDescription& p, double typed) {
  if (p.caption != kSeedCaption || !std::isfinite(typed)) return "";
  const float sent = static_cast<float>(typed);
  std::string why;
  // (Only where both fit a long long, so that the conversions below are defined.)
  if (static_cast<double>(sent) != std::trunc(typed) && std::fabs(typed) > 16777216.0 && std::fabs(typed) < 9e18) {
    why = "\"" + p.caption + "\" = " + std::to_string(static_cast<long long>(std::trunc(typed))) +
          ": the host sends a float, so it arrives as " + std::to_string(static_cast<long long>(sent));
  }
  const uint32_t seed = vek::SeedFromParameter(static_cast<double>(sent));
  int zeros = 0;
  for (uint32_t s = seed; s != 0 && (s & 1u) == 0; s >>= 1) ++zeros;
  if (seed != 0 && zeros >= kPoorSeedZeroBits) {
    why += std::string(why.empty() ? "\"" + p.caption + "\" = " + std::to_string(seed) : "") + "; a seed that ends in " +
           std::to_string(zeros) + " zero bits gives a table of few distinct values (see the guide; seeds from 0 to 16777215 "
           "arrive exactly and give full tables)";
  }
  return why;
}

}  // namespace usrhost
