// Instances live on the C runtime's heap. The plug-in libraries carry no C++ runtime, so the global
// operator new and delete are not there to call; malloc and free are what the C runtime offers.
#include <cstdlib>

#include "host/module_instance.hpp"

namespace vek {

void* ModuleInstance::operator new(std::size_t size, InstanceAllocation) noexcept { return std::malloc(size); }

void ModuleInstance::operator delete(void* p) noexcept { std::free(p); }

void ModuleInstance::operator delete(void* p, InstanceAllocation) noexcept { std::free(p); }

}  // namespace vek
