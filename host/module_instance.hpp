#pragma once
// What every module object shares, and the hooks each plug-in library supplies to the entry points.
#include <cstddef>
#include <cstdint>

#include "host/abi.hpp"
#include "host/declarations.hpp"

namespace vek {

// The placement argument of the one allocation an instance's life makes: `new (kInstanceAllocation) T()`
// yields null, without running the constructor, when memory cannot be had.
struct InstanceAllocation {};
inline constexpr InstanceAllocation kInstanceAllocation{};

// One module instance: allocated whole by Create, freed whole by Destroy through the one virtual
// operation. The services are bound by InitModule and never owned.
struct ModuleInstance {
  static void* operator new(std::size_t size, InstanceAllocation) noexcept;
  static void operator delete(void* p) noexcept;
  static void operator delete(void* p, InstanceAllocation) noexcept;

  virtual ~ModuleInstance() = default;
  const HostServices* services = nullptr;
  uint32_t hostValue = 0;
};

// Each plug-in library defines these once, for its own module type.
namespace plugin {
extern const ModuleDecl& kDecl;
ModuleInstance* NewInstance() noexcept;  // nullptr when memory cannot be had
void StoreEventHandle(ModuleInstance& instance, int32_t index, EventHandle handle) noexcept;
void InitModuleState(ModuleInstance& instance) noexcept;  // services are bound
void HandleMessage(ModuleInstance& instance, const CallbackMessage& message) noexcept;
void ProcessCycle(ModuleInstance& instance) noexcept;
}  // namespace plugin

}  // namespace vek
