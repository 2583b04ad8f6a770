#pragma once
// One module instance driven as a host drives it: handles that map back to (instance, parameter),
// stored parameter values, the arrays and outputs the module writes, and every misuse of services.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/usrhost/standin/discovery.hpp"
#include "tools/usrhost/standin/host_fp_env.hpp"
#include "tools/usrhost/standin/plugin_library.hpp"

namespace usrhost {

// Why a drive of an instance failed: the input named something wrong, or the module misused the host.
enum class FailureKind { kInput, kMisuse };

struct ServiceCall {
  enum Op : uint8_t { kGetValue, kSetValue, kSetArrayLength, kSetArrayElement } op;
  int32_t param;
  int32_t index;  // element index or array length
  float value;
};

struct ParamState {
  float value = 0.0f;
  std::vector<float> array;
};

class Instance {
 public:
  Instance(const PluginLibrary& library, const ModuleDescription& module);
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;
  ~Instance();

  // The calling order of a host, step by step; Start() runs the three steps.
  bool Create();  // false when the module returned null
  void GiveHandles();
  void Init(const HostServices* services, uint32_t hostValue);
  bool Start();
  void Destroy();

  // Stores the value first, then tells the module (CallBack with this detail).
  void Set(int32_t param, float value, int32_t detail = 0);
  // Stores a value without telling the module, as a host does for inputs fed on every cycle.
  void Store(int32_t param, float value) { params_[param].value = value; }
  // A message without a value change: a button press, or any notice.
  void Notify(int32_t param, int32_t detail = 0);
  void Process();
  // Entry points that must do nothing, called with an instance pointer.
  void CallDoNothing(EntryPoint e);

  float value(int32_t param) const { return params_[param].value; }
  const std::vector<float>& array(int32_t param) const { return params_[param].array; }
  const ModuleDescription& module() const { return module_; }
  void* pointer() const { return pointer_; }
  EventHandle handle(int32_t param) const { return handles_[param]; }

  // What went wrong in this instance, in the order it happened: misuse of the host's services
  // (also with handles it was never given, or service entries no module may use, while one of its
  // calls ran) and of the floating-point environment.
  const std::vector<std::string>& misuse() const { return misuse_; }
  // When tracing, every service call is recorded.
  void set_tracing(bool on) { tracing_ = on; }
  std::vector<ServiceCall>& trace() { return trace_; }
  // Calls every entry point with the stack this many bytes below a 16-byte boundary.
  void set_stack_offset(int offset) { stackOffset_ = offset; }
  // Runs every entry-point call in this host environment and reports any change the call leaves
  // in it as misuse; none runs the calls in the stand-in's own environment, unchecked. New
  // instances take the process-wide choice (SetHostFpEnvironment).
  void set_fp_environment(std::optional<FpEnvironment> env) { fpEnv_ = env; }

 private:
  friend struct ServiceDispatch;
  uint32_t Call(EntryPoint e, std::initializer_list<uint32_t> args);
  void Misuse(std::string what) { misuse_.push_back(std::move(what)); }

  const PluginLibrary& library_;
  const ModuleDescription& module_;
  void* pointer_ = nullptr;
  std::vector<EventHandle> handles_;
  std::vector<ParamState> params_;
  std::vector<std::string> misuse_;
  std::vector<ServiceCall> trace_;
  bool tracing_ = false;
  int stackOffset_ = 0;
  std::optional<FpEnvironment> fpEnv_ = HostFpEnvironment();
};

// The service table every instance gets: the four real services at offsets 80, 100, 104 and 108;
// every other entry records a misuse.
const HostServices* HostServiceTable();
// Misuse of the services outside any instance's call (unknown handles, unused entries), taken and
// cleared.
std::vector<std::string> TakeUnattributedMisuse();
// Misuse lines with repeats folded: "X" once, or "X (N times)", in the order first seen.
std::vector<std::string> CountedMisuse(const std::vector<std::string>& misuse);
// One line for a failure report: "misuse: X (and N more)", or that Create returned null.
std::string MisuseText(const std::vector<std::string>& misuse, bool started);

}  // namespace usrhost
