#pragma once
// Counts calls to the allocator while a module's Process runs (Linux, without sanitizers: the
// stand-in replaces malloc, its relatives and the aligned operator new, and forwards to the C
// library's own).
#include <cstddef>

namespace usrhost {

bool AllocationCountingAvailable();
void StartCountingAllocations();
// How many allocations happened since the start.
size_t StopCountingAllocations();
// Called by each replaced allocator function.
void CountAllocation();

}  // namespace usrhost
