#pragma once
// A module DLL on the runner, driven as the host drives it: discovery, instances with their
// parameters in the guest's slots, entry-point calls under a host's floating-point environment
// with the stack at a chosen offset, and every change of that environment or misuse of the
// services written down.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/entry_point_list.hpp"
#include "tools/release_runner/library_image.hpp"

namespace runner {

#define RUNNER_ENTRY(name) k##name,
enum EntryPoint { USR_ENTRY_POINT_LIST(RUNNER_ENTRY, RUNNER_ENTRY) kEntryPointCount };
#undef RUNNER_ENTRY
extern const char* const kEntryPointNames[kEntryPointCount];

struct Param {
  std::string caption;
  bool isOutput = false;
  bool isArray = false;
  bool isButton = false;
  float initial = 0.0f;
};

class Module {
 public:
  // Loads and attaches the DLL, resolves its entry points and reads its declaration.
  bool Load(const GuestImage& guest, const std::string& path, std::string& error);
  const std::string& name() const { return image_.name(); }
  const std::string& moduleName() const { return moduleName_; }
  const std::vector<Param>& params() const { return params_; }
  // A parameter by caption, or by index as the stand-in takes one; -1 when neither fits.
  int32_t Find(const std::string& key) const;
  uint32_t entry(EntryPoint e) const { return entries_[e]; }
  const GuestImage& guest() const { return *guest_; }
  const LibraryImage& image() const { return image_; }

 private:
  const GuestImage* guest_ = nullptr;
  LibraryImage image_;
  uint32_t entries_[kEntryPointCount] = {};
  std::string moduleName_;
  std::vector<Param> params_;
};

// What one dump holds: each output's bits, by caption.
using Dump = std::map<std::string, std::vector<uint32_t>>;

class Instance {
 public:
  // Parameters take slots from `firstSlot` on, arrays buffers from `firstArray` on.
  Instance(const Module& module, uint32_t firstSlot = 0, uint32_t firstArray = 0);
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  // Every later call runs under `env` (the host's environment), checked after the call.
  void set_host_environment(std::optional<vek::FpRegisters> env) { env_ = env; }
  void set_stack_offset(int offset) { stackOffset_ = offset; }
  void set_session(const std::string* session) { session_ = session; }

  bool Start();  // Create, SetEventAddress for every parameter, InitModule
  void Store(int32_t param, float value);
  void Notify(int32_t param);
  void Set(int32_t param, float value) { Store(param, value), Notify(param); }
  void Process();
  void Destroy();
  Dump Snapshot() const;

  uint32_t pointer() const { return pointer_; }
  uint32_t handle(int32_t param) const { return HandleOfSlot(firstSlot_ + static_cast<uint32_t>(param)); }
  uint32_t message(int32_t param);  // a CallbackMessage for `param` in guest memory
  // What went wrong so far: environment changes, misuse, a Create that failed. Empty when sound.
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  uint32_t Call(EntryPoint e, std::initializer_list<uint32_t> args);

  const Module& module_;
  uint32_t firstSlot_;
  uint32_t pointer_ = 0;
  std::optional<vek::FpRegisters> env_;
  int stackOffset_ = 0;
  const std::string* session_ = nullptr;
  std::vector<std::string> problems_;
};

std::string DescribeMisuse(const Shared& shared);

}  // namespace runner
