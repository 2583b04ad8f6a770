#pragma once
// The guest's control of the FP environment around a call into the module: the host's environment
// loaded before it, what the call left read after it, the guest's own put back.
#include "host/fp_registers.hpp"
#include "tools/release_runner/guest/guest_abi.hpp"

namespace runner {

inline FpState ReadFpState() {
  FpState s;
  uint16_t status;
  asm volatile("stmxcsr %0" : "=m"(s.mxcsr) : : "memory");
  asm volatile("fnstcw %0" : "=m"(s.x87Control) : : "memory");
  asm volatile("fnstsw %0" : "=m"(status) : : "memory");
  s.x87Status = status & vek::kX87StatusFlags;
  return s;
}

// Sticky x87 flags can only be set through a whole environment load.
inline void LoadFpState(const FpState& s) {
  vek::X87Environment env;
  asm volatile("fnstenv %0" : "=m"(env) : : "memory");
  env = vek::WithControlAndFlags(env, s.x87Control, s.x87Status);
  asm volatile("fldenv %0" : : "m"(env) : "memory");
  asm volatile("ldmxcsr %0" : : "m"(s.mxcsr) : "memory");
}

// The guest's own: everything masked, round to nearest, no flags.
inline void LoadOwnFpState() {
  const uint32_t mxcsr = vek::kOwnMxcsr;
  const uint16_t control = vek::kOwnX87Control;
  asm volatile("fnclex" : : : "memory");
  asm volatile("fldcw %0" : : "m"(control) : "memory");
  asm volatile("ldmxcsr %0" : : "m"(mxcsr) : "memory");
}

}  // namespace runner
