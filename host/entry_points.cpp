// The exported entry points of a module library. Plain C, nothing thrown, nothing allocated
// outside Create; every pointer the host passes is checked before use. The three that compute run
// in the plug-in's own floating-point environment and leave the host's as they found it.
#include "host/abi.hpp"
#include "host/declarations.hpp"
#include "host/entry_point_list.hpp"
#include "host/fp_environment.hpp"
#include "host/module_instance.hpp"

#if defined(_WIN32)
// Windows exports come from the library's .def file, which also names the aliases.
#define USR_EXPORT
#else
#define USR_EXPORT __attribute__((visibility("default")))
#endif

using namespace vek;

namespace {
ModuleInstance* AsInstance(void* instance) { return static_cast<ModuleInstance*>(instance); }
}  // namespace

extern "C" {

USR_EXPORT int32_t GetSDKVersion(void) { return kSdkVersion; }
USR_EXPORT int32_t GetImplementation(void) { return kImplementation; }
USR_EXPORT int32_t GetChunkLen(void) { return 0; }

USR_EXPORT void GetModuleInfo(void*, void*, ModuleInfo* info) {
  if (info != nullptr) FillModuleInfo(plugin::kDecl, *info);
}

USR_EXPORT void GetParamInfo(void*, int32_t index, ParamInfo* info) {
  if (info != nullptr) FillParamInfo(plugin::kDecl, index, *info);
}

USR_EXPORT void* Create(void** instance) {
  ModuleInstance* created = plugin::NewInstance();
  if (instance != nullptr) *instance = created;
  return created;
}

USR_EXPORT void Destroy(void* instance) { delete AsInstance(instance); }

USR_EXPORT void SetEventAddress(void* instance, int32_t index, EventHandle handle) {
  if (instance == nullptr) return;
  if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(plugin::kDecl.paramCount)) return;
  plugin::StoreEventHandle(*AsInstance(instance), index, handle);
}

USR_EXPORT void InitModule(void* instance, const HostServices* services, uint32_t hostValue) {
  ModuleInstance* m = AsInstance(instance);
  if (m == nullptr) return;
  const FpEnvironmentGuard fpEnvironment;
  if (services != nullptr) m->services = services;
  if (hostValue != 0) m->hostValue = hostValue;
  // Without services the module could not read a single parameter.
  if (m->services != nullptr) plugin::InitModuleState(*m);
}

USR_EXPORT void CallBack(void* instance, const CallbackMessage* message) {
  ModuleInstance* m = AsInstance(instance);
  if (m == nullptr || message == nullptr || m->services == nullptr) return;
  const FpEnvironmentGuard fpEnvironment;
  plugin::HandleMessage(*m, *message);
}

// One empty function for every entry point that does nothing; exported under all their names.
void UsrDoNothing(void*) {}

#if !defined(USR_PROCESS_DOES_NOTHING)
USR_EXPORT void Process(void* instance) {
  ModuleInstance* m = AsInstance(instance);
  if (m == nullptr || m->services == nullptr) return;
  const FpEnvironmentGuard fpEnvironment;
  plugin::ProcessCycle(*m);
}
#endif

#if !defined(_WIN32)
#define USR_NO_ALIAS(name)
#define USR_DO_NOTHING_ALIAS(name) USR_EXPORT void name(void*) __attribute__((alias("UsrDoNothing")));
USR_ENTRY_POINT_LIST(USR_NO_ALIAS, USR_DO_NOTHING_ALIAS)
#if defined(USR_PROCESS_DOES_NOTHING)
USR_DO_NOTHING_ALIAS(Process)
#endif
#endif

}  // extern "C"
