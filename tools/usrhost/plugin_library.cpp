#include "tools/usrhost/plugin_library.hpp"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace usrhost {

const char* const kEntryPointNames[kEntryPointCount] = {
    "GetSDKVersion", "GetImplementation", "GetModuleInfo", "GetParamInfo", "Create", "Destroy",
    "SetEventAddress", "InitModule", "CallBack", "Process", "GetChunkLen", "CreateLayout",
    "LayoutHasChanged", "MouseDown", "MouseDownMultiProc", "MouseMove", "MouseMoveMultiProc", "MouseUp",
    "MouseUpMultiProc", "Paint", "Resize"};

bool IsDoNothingEntryPoint(EntryPoint e) { return e >= kCreateLayout; }

bool PluginLibrary::Load(const std::string& path) {
  Unload();
  path_ = path;
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return false;
  }
  handle_ = reinterpret_cast<void*>(module);
  for (int e = 0; e < kEntryPointCount; ++e) {
    addresses_[e] = reinterpret_cast<void*>(GetProcAddress(module, kEntryPointNames[e]));
  }
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
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
