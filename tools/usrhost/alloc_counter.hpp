#pragma once
// Counts calls to the allocator while a module's Process runs (Linux, without sanitizers: the
// stand-in replaces malloc and forwards to the C library's own).
#include <cstddef>

namespace usrhost {

bool AllocationCountingAvailable();
void StartCountingAllocations();
// How many allocations happened since the start.
size_t StopCountingAllocations();

}  // namespace usrhost
