#pragma once
// Calls into the host's service table, with the arguments exactly as the host expects them.
#include "host/abi.hpp"

namespace vek {

inline double ReadParam(const HostServices& host, EventHandle handle) {
  return static_cast<double>(host.GetValue(handle));
}

}  // namespace vek
