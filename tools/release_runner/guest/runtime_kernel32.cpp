// The KERNEL32 functions a module's C runtime start-up imports (stdcall). The guest is one
// thread in a flat address space the x86_64 side mapped whole, so locks, libraries and page
// protection have nothing to do.
#include <cstdint>

#define WINAPI __attribute__((stdcall))

namespace {
uint32_t g_lastError;
}

extern "C" {

WINAPI void InitializeCriticalSection(void*) {}
WINAPI void DeleteCriticalSection(void*) {}
WINAPI void EnterCriticalSection(void*) {}
WINAPI void LeaveCriticalSection(void*) {}
WINAPI uint32_t GetLastError() { return g_lastError; }
WINAPI void SetLastError(uint32_t e) { g_lastError = e; }
WINAPI void Sleep(uint32_t) {}
// No other library is loaded: the start-up's optional look-ups find nothing and go without.
WINAPI void* GetModuleHandleA(const char*) { return nullptr; }
WINAPI void* LoadLibraryA(const char*) { return nullptr; }
WINAPI int FreeLibrary(void*) { return 1; }
WINAPI void* GetProcAddress(void*, const char*) { return nullptr; }
WINAPI void* TlsGetValue(uint32_t) { return nullptr; }

// Every page of the image is readable, writable and executable already.
constexpr uint32_t kPageExecuteReadWrite = 0x40;
struct MemoryBasicInformation {
  uint32_t baseAddress, allocationBase, allocationProtect, regionSize, state, protect, type;
};
WINAPI uint32_t VirtualQuery(const void* address, MemoryBasicInformation* info, uint32_t length) {
  if (length < sizeof(MemoryBasicInformation)) return 0;
  const uint32_t page = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address)) & ~0xFFFu;
  *info = {page, page, kPageExecuteReadWrite, 0x1000, 0x1000 /* MEM_COMMIT */, kPageExecuteReadWrite, 0x1000000};
  return sizeof(MemoryBasicInformation);
}
WINAPI int VirtualProtect(void*, uint32_t, uint32_t, uint32_t* old) {
  if (old != nullptr) *old = kPageExecuteReadWrite;
  return 1;
}

}  // extern "C"
