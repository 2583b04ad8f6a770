// One module's entry points, linked in, driven by arbitrary parameter values and message
// sequences through a minimal host. Misuse of the host's services, a write past an array's end,
// or a non-finite output computed from finite inputs stops the run.
#include <cmath>
#include <vector>

#include "fuzz/fuzz_input.hpp"
#include "host/abi.hpp"
#include "host/fp_registers.hpp"

namespace {

constexpr EventHandle kHandleBase = 0x1000;
constexpr int32_t kMaxParams = 32;

struct Param {
  ParamInfo info{};
  float value = 0.0f;
  std::vector<float> array;
  bool wrote = false;  // an output written since the last check
};

struct MiniHost {
  int32_t count = 0;
  Param params[kMaxParams];
};
MiniHost* g_host = nullptr;

Param& Resolve(EventHandle h) {
  const uint32_t index = h - kHandleBase;
  if (g_host == nullptr || index >= static_cast<uint32_t>(g_host->count)) __builtin_trap();
  return g_host->params[index];
}

void SetArrayLength(EventHandle h, int32_t length) {
  Param& p = Resolve(h);
  if (p.info.kind != kParamArray || p.info.isOutput != 1 || length < 0 || length > 1 << 16) __builtin_trap();
  p.array.assign(static_cast<size_t>(length), 0.0f);
}
void SetValue(EventHandle h, float v) {
  Param& p = Resolve(h);
  if (p.info.isOutput != 1 || p.info.kind == kParamArray) __builtin_trap();
  p.value = v;
  p.wrote = true;
}
float GetValue(EventHandle h) {
  Param& p = Resolve(h);
  if (p.info.isOutput == 1) __builtin_trap();
  return p.value;
}
void SetArrayElement(EventHandle h, int32_t index, float v) {
  Param& p = Resolve(h);
  if (p.info.kind != kParamArray || index < 0 || static_cast<size_t>(index) >= p.array.size()) __builtin_trap();
  p.array[static_cast<size_t>(index)] = v;
  p.wrote = true;
}
void Unused() { __builtin_trap(); }

// The calling convention returns from these entry points with the x87 register stack empty; a
// value left on it would overflow the host's stack a few calls later.
void CheckX87StackEmpty() {
#if defined(__i386__) || defined(__x86_64__)
  vek::X87Environment env;
  asm volatile("fnstenv %0" : "=m"(env) : : "memory");
  asm volatile("fldenv %0" : : "m"(env) : "memory");  // fnstenv masked every exception
  if (env.tag != vek::kX87TagsAllEmpty) __builtin_trap();
#endif
}

HostServices MakeServices() {
  HostServices s;
  void** entries = reinterpret_cast<void**>(&s);
  for (int i = 0; i < kHostServicesEntries; ++i) entries[i] = reinterpret_cast<void*>(&Unused);
  s.SetArrayLength = &SetArrayLength;
  s.SetValue = &SetValue;
  s.GetValue = &GetValue;
  s.SetArrayElement = &SetArrayElement;
  return s;
}

bool InputsFinite(const MiniHost& host) {
  for (int32_t i = 0; i < host.count; ++i) {
    if (host.params[i].info.isOutput != 1 && !std::isfinite(host.params[i].value)) return false;
  }
  return true;
}

void CheckOutputs(MiniHost& host, bool inputsFinite) {
  for (int32_t i = 0; i < host.count; ++i) {
    Param& p = host.params[i];
    if (!p.wrote) continue;
    p.wrote = false;
    if (!inputsFinite) continue;
    if (!std::isfinite(p.value)) __builtin_trap();
    for (float v : p.array) {
      if (!std::isfinite(v)) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const HostServices services = MakeServices();
  vekfuzz::Input in(data, size);
  MiniHost host;
  g_host = &host;
  ModuleInfo info{};
  GetModuleInfo(nullptr, nullptr, &info);
  host.count = info.paramCount;
  if (host.count < 1 || host.count > kMaxParams) __builtin_trap();
  for (int32_t i = 0; i < host.count; ++i) {
    ParamInfo& pi = host.params[i].info;
    pi = ParamInfo{};
    GetParamInfo(nullptr, i, &pi);
    host.params[i].value = pi.isOutput == 1 ? 0.0f : pi.defaultValue;
  }
  void* instance = nullptr;
  Create(&instance);
  if (instance == nullptr) __builtin_trap();
  for (int32_t i = 0; i < host.count; ++i) SetEventAddress(instance, i, kHandleBase + static_cast<EventHandle>(i));
  InitModule(instance, &services, 1);
  CheckX87StackEmpty();

  for (int step = 0; step < 64 && !in.empty(); ++step) {
    const uint8_t op = in.Take<uint8_t>();
    const int32_t param = static_cast<int32_t>(in.Take<uint8_t>() % (host.count + 2)) - 1;  // -1 .. count
    const int32_t detail = in.Take<uint8_t>() < 224 ? 0 : in.Take<int32_t>();
    const bool real = param >= 0 && param < host.count && host.params[param].info.isOutput != 1;
    switch (op % 6) {
      case 0:
      case 1:  // the host changes a value, then tells the module
        if (real) host.params[param].value = in.TakeFloat();
        [[fallthrough]];
      case 2: {
        const CallbackMessage message{0, param, detail};
        CallBack(instance, &message);
        break;
      }
      case 3:  // a value changed without a message
        if (real) host.params[param].value = in.TakeFloat();
        break;
      case 4:
        Process(instance);
        break;
      case 5:
        InitModule(instance, (op & 8) ? &services : nullptr, (op & 16) ? 7 : 0);
        break;
    }
    CheckX87StackEmpty();
    CheckOutputs(host, InputsFinite(host));
  }
  Destroy(instance);
  g_host = nullptr;
  return 0;
}
