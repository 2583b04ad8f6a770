// Binds the entry points of Vek_Random_Array.usr to RandomArrayModule. Its Process is the shared
// do-nothing entry point: all work happens in CallBack.
#include "modules/random_array/random_array_module.hpp"

namespace vek::plugin {

const ModuleDecl& kDecl = kRandomArrayDecl;

// The C runtime's malloc aligns to 8 bytes on every target.
static_assert(alignof(RandomArrayModule) <= 8);

ModuleInstance* NewInstance() noexcept { return new (kInstanceAllocation) RandomArrayModule(); }

void StoreEventHandle(ModuleInstance& instance, int32_t index, EventHandle handle) noexcept {
  static_cast<RandomArrayModule&>(instance).handle(index) = handle;
}

void InitModuleState(ModuleInstance& instance) noexcept {
  InitRandomArrayModule(static_cast<RandomArrayModule&>(instance));
}

void HandleMessage(ModuleInstance& instance, const CallbackMessage& message) noexcept {
  HandleRandomArrayMessage(static_cast<RandomArrayModule&>(instance), message);
}

}  // namespace vek::plugin
