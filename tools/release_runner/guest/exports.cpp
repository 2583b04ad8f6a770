// What a module may import from the guest, by DLL and name; the x86_64 loader resolves against
// this table and names any import missing from it.
#include "tools/release_runner/guest/guest_abi.hpp"

// Each import by its symbol, whatever its type: the table only needs addresses.
#define GUEST_SYMBOL(f) extern "C" char guest_symbol_##f[] __asm__(#f);
#define GUEST_IMPORTS(KERNEL32, MSVCRT)                                                                          \
  KERNEL32(InitializeCriticalSection) KERNEL32(DeleteCriticalSection) KERNEL32(EnterCriticalSection)               \
  KERNEL32(LeaveCriticalSection) KERNEL32(GetLastError) KERNEL32(SetLastError) KERNEL32(Sleep)                     \
  KERNEL32(GetModuleHandleA) KERNEL32(LoadLibraryA) KERNEL32(FreeLibrary) KERNEL32(GetProcAddress)                 \
  KERNEL32(TlsGetValue) KERNEL32(VirtualQuery) KERNEL32(VirtualProtect)                                            \
  MSVCRT(memset) MSVCRT(memcpy) MSVCRT(memmove) MSVCRT(memcmp) MSVCRT(strlen) MSVCRT(strncmp) MSVCRT(malloc)       \
  MSVCRT(free) MSVCRT(calloc) MSVCRT(realloc) MSVCRT(_errno) MSVCRT(abort) MSVCRT(_amsg_exit) MSVCRT(_lock)         \
  MSVCRT(_unlock) MSVCRT(_initterm) MSVCRT(__dllonexit) MSVCRT(_onexit) MSVCRT(fwrite) MSVCRT(vfprintf)            \
  MSVCRT(_iob) MSVCRT(floor) MSVCRT(ceil) MSVCRT(sqrt) MSVCRT(fmod)
GUEST_IMPORTS(GUEST_SYMBOL, GUEST_SYMBOL)
#undef GUEST_SYMBOL

namespace runner {

#define KERNEL32(f) GuestExport{reinterpret_cast<uint32_t>("KERNEL32.dll"), reinterpret_cast<uint32_t>(#f), reinterpret_cast<uint32_t>(guest_symbol_##f)},
#define MSVCRT(f) GuestExport{reinterpret_cast<uint32_t>("msvcrt.dll"), reinterpret_cast<uint32_t>(#f), reinterpret_cast<uint32_t>(guest_symbol_##f)},
extern const GuestExport kGuestExports[] = {GUEST_IMPORTS(KERNEL32, MSVCRT)};
#undef KERNEL32
#undef MSVCRT
extern const uint32_t kGuestExportCount = sizeof kGuestExports / sizeof kGuestExports[0];

}  // namespace runner
