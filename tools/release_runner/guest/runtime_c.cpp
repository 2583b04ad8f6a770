// The msvcrt functions a module imports, freestanding: memory and strings, a heap in the guest's
// arena, the start-up's bookkeeping, and stops that the x86_64 side reports.
#include <cstddef>
#include <cstdint>

#include "tools/release_runner/guest/guest_abi.hpp"
#include "tools/release_runner/guest/runtime.hpp"

namespace {

constexpr size_t kHeapBytes = 64u << 20;
alignas(16) uint8_t g_heap[kHeapBytes];
size_t g_heapNext = 0;

// Blocks carry their size in front. Freed blocks wait in lists by size: instances are created and
// destroyed over and over with the same sizes, so reuse needs nothing cleverer.
struct Block {
  uint32_t size;
  Block* next;
  uint32_t pad[2];
};
constexpr int kSizeLists = 64;
Block* g_free[kSizeLists];
uint32_t g_freeSize[kSizeLists];

int g_errno;

}  // namespace

namespace runner {

[[noreturn]] void StopGuest(Stop why) {
  Guest().stop = why;
  for (;;) asm volatile("ud2");
}

}  // namespace runner

extern "C" {

void* memset(void* d, int c, size_t n) {
  auto* p = static_cast<uint8_t*>(d);
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(c);
  return d;
}
void* memcpy(void* d, const void* s, size_t n) {
  auto* p = static_cast<uint8_t*>(d);
  const auto* q = static_cast<const uint8_t*>(s);
  for (size_t i = 0; i < n; ++i) p[i] = q[i];
  return d;
}
void* memmove(void* d, const void* s, size_t n) {
  auto* p = static_cast<uint8_t*>(d);
  const auto* q = static_cast<const uint8_t*>(s);
  if (p < q) {
    for (size_t i = 0; i < n; ++i) p[i] = q[i];
  } else {
    for (size_t i = n; i > 0; --i) p[i - 1] = q[i - 1];
  }
  return d;
}
int memcmp(const void* a, const void* b, size_t n) {
  const auto* p = static_cast<const uint8_t*>(a);
  const auto* q = static_cast<const uint8_t*>(b);
  for (size_t i = 0; i < n; ++i) {
    if (p[i] != q[i]) return p[i] < q[i] ? -1 : 1;
  }
  return 0;
}
size_t strlen(const char* s) {
  size_t n = 0;
  while (s[n] != '\0') ++n;
  return n;
}
int strncmp(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

void* malloc(size_t n) {
  const uint32_t size = static_cast<uint32_t>((n + 15) & ~size_t{15});
  for (int i = 0; i < kSizeLists; ++i) {
    if (g_freeSize[i] == size && g_free[i] != nullptr) {
      Block* b = g_free[i];
      g_free[i] = b->next;
      return b + 1;
    }
  }
  if (n > kHeapBytes || size + sizeof(Block) > kHeapBytes - g_heapNext) return nullptr;
  Block* b = reinterpret_cast<Block*>(g_heap + g_heapNext);
  g_heapNext += size + sizeof(Block);
  runner::Guest().heapUsed = static_cast<uint32_t>(g_heapNext);
  b->size = size;
  return b + 1;
}
void free(void* p) {
  if (p == nullptr) return;
  Block* b = static_cast<Block*>(p) - 1;
  for (int i = 0; i < kSizeLists; ++i) {
    if (g_freeSize[i] == b->size || g_freeSize[i] == 0) {
      g_freeSize[i] = b->size;
      b->next = g_free[i];
      g_free[i] = b;
      return;
    }
  }
  // More distinct sizes than lists: the block stays unused.
}
void* calloc(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  void* p = malloc(count * size);
  if (p != nullptr) memset(p, 0, count * size);
  return p;
}
void* realloc(void* p, size_t n) {
  if (p == nullptr) return malloc(n);
  const uint32_t old = (static_cast<Block*>(p) - 1)->size;
  if (n <= old) return p;
  void* q = malloc(n);
  if (q == nullptr) return nullptr;
  memcpy(q, p, old);
  free(p);
  return q;
}

int* _errno() { return &g_errno; }
void abort() { runner::StopGuest(runner::kStopAbort); }
void _amsg_exit(int) { runner::StopGuest(runner::kStopAmsgExit); }
void _lock(int) {}
void _unlock(int) {}

typedef void (*Termination)();
void _initterm(Termination* begin, Termination* end) {
  for (; begin < end; ++begin) {
    if (*begin != nullptr) (*begin)();
  }
}

// The library's atexit list: the start-up hands us the table and keeps it.
Termination __dllonexit(Termination f, Termination** begin, Termination** end) {
  const size_t n = static_cast<size_t>(*end - *begin);
  auto* grown = static_cast<Termination*>(realloc(*begin, (n + 1) * sizeof(Termination)));
  if (grown == nullptr) return nullptr;
  grown[n] = f;
  *begin = grown;
  *end = grown + n + 1;
  return f;
}
Termination _onexit(Termination f) { return f; }

// Error reports of the start-up go nowhere: the guest has no files.
uint8_t _iob[3 * 32];
size_t fwrite(const void*, size_t, size_t count, void*) { return count; }
int vfprintf(void*, const char*, void*) { return 0; }

}  // extern "C"
