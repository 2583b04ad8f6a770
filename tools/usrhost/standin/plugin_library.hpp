#pragma once
// A module library loaded by path, with its entry points resolved by their plain names.
#include <array>
#include <cstdint>
#include <string>

#include "host/abi.hpp"
#include "host/entry_point_list.hpp"

namespace usrhost {

#define USRHOST_ENTRY_ENUM(name) k##name,
enum EntryPoint : int { USR_ENTRY_POINT_LIST(USRHOST_ENTRY_ENUM, USRHOST_ENTRY_ENUM) kEntryPointCount };
#undef USRHOST_ENTRY_ENUM
extern const char* const kEntryPointNames[kEntryPointCount];

// The entry points that must do nothing (and in a well-made library share one address).
bool IsDoNothingEntryPoint(EntryPoint e);

// The entry points' types, from their prototypes in host/abi.hpp.
using GetInt32Fn = decltype(&GetSDKVersion);
using GetModuleInfoFn = decltype(&GetModuleInfo);
using GetParamInfoFn = decltype(&GetParamInfo);
using CreateFn = decltype(&Create);
using DestroyFn = decltype(&Destroy);
using SetEventAddressFn = decltype(&SetEventAddress);
using InitModuleFn = decltype(&InitModule);
using CallBackFn = decltype(&CallBack);
using ProcessFn = decltype(&Process);

class PluginLibrary {
 public:
  PluginLibrary() = default;
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;
  ~PluginLibrary() { Unload(); }

  // Loads with immediate binding. On failure returns false and says why in error().
  bool Load(const std::string& path);
  void Unload();
  bool loaded() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }

  // Address of an entry point, nullptr when the library does not export it.
  void* address(EntryPoint e) const { return addresses_[e]; }
  bool complete() const;  // every entry point resolved

  int32_t GetSDKVersion() const { return reinterpret_cast<GetInt32Fn>(addresses_[kGetSDKVersion])(); }
  int32_t GetImplementation() const { return reinterpret_cast<GetInt32Fn>(addresses_[kGetImplementation])(); }
  int32_t GetChunkLen() const { return reinterpret_cast<GetInt32Fn>(addresses_[kGetChunkLen])(); }
  void GetModuleInfo(ModuleInfo* info) const {
    reinterpret_cast<GetModuleInfoFn>(addresses_[kGetModuleInfo])(nullptr, nullptr, info);
  }
  void GetParamInfo(int32_t index, ParamInfo* info) const {
    reinterpret_cast<GetParamInfoFn>(addresses_[kGetParamInfo])(nullptr, index, info);
  }

 private:
  void* handle_ = nullptr;
  std::string path_;
  std::string error_;
  std::array<void*, kEntryPointCount> addresses_{};
};

}  // namespace usrhost
