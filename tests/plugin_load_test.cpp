// Loading a module library has no side effects: a thousand loads and unloads through the host
// stand-in's loader start no thread, keep no memory, leave no mapping behind and change no signal
// or exception handler, nor the floating-point control state. A library that the loader cannot
// really unload (the C++ runtime's unique symbols pin it on Linux) fails too.
//
// Its own program: the plug-in tests keep the libraries loaded, which would hide the loads here.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/usrhost/standin/plugin_library.hpp"

#if defined(_WIN32)
#include <windows.h>
#include <tlhelp32.h>
#else
#include <dirent.h>
#include <dlfcn.h>
#include <malloc.h>
#include <signal.h>
#endif

namespace vektest {
namespace {

#if !defined(VEK_LOAD_CYCLES)
#define VEK_LOAD_CYCLES 1000
#endif
constexpr int kCycles = VEK_LOAD_CYCLES;
// The system loader's own bookkeeping grows over the first few cycles (glibc's settles after about
// seven, whatever the library), then stays put.
constexpr int kWarmUpCycles = 20;

#if defined(_WIN32)

int ThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry;
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// Bytes in use in every heap of the process: the loader's, the C runtime's and any other.
int64_t HeapInUse() {
  HANDLE heaps[64];
  const DWORD count = GetProcessHeaps(64, heaps);
  int64_t busy = 0;
  for (DWORD h = 0; h < count && h < 64; ++h) {
    PROCESS_HEAP_ENTRY entry;
    entry.lpData = nullptr;
    while (HeapWalk(heaps[h], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
    }
  }
  return busy;
}

bool IsLoaded(const std::string& path) {
  return GetModuleHandleA(path.substr(path.find_last_of("/\\") + 1).c_str()) != nullptr;
}

// The process's way of dealing with crashes: the unhandled-exception filter.
uintptr_t HandlerState() {
  LPTOP_LEVEL_EXCEPTION_FILTER filter = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(filter);
  return reinterpret_cast<uintptr_t>(filter);
}

#else

int ThreadCount() {
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* e = readdir(dir)) {
    if (e->d_name[0] != '.') ++count;
  }
  closedir(dir);
  return count;
}

int64_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<int64_t>(info.uordblks + info.hblkhd);
}

bool IsLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

// Every signal's disposition, folded into one number.
uintptr_t HandlerState() {
  uintptr_t state = 0;
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction action;
    if (sigaction(sig, nullptr, &action) != 0) continue;
    state = state * 31 + reinterpret_cast<uintptr_t>(action.sa_handler) + static_cast<uintptr_t>(action.sa_flags);
  }
  return state;
}

// The process's mappings, read into storage reserved beforehand so that reading them maps nothing.
void ReadMaps(std::vector<char>& text) {
  text.assign(text.capacity(), '\0');
  FILE* f = std::fopen("/proc/self/maps", "r");
  size_t n = 0;
  if (f != nullptr) {
    n = std::fread(text.data(), 1, text.size() - 1, f);
    std::fclose(f);
  }
  text.resize(n);
}

#endif

uint32_t FloatControl() {
  uint16_t x87 = 0;
  __asm__ volatile("fnstcw %0" : "=m"(x87));
  return _mm_getcsr() << 16 ^ x87;
}

struct Environment {
  int threads;
  uintptr_t handlers;
  uint32_t floatControl;
  bool operator==(const Environment& o) const {
    return threads == o.threads && handlers == o.handlers && floatControl == o.floatControl;
  }
};
Environment Now() { return {ThreadCount(), HandlerState(), FloatControl()}; }

void LoadAndUnloadManyTimes(const char* file) {
  const std::string path = std::string(VEK_MODULE_DIR) + file;
  ASSERT_FALSE(IsLoaded(path)) << "loaded before the test";
  usrhost::PluginLibrary library;
#if !defined(_WIN32)
  std::vector<char> mapsBefore, mapsAfter;
  mapsBefore.reserve(1 << 20);
  mapsAfter.reserve(1 << 20);
#endif

  int64_t heapBefore = 0;
  Environment before{};
  for (int cycle = -kWarmUpCycles; cycle < kCycles; ++cycle) {
    if (cycle == 0) {
      before = Now();
      ASSERT_GT(before.threads, 0);
#if !defined(_WIN32)
      ReadMaps(mapsBefore);
#endif
      heapBefore = HeapInUse();
    }
    ASSERT_TRUE(library.Load(path)) << library.error();
    ASSERT_TRUE(library.complete()) << library.error();
    ASSERT_EQ(library.GetSDKVersion(), 5);
    if (cycle >= 0) {
      ASSERT_TRUE(Now() == before) << "while loaded, cycle " << cycle;
    }
    library.Unload();
    ASSERT_FALSE(IsLoaded(path)) << "still loaded after unloading, cycle " << cycle;
  }

  const int64_t heapAfter = HeapInUse();
  const Environment after = Now();
  EXPECT_EQ(after.threads, before.threads);
  EXPECT_EQ(after.handlers, before.handlers);
  EXPECT_EQ(after.floatControl, before.floatControl);
  std::printf("%s: %d loads and unloads; threads %d -> %d", file, kCycles, before.threads, after.threads);
#if defined(VEK_SANITIZE)
  // The sanitizer's allocator keeps freed memory in quarantine and maps as it likes; its leak
  // checker looks at the heap when the program ends.
  (void)heapBefore;
  (void)heapAfter;
#else
  // Any leak per load is at least one heap block; the bound leaves room for nothing else.
  EXPECT_LT(heapAfter - heapBefore, kCycles) << "heap in use grew from " << heapBefore << " to " << heapAfter;
  std::printf("; heap in use %lld -> %lld bytes", static_cast<long long>(heapBefore),
              static_cast<long long>(heapAfter));
#if !defined(_WIN32)
  ReadMaps(mapsAfter);
  EXPECT_EQ(std::string(mapsAfter.begin(), mapsAfter.end()), std::string(mapsBefore.begin(), mapsBefore.end()));
  std::printf("; %zu bytes of /proc/self/maps, %s", mapsBefore.size(), mapsBefore == mapsAfter ? "the same" : "different");
#endif
#endif
  std::printf("\n");
}

TEST(Loading, RandomArrayHasNoSideEffects) { LoadAndUnloadManyTimes(VEK_RANDOM_ARRAY_USR); }

TEST(Loading, RandomHasNoSideEffects) { LoadAndUnloadManyTimes(VEK_RANDOM_USR); }

}  // namespace
}  // namespace vektest
