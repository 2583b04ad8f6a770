#include "tools/usrhost/standin/alloc_counter.hpp"

#if defined(__linux__) && !defined(VEK_SANITIZE)
#define VEK_COUNT_ALLOCATIONS 1
#include <cerrno>
#include <cstdlib>
#include <new>
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

void CountAllocation() {
  if (g_counting) ++g_allocations;
}

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
// The executable's allocator functions take precedence over the C library's for every library in
// the process, the module's included. Each counts once and forwards to the C library's own, so the
// heap stays one; none calls another of these, so nothing counts twice.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);

void* malloc(size_t n) {
  usrhost::CountAllocation();
  return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
  usrhost::CountAllocation();
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
  usrhost::CountAllocation();
  return __libc_realloc(p, n);
}
void* memalign(size_t alignment, size_t n) {
  usrhost::CountAllocation();
  return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n) {
  usrhost::CountAllocation();
  return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n) {
  usrhost::CountAllocation();
  // What the C library checks: a power of two and a multiple of the pointer size.
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* p = __libc_memalign(alignment, n);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}
}

// The aligned forms of operator new may reach the C library by a route the functions above do not
// see (a C++ runtime linked into the module); the plain forms go through malloc.
void* operator new(size_t n, std::align_val_t alignment) {
  usrhost::CountAllocation();
  void* p = __libc_memalign(static_cast<size_t>(alignment), n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t n, std::align_val_t alignment) { return operator new(n, alignment); }
void* operator new(size_t n, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  usrhost::CountAllocation();
  return __libc_memalign(static_cast<size_t>(alignment), n == 0 ? 1 : n);
}
void* operator new[](size_t n, std::align_val_t alignment, const std::nothrow_t& tag) noexcept {
  return operator new(n, alignment, tag);
}
void operator delete(void* p, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { free(p); }
#endif
