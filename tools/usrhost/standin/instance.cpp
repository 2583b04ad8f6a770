#include "tools/usrhost/standin/instance.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "tools/usrhost/standin/process_guard.hpp"
#include "tools/usrhost/standin/stack_thunk.hpp"
#include "tools/usrhost/standin/float_bits.hpp"

namespace usrhost {
namespace {

struct Binding {
  Instance* instance;
  int32_t param;
};

// Handles are process-wide so that a handle of one instance given to another is caught. They are
// spaced, so that an off-by-one handle is unknown rather than a neighbour, and found by arithmetic,
// so that services cost what a real host's do.
constexpr EventHandle kFirstHandle = 0x48000010;
constexpr EventHandle kHandleSpacing = 0x10;
std::vector<Binding> g_registry;
EventHandle g_nextHandle = kFirstHandle;

inline Binding* Lookup(EventHandle h) {
  if (h < kFirstHandle || (h - kFirstHandle) % kHandleSpacing != 0) return nullptr;
  const size_t slot = (h - kFirstHandle) / kHandleSpacing;
  if (slot >= g_registry.size() || g_registry[slot].instance == nullptr) return nullptr;
  return &g_registry[slot];
}
std::vector<std::string> g_unattributed;
// The instance whose entry point runs, charged with misuse that names no instance of its own.
Instance* g_calling = nullptr;

}  // namespace

// The service functions, with access to the instance they resolve to.
struct ServiceDispatch {
  static void Unattributed(std::string what) {
    if (g_calling != nullptr) return g_calling->Misuse(std::move(what));
    g_unattributed.push_back(std::move(what));
  }
  static Binding* Resolve(EventHandle h, const char* service) {
    Binding* b = Lookup(h);
    if (b == nullptr) {
      // A handle names no instance, so the entry point that used it is what points to the fault.
      const char* entry = CallInProgress();
      Unattributed(std::string(service) + " with unknown handle " + HexWord(h) + (entry ? std::string(" in ") + entry : ""));
    }
    return b;
  }
  static void Trace(Instance& in, ServiceCall::Op op, int32_t param, int32_t index, float value) {
    if (in.tracing_) in.trace_.push_back({op, param, index, value});
  }
  static std::string Name(Instance& in, int32_t param) { return "\"" + in.module_.params[param].caption + "\""; }

  static float GetValue(EventHandle h) {
    Binding* b = Resolve(h, "GetValue");
    if (b == nullptr) return 0.0f;
    Instance& in = *b->instance;
    if (in.module_.params[b->param].IsOutput()) in.Misuse("GetValue on output " + Name(in, b->param));
    const float v = in.params_[b->param].value;
    Trace(in, ServiceCall::kGetValue, b->param, 0, v);
    return v;
  }
  static void SetValue(EventHandle h, float v) {
    Binding* b = Resolve(h, "SetValue");
    if (b == nullptr) return;
    Instance& in = *b->instance;
    Trace(in, ServiceCall::kSetValue, b->param, 0, v);
    const ParamDescription& p = in.module_.params[b->param];
    if (!p.IsOutput()) return in.Misuse("SetValue on non-output " + Name(in, b->param));
    if (p.IsArray()) return in.Misuse("SetValue on array " + Name(in, b->param));
    in.params_[b->param].value = v;
  }
  static void SetArrayLength(EventHandle h, int32_t length) {
    Binding* b = Resolve(h, "SetArrayLength");
    if (b == nullptr) return;
    Instance& in = *b->instance;
    Trace(in, ServiceCall::kSetArrayLength, b->param, length, 0.0f);
    if (!in.module_.params[b->param].IsArray()) return in.Misuse("SetArrayLength on non-array " + Name(in, b->param));
    if (length < 0) return in.Misuse("SetArrayLength(" + std::to_string(length) + ") on " + Name(in, b->param));
    if (length > kMaxArrayLength) {
      return in.Misuse("SetArrayLength(" + std::to_string(length) + ") on " + Name(in, b->param) +
                       " beyond the host's limit");
    }
    in.params_[b->param].array.resize(static_cast<size_t>(length), 0.0f);
  }
  static void SetArrayElement(EventHandle h, int32_t index, float v) {
    Binding* b = Resolve(h, "SetArrayElement");
    if (b == nullptr) return;
    Instance& in = *b->instance;
    Trace(in, ServiceCall::kSetArrayElement, b->param, index, v);
    if (!in.module_.params[b->param].IsArray()) return in.Misuse("SetArrayElement on non-array " + Name(in, b->param));
    std::vector<float>& a = in.params_[b->param].array;
    if (index < 0 || static_cast<size_t>(index) >= a.size()) {
      return in.Misuse("SetArrayElement(" + std::to_string(index) + ") on " + Name(in, b->param) + " of length " +
                       std::to_string(a.size()));
    }
    a[static_cast<size_t>(index)] = v;
  }
  static constexpr int32_t kMaxArrayLength = 1 << 24;
};

namespace {

template <int Offset>
void UnusedService() {
  ServiceDispatch::Unattributed("call to host service entry at offset " + std::to_string(Offset) +
                                ", which modules must not use");
}

template <int... I>
HostServices MakeTable(std::integer_sequence<int, I...>) {
  HostServices t{};
  void** entries = reinterpret_cast<void**>(&t);
  ((entries[I] = reinterpret_cast<void*>(&UnusedService<I * 4>)), ...);
  t.SetArrayLength = &ServiceDispatch::SetArrayLength;
  t.SetValue = &ServiceDispatch::SetValue;
  t.GetValue = &ServiceDispatch::GetValue;
  t.SetArrayElement = &ServiceDispatch::SetArrayElement;
  return t;
}

}  // namespace

const HostServices* HostServiceTable() {
  static const HostServices table = MakeTable(std::make_integer_sequence<int, kHostServicesEntries>());
  return &table;
}

std::vector<std::string> TakeUnattributedMisuse() { return std::exchange(g_unattributed, {}); }

std::string MisuseText(const std::vector<std::string>& misuse, bool started) {
  if (!started) return "misuse: Create returned null";
  const std::vector<std::string> lines = CountedMisuse(misuse);
  if (lines.empty()) return "";
  return "misuse: " + lines.front() + (lines.size() > 1 ? " (and " + std::to_string(lines.size() - 1) + " more)" : "");
}

std::vector<std::string> CountedMisuse(const std::vector<std::string>& misuse) {
  std::vector<std::pair<std::string, size_t>> seen;
  for (const std::string& m : misuse) {
    auto it = std::find_if(seen.begin(), seen.end(), [&](const auto& s) { return s.first == m; });
    if (it == seen.end()) {
      seen.emplace_back(m, 1);
    } else {
      ++it->second;
    }
  }
  std::vector<std::string> lines;
  for (const auto& [m, n] : seen) lines.push_back(n == 1 ? m : m + " (" + std::to_string(n) + " times)");
  return lines;
}

Instance::Instance(const PluginLibrary& library, const ModuleDescription& module)
    : library_(library), module_(module), handles_(module.params.size()), params_(module.params.size()) {
  for (size_t i = 0; i < params_.size(); ++i) {
    params_[i].value = module.params[i].InitialValue();
    handles_[i] = g_nextHandle;
    g_nextHandle += kHandleSpacing;
    g_registry.push_back({this, static_cast<int32_t>(i)});
  }
}

Instance::~Instance() {
  Destroy();
  for (EventHandle h : handles_) Lookup(h)->instance = nullptr;  // stale handles stay unknown
}

uint32_t Instance::Call(EntryPoint e, std::initializer_list<uint32_t> args) {
  const void* fn = library_.address(e);
  if (fn == nullptr) return 0;
  // Who is calling, for misuse that names no instance and for a trap's report.
  struct InCall {
    Instance* before = g_calling;
    const char* entryBefore = CallInProgress();
    InCall(Instance* in, EntryPoint e) {
      g_calling = in;
      SetCallInProgress(kEntryPointNames[e]);
    }
    ~InCall() {
      g_calling = before;
      SetCallInProgress(entryBefore);
    }
  } inCall(this, e);
  if (!fpEnv_) return CallWithStackOffset(fn, args.begin(), static_cast<int>(args.size()), stackOffset_);
  const FpEnvironment own = vek::ReadFpRegisters();
  vek::LoadFpRegisters(*fpEnv_);
  // As the CPU holds it: reserved bits of the x87 control word read back as set.
  const FpEnvironment loaded = vek::ReadFpRegisters();
  const uint32_t result = CallWithStackOffset(fn, args.begin(), static_cast<int>(args.size()), stackOffset_);
  const FpEnvironment after = vek::ReadFpRegisters();
  vek::LoadFpRegisters(own);
  if (after != loaded) {
    Misuse(std::string(kEntryPointNames[e]) + " " + DescribeFpChange(loaded, after));
  }
  return result;
}

static uint32_t Word(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

bool Instance::Create() {
  void* stored = nullptr;
  const uint32_t returned = Call(kCreate, {Word(&stored)});
  pointer_ = reinterpret_cast<void*>(static_cast<uintptr_t>(returned));
  if (stored != pointer_) Misuse("Create returned " + HexWord(returned) + " but stored " + HexWord(Word(stored)));
  return pointer_ != nullptr;
}

void Instance::GiveHandles() {
  for (size_t i = 0; i < handles_.size(); ++i) Call(kSetEventAddress, {Word(pointer_), static_cast<uint32_t>(i), handles_[i]});
}

void Instance::Init(const HostServices* services, uint32_t hostValue) {
  Call(kInitModule, {Word(pointer_), Word(services), hostValue});
}

bool Instance::Start() {
  if (!Create()) return false;
  GiveHandles();
  Init(HostServiceTable(), 1);
  return true;
}

void Instance::Destroy() {
  if (pointer_ == nullptr) return;
  Call(kDestroy, {Word(pointer_)});
  pointer_ = nullptr;
}

void Instance::Set(int32_t param, float value, int32_t detail) {
  Store(param, value);
  Notify(param, detail);
}

void Instance::Notify(int32_t param, int32_t detail) {
  CallbackMessage message{0, param, detail};
  Call(kCallBack, {Word(pointer_), Word(&message)});
}

void Instance::Process() { Call(kProcess, {Word(pointer_)}); }

void Instance::CallDoNothing(EntryPoint e) { Call(e, {Word(pointer_), 0, 0, 0}); }

}  // namespace usrhost
