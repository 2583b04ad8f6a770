#include "tools/usrhost/alloc_counter.hpp"

#if defined(__linux__) && !defined(VEK_SANITIZE)
#define VEK_COUNT_ALLOCATIONS 1
#endif

namespace usrhost {
namespace {
bool g_counting = false;
size_t g_allocations = 0;
}  // namespace

#if VEK_COUNT_ALLOCATIONS
bool AllocationCountingAvailable() { return true; }
#else
bool AllocationCountingAvailable() { return false; }
#endif

void StartCountingAllocations() {
  g_allocations = 0;
  g_counting = true;
}

size_t StopCountingAllocations() {
  g_counting = false;
  return g_allocations;
}

}  // namespace usrhost

#if VEK_COUNT_ALLOCATIONS
// The executable's malloc takes precedence over the C library's for every library in the process,
// the module's included. Each forwards to the C library's allocator, so the heap stays one.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);

void* malloc(size_t n) {
  if (usrhost::g_counting) ++usrhost::g_allocations;
  return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
  if (usrhost::g_counting) ++usrhost::g_allocations;
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
  if (usrhost::g_counting) ++usrhost::g_allocations;
  return __libc_realloc(p, n);
}
}
#endif
