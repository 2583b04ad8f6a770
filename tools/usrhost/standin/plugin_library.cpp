#include "tools/usrhost/standin/plugin_library.hpp"

#include "tools/usrhost/standin/text_io.hpp"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace usrhost {

#define USRHOST_ENTRY_NAME(name) #name,
const char* const kEntryPointNames[kEntryPointCount] = {
    USR_ENTRY_POINT_LIST(USRHOST_ENTRY_NAME, USRHOST_ENTRY_NAME)};
#undef USRHOST_ENTRY_NAME

namespace {
#define USRHOST_WORKS(name) false,
#define USRHOST_IDLE(name) true,
constexpr bool kDoesNothing[kEntryPointCount] = {USR_ENTRY_POINT_LIST(USRHOST_WORKS, USRHOST_IDLE)};
#undef USRHOST_WORKS
#undef USRHOST_IDLE
}  // namespace

bool IsDoNothingEntryPoint(EntryPoint e) { return e >= 0 && e < kEntryPointCount && kDoesNothing[e]; }

namespace {

// A file name without a folder means the file in the current folder, as everywhere else on the
// command line; the loaders would search their library paths for it instead.
std::string AsFilePath(const std::string& path) {
  if (path.empty()) return path;
#if defined(_WIN32)
  if (path.find_first_of("/\\:") == std::string::npos) return ".\\" + path;
#else
  if (path.find('/') == std::string::npos) return "./" + path;
#endif
  return path;
}

#if defined(_WIN32)
std::string WindowsErrorText(DWORD code, const std::string& path) {
  switch (code) {  // the usual causes, in the words a user looks for
    case ERROR_MOD_NOT_FOUND: return "the file, or a library it needs, was not found (error 126)";
    case ERROR_BAD_EXE_FORMAT: return "not a 32-bit Windows library: " + SystemErrorText(code, path);
    case ERROR_ACCESS_DENIED: return "access denied (a folder?) (error 5)";
    default: return SystemErrorText(code, path);
  }
}
#endif

}  // namespace

bool PluginLibrary::Load(const std::string& path) {
  Unload();
  path_ = path;
#if defined(_WIN32)
  // No error dialog of the system's for a file that is not a library.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryW(PathOf(AsFilePath(path)).c_str());
  const DWORD code = GetLastError();
  SetErrorMode(oldMode);
  if (module == nullptr) {
    error_ = WindowsErrorText(code, path);
    return false;
  }
  handle_ = reinterpret_cast<void*>(module);
  for (int e = 0; e < kEntryPointCount; ++e) {
    addresses_[e] = reinterpret_cast<void*>(GetProcAddress(module, kEntryPointNames[e]));
  }
#else
  handle_ = dlopen(AsFilePath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    error_ = why != nullptr ? why : "dlopen failed";
    return false;
  }
  for (int e = 0; e < kEntryPointCount; ++e) addresses_[e] = dlsym(handle_, kEntryPointNames[e]);
#endif
  error_.clear();
  if (!complete()) {
    error_ = "missing entry points:";
    for (int e = 0; e < kEntryPointCount; ++e) {
      if (addresses_[e] == nullptr) error_ += std::string(" ") + kEntryPointNames[e];
    }
  }
  return true;
}

void PluginLibrary::Unload() {
  if (handle_ == nullptr) return;
#if defined(_WIN32)
  FreeLibrary(reinterpret_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
  handle_ = nullptr;
  addresses_.fill(nullptr);
}

bool PluginLibrary::complete() const {
  for (void* a : addresses_) {
    if (a == nullptr) return false;
  }
  return true;
}

}  // namespace usrhost
