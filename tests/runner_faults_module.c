/* A DLL that misbehaves on request, for the release runner's own tests: no C runtime, no imports,
   one export per fault. */
#include <stdint.h>

#define EXPORT __declspec(dllexport)

int __stdcall DllMain(void* instance, uint32_t reason, void* reserved) {
  (void)instance, (void)reason, (void)reserved;
  return 1;
}

EXPORT int32_t Answer(void) { return 42; }

EXPORT int32_t Crash(void) {
  volatile int32_t* nowhere = (volatile int32_t*)16;
  return *nowhere;
}

/* Unmasks invalid operation, as a careless host would, then divides zero by zero. */
EXPORT int32_t Trap(void) {
  uint32_t mxcsr = 0x1F00;
  volatile double zero = 0.0;
  __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr));
  return (int32_t)(zero / zero > 0.0);
}

EXPORT int32_t Hang(void) {
  for (volatile int spin = 1; spin;) {
  }
  return 0;
}
