// Binds the entry points of Vek_Random.usr to RandomModule.
#include <new>

#include "modules/random/random_module.hpp"

namespace vek::plugin {

const ModuleDecl& kDecl = kRandomDecl;

ModuleInstance* NewInstance() noexcept { return new (std::nothrow) RandomModule(); }

void StoreEventHandle(ModuleInstance& instance, int32_t index, EventHandle handle) noexcept {
  static_cast<RandomModule&>(instance).handles[index] = handle;
}

void InitModuleState(ModuleInstance& instance) noexcept { InitRandomModule(static_cast<RandomModule&>(instance)); }

void HandleMessage(ModuleInstance& instance, const CallbackMessage& message) noexcept {
  HandleRandomMessage(static_cast<RandomModule&>(instance), message);
}

void ProcessCycle(ModuleInstance& instance) noexcept { ProcessRandomModule(static_cast<RandomModule&>(instance)); }

}  // namespace vek::plugin
