#pragma once
// Calls into the host's service table, with the arguments exactly as the host expects them.
#include "host/abi.hpp"

namespace vek {

inline double ReadParam(const HostServices& host, EventHandle handle) {
  return static_cast<double>(host.GetValue(handle));
}

inline void SetArrayLengths(const HostServices& host, EventHandle first, EventHandle second, int32_t length) {
  host.SetArrayLength(first, length);
  host.SetArrayLength(second, length);
}

}  // namespace vek
