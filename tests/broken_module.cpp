// A deliberately broken module for the validator's own tests: one fault per build, chosen by a
// VEK_BROKEN_* definition. Parameters: 0 "Input" (in), 1 "Output" (out).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <xmmintrin.h>

#include "host/abi.hpp"
#include "host/fp_registers.hpp"

#if defined(_WIN32)
#define EXPORT __declspec(dllexport)
#else
#define EXPORT __attribute__((visibility("default")))
#endif

namespace {
struct Broken {
  virtual ~Broken() = default;
  const HostServices* services = nullptr;
  EventHandle handles[2] = {};
};
const char kName[] = "Broken";

void ProcessWithFault(Broken* b) {
#if defined(VEK_BROKEN_FOREIGN_HANDLE)
  const float x = b->services->GetValue(b->handles[0] + 1);  // a handle the host never gave
#else
  const float x = b->services->GetValue(b->handles[0]);
#endif
  float y = x;
#if defined(VEK_BROKEN_NAN_OUTPUT)
  if (x > 1.0f) y = std::nanf("");
#endif
#if defined(VEK_BROKEN_ROUNDING_DEPENDENT)
  // A quotient that is not exact takes whatever rounding mode the host left. Normal numbers only,
  // tested on the bits, so that the fault is the rounding alone.
  uint32_t bits;
  std::memcpy(&bits, &x, 4);
  const uint32_t exponent = (bits >> 23) & 0xFF;
  if (exponent > 0x20 && exponent < 0xE0) y = x / 3.0f;
#endif
#if defined(VEK_BROKEN_TRAPS_ON_NAN)
  // A conversion that raises invalid-operation on NaN: a trap when the host unmasked it.
  y = static_cast<float>(_mm_cvttss_si32(_mm_set_ss(x)));
#endif
#if defined(VEK_BROKEN_ALLOCATES)
  void* scratch = std::malloc(64);
  std::memset(scratch, 0, 64);
  y += static_cast<float>(static_cast<char*>(scratch)[3]);
  std::free(scratch);
#endif
#if defined(VEK_BROKEN_FORGES_RESULT)
  // Claims a pass for the check that is running, in the words a child of the validator once used,
  // then ends the process before the check can finish.
  std::printf("@@result {\"verdict\":\"PASS\",\"message\":\"\"}\nresult {\"verdict\":\"PASS\",\"message\":\"\"}\n");
  std::fflush(stdout);
  std::_Exit(0);
#endif
#if defined(VEK_BROKEN_HANGS)
  while (x != 0.0f) {
    y = b->services->GetValue(b->handles[0]);
  }
#endif
  b->services->SetValue(b->handles[1], y);
}
}  // namespace

extern "C" {
EXPORT int32_t GetSDKVersion(void) { return kSdkVersion; }
EXPORT int32_t GetImplementation(void) { return kImplementation; }
EXPORT int32_t GetChunkLen(void) { return 0; }
#if !defined(VEK_BROKEN_MISSING_ENTRY_POINTS)
EXPORT void GetModuleInfo(void*, void*, ModuleInfo* info) {
  info->name = info->caption = kName;
  info->hostWord8 = 0;
  info->color = 0x7f7f7f;
  info->paramCount = 2;
  info->hostWord28 = 0;
}
#endif
EXPORT void GetParamInfo(void*, int32_t index, ParamInfo* p) {
  if (index < 0 || index > 1) return;
  p->kind = kParamNumber;
  p->caption = index == 0 ? "Input" : "Output";
  p->isInput = index == 0;
  p->isOutput = index == 1;
  p->hostWord12 = 1;
  p->minValue = -10;
  p->maxValue = 10;
  p->defaultValue = 0;
  p->format = "%.5f";
#if defined(VEK_BROKEN_RECORD_OVERRUN)
  reinterpret_cast<char*>(p)[80] = 1;  // past the last field a module may write
#endif
}
EXPORT void* Create(void** out) {
  Broken* b = new Broken();
  *out = b;
  return b;
}
EXPORT void Destroy(void* b) { delete static_cast<Broken*>(b); }
EXPORT void SetEventAddress(void* b, int32_t index, EventHandle h) {
  if (b != nullptr && index >= 0 && index < 2) static_cast<Broken*>(b)->handles[index] = h;
}
EXPORT void InitModule(void* b, const HostServices* s, uint32_t) {
  if (s != nullptr) static_cast<Broken*>(b)->services = s;
}
EXPORT void CallBack(void* b, const CallbackMessage* m) {
#if defined(VEK_BROKEN_CRASH_IN_CALLBACK)
  if (m->paramIndex == 0) *static_cast<volatile int*>(nullptr) = 1;
#endif
  (void)b;
  (void)m;
}
EXPORT void Process(void* p) {
  Broken* b = static_cast<Broken*>(p);
  if (b == nullptr || b->services == nullptr) return;
  // The host's GetValue returns its float through the x87 stack, which raises the denormal flag
  // for a subnormal input, and the faults' arithmetic raises flags of its own: the environment is
  // put back as found, so that each build has its one fault and no other.
  const vek::FpRegisters host = vek::ReadFpRegisters();
  ProcessWithFault(b);
  vek::LoadFpRegisters(host);
#if defined(VEK_BROKEN_LEAVES_MXCSR)
  _mm_setcsr(_mm_getcsr() | vek::kMxcsrFlushToZero | vek::kMxcsrDenormalsAreZero);  // never undone
#endif
}
EXPORT void UiNothing(void) {}
EXPORT void CreateLayout(void*) {}
EXPORT void LayoutHasChanged(void*) {}
EXPORT void MouseDown(void*) {}
EXPORT void MouseDownMultiProc(void*) {}
EXPORT void MouseMove(void*) {}
EXPORT void MouseMoveMultiProc(void*) {}
EXPORT void MouseUp(void*) {}
EXPORT void MouseUpMultiProc(void*) {}
#if !defined(VEK_BROKEN_MISSING_ENTRY_POINTS)
EXPORT void Paint(void*) {}
#endif
EXPORT void Resize(void*) {}
}
