#pragma once
// The real module libraries, loaded once per test program through the host stand-in.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "tools/usrhost/standin/discovery.hpp"
#include "tools/usrhost/standin/instance.hpp"
#include "tools/usrhost/standin/plugin_library.hpp"

namespace vektest {

struct LoadedModule {
  usrhost::PluginLibrary library;
  usrhost::ModuleDescription module;
};

inline LoadedModule& Loaded(const std::string& file) {
  static std::map<std::string, std::unique_ptr<LoadedModule>> cache;
  auto& slot = cache[file];
  if (!slot) {
    slot = std::make_unique<LoadedModule>();
    const std::string path = std::string(VEK_MODULE_DIR) + file;
    if (!slot->library.Load(path)) ADD_FAILURE() << "cannot load " << path << ": " << slot->library.error();
    slot->module = usrhost::Describe(slot->library);
  }
  return *slot;
}
inline LoadedModule& RandomLib() { return Loaded(VEK_RANDOM_USR); }
inline LoadedModule& ArrayLib() { return Loaded(VEK_RANDOM_ARRAY_USR); }

// An instance started in the host's calling order; it fails the test on any misuse of services.
class Started {
 public:
  explicit Started(LoadedModule& m) : instance_(m.library, m.module) {
    usrhost::TakeUnattributedMisuse();
    EXPECT_TRUE(instance_.Start());
  }
  ~Started() {
    EXPECT_TRUE(instance_.misuse().empty()) << instance_.misuse().front();
    const auto unattributed = usrhost::TakeUnattributedMisuse();
    EXPECT_TRUE(unattributed.empty()) << unattributed.front();
  }
  usrhost::Instance* operator->() { return &instance_; }
  usrhost::Instance& operator*() { return instance_; }

 private:
  usrhost::Instance instance_;
};

inline uint32_t Bits(float v) {
  uint32_t b;
  std::memcpy(&b, &v, 4);
  return b;
}

}  // namespace vektest
