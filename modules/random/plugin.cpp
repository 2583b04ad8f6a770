// Binds the entry points of Vek_Random.usr to RandomModule.
#include "modules/random/random_module.hpp"

namespace vek::plugin {

const ModuleDecl& kDecl = kRandomDecl;

// The C runtime's malloc aligns to 8 bytes on every target.
static_assert(alignof(RandomModule) <= 8);

ModuleInstance* NewInstance() noexcept { return new (kInstanceAllocation) RandomModule(); }

void StoreEventHandle(ModuleInstance& instance, int32_t index, EventHandle handle) noexcept {
  static_cast<RandomModule&>(instance).handles[index] = handle;
}

void InitModuleState(ModuleInstance& instance) noexcept { InitRandomModule(static_cast<RandomModule&>(instance)); }

void HandleMessage(ModuleInstance& instance, const CallbackMessage& message) noexcept {
  HandleRandomMessage(static_cast<RandomModule&>(instance), message);
}

void ProcessCycle(ModuleInstance& instance) noexcept { ProcessRandomModule(static_cast<RandomModule&>(instance)); }

}  // namespace vek::plugin
