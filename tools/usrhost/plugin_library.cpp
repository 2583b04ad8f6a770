#include "tools/usrhost/plugin_library.hpp"

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
std::string WindowsErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n > 0 && text != nullptr ? std::string(text, n) : "";
  if (text != nullptr) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.')) out.pop_back();
  switch (code) {  // the usual causes, in the words a user looks for
    case ERROR_MOD_NOT_FOUND: out = "the file, or a library it needs, was not found"; break;
    case ERROR_BAD_EXE_FORMAT: out = "not a 32-bit Windows library (" + (out.empty() ? "bad format" : out) + ")"; break;
    case ERROR_ACCESS_DENIED: out = "access denied (a folder?)"; break;
    default: break;
  }
  return (out.empty() ? "Windows error" : out) + " (error " + std::to_string(code) + ")";
}
#endif

}  // namespace

bool PluginLibrary::Load(const std::string& path) {
  Unload();
  path_ = path;
#if defined(_WIN32)
  // No error dialog of the system's for a file that is not a library.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(AsFilePath(path).c_str());
  const DWORD code = GetLastError();
  SetErrorMode(oldMode);
  if (module == nullptr) {
    error_ = WindowsErrorText(code);
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
