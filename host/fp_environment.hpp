#pragma once
// The plug-in's own floating-point environment for the span of one entry point.
//
// A host's runtime or another plug-in may leave exceptions unmasked, flush-to-zero and
// denormals-are-zero on, another rounding mode, or the x87 unit at single precision. Our values
// must not depend on any of that, and nothing we raise may trap or stay behind in the host. So an
// entry point that computes takes the host's environment aside, runs with every exception masked,
// rounding to nearest and no flushing, and on return puts back the host's control words and status
// flags exactly as they were. The noise core itself never touches the environment.
#include <cstdint>

#include "host/fp_registers.hpp"

namespace vek {

#if defined(__i386__) || defined(__x86_64__)

class FpEnvironmentGuard {
 public:
  FpEnvironmentGuard() {
    asm volatile("stmxcsr %0" : "=m"(hostMxcsr_) : : "memory");
    asm volatile("fnstcw %0" : "=m"(hostControl_) : : "memory");
    asm volatile("fnstsw %0" : "=m"(hostStatus_) : : "memory");
    if ((hostMxcsr_ & ~kMxcsrFlags) != kOwnMxcsr) {
      const uint32_t own = kOwnMxcsr;
      asm volatile("ldmxcsr %0" : : "m"(own) : "memory");
    }
    if (!X87ControlIsOurs(hostControl_)) {
      const uint16_t own = kOwnX87Control;
      asm volatile("fldcw %0" : : "m"(own) : "memory");
    }
  }

  ~FpEnvironmentGuard() {
    uint16_t status;
    asm volatile("fnstsw %0" : "=m"(status) : : "memory");
    if (((status ^ hostStatus_) & kX87StatusFlags) != 0) RestoreX87();
    else if (!X87ControlIsOurs(hostControl_)) asm volatile("fldcw %0" : : "m"(hostControl_) : "memory");
    // Reloading costs less than reading MXCSR to see whether our arithmetic raised a flag.
    asm volatile("ldmxcsr %0" : : "m"(hostMxcsr_) : "memory");
  }

  FpEnvironmentGuard(const FpEnvironmentGuard&) = delete;
  FpEnvironmentGuard& operator=(const FpEnvironmentGuard&) = delete;

 private:
  // Every exception masked and round to nearest. The precision field is left alone at 53 or 64
  // bits: our arithmetic is SSE2, the x87 unit only moves values, and Windows hosts run at 53.
  static bool X87ControlIsOurs(uint16_t control) {
    return (control & (kX87Rounding | kX87Masks)) == kX87Masks && (control & kX87Precision) >= kX87PrecisionDouble;
  }

  // The x87 status flags differ from the host's: clear ours, put back the host's, never leaving a
  // flag pending under the host's control word.
  void RestoreX87() {
    if ((hostStatus_ & kX87StatusFlags) == 0) {
      asm volatile("fnclex" : : : "memory");
      if (!X87ControlIsOurs(hostControl_)) asm volatile("fldcw %0" : : "m"(hostControl_) : "memory");
      return;
    }
    // The host had flags of its own: only a whole environment load can set them again.
    X87Environment env;
    asm volatile("fnstenv %0" : "=m"(env) : : "memory");
    env = WithControlAndFlags(env, hostControl_, hostStatus_);
    asm volatile("fldenv %0" : : "m"(env) : "memory");
  }

  uint32_t hostMxcsr_;
  uint16_t hostControl_;
  uint16_t hostStatus_;
};

#else

class FpEnvironmentGuard {};

#endif

}  // namespace vek
