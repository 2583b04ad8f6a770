#include "tools/release_runner/module_host.hpp"

#include <cstdio>
#include <cstring>

#include "tools/release_runner/guest/guest_abi.hpp"
#include "tools/usrhost/standin/float_bits.hpp"
#include "tools/usrhost/standin/host_fp_env.hpp"

namespace runner {

#define RUNNER_ENTRY_NAME(name) #name,
const char* const kEntryPointNames[kEntryPointCount] = {USR_ENTRY_POINT_LIST(RUNNER_ENTRY_NAME, RUNNER_ENTRY_NAME)};
#undef RUNNER_ENTRY_NAME

std::string DescribeMisuse(const Shared& s) {
  static const char* const kWhat[] = {"no misuse", "a service called with an unknown handle", "GetValue on an output",
                                      "SetValue on a parameter that is no output", "an array service on a scalar",
                                      "SetArrayElement beyond the array's length", "SetArrayLength out of range",
                                      "a call to a host service modules must not use"};
  const uint32_t what = s.firstMisuse < sizeof kWhat / sizeof kWhat[0] ? s.firstMisuse : 0;
  return std::string(kWhat[what]) + " (handle " + usrhost::HexWord(s.misuseHandle) + ", index " + std::to_string(s.misuseIndex) +
         ")";
}

bool Module::Load(const GuestImage& guest, const std::string& path, std::string& error) {
  guest_ = &guest;
  if (!image_.Load(guest, path, error) || !image_.Attach(error)) return false;
  for (int e = 0; e < kEntryPointCount; ++e) {
    entries_[e] = image_.Export(kEntryPointNames[e]);
    if (entries_[e] == 0) {
      error = path + ": exports no " + kEntryPointNames[e];
      return false;
    }
  }
  Shared& shared = guest.shared();
  shared.describe.getModuleInfo = entries_[kGetModuleInfo];
  shared.describe.getParamInfo = entries_[kGetParamInfo];
  shared.command = kCommandDescribe;
  guest.Run({name().c_str(), image_.base(), "GetModuleInfo/GetParamInfo", nullptr});
  const DescribeRecord& d = shared.describe;
  if (d.paramCount < 0 || d.paramCount > static_cast<int32_t>(kMaxParams)) {
    error = path + ": declares " + std::to_string(d.paramCount) + " parameters";
    return false;
  }
  auto text = [](uint32_t at) { return at == 0 ? std::string() : std::string(GuestImage::At<const char>(at), strnlen(GuestImage::At<const char>(at), 256)); };
  moduleName_ = text(d.name);
  for (int32_t i = 0; i < d.paramCount; ++i) {
    const ParamSummary& p = d.params[i];
    params_.push_back({text(p.caption), p.isOutput == 1, p.isArray != 0, p.isButton != 0,
                       p.defaultWritten ? p.defaultValue : 0.0f});
  }
  return true;
}

int32_t Module::Find(const std::string& key) const {
  for (size_t i = 0; i < params_.size(); ++i) {
    if (params_[i].caption == key) return static_cast<int32_t>(i);
  }
  // An index, as the stand-in takes one.
  if (!key.empty() && key.size() < 6 && key.find_first_not_of("0123456789") == std::string::npos) {
    const size_t index = std::stoul(key);
    if (index < params_.size()) return static_cast<int32_t>(index);
  }
  return -1;
}

Instance::Instance(const Module& module, uint32_t firstSlot, uint32_t firstArray)
    : module_(module), firstSlot_(firstSlot) {
  Shared& s = module.guest().shared();
  uint32_t array = firstArray;
  for (size_t i = 0; i < module.params().size(); ++i) {
    const Param& p = module.params()[i];
    Slot& slot = s.slots[firstSlot + i];
    slot = {p.initial, p.isArray ? kSlotArray : p.isOutput ? kSlotOutput : kSlotInput, 0, 0};
    if (p.isArray) slot.array = module.guest().header().arrays + (array++) * kArrayStride;
  }
}

Instance::~Instance() {
  Destroy();
  Shared& s = module_.guest().shared();
  for (size_t i = 0; i < module_.params().size(); ++i) s.slots[firstSlot_ + i].kind = kSlotUnused;
}

uint32_t Instance::Call(EntryPoint e, std::initializer_list<uint32_t> args) {
  const GuestImage& guest = module_.guest();
  Shared& s = guest.shared();
  CallRecord& c = s.call;
  c.function = module_.entry(e);
  c.argCount = static_cast<uint32_t>(args.size());
  std::copy(args.begin(), args.end(), c.args);
  c.stackOffset = stackOffset_;
  c.hostEnvSet = env_.has_value();
  if (env_) c.hostEnv = *env_;
  const uint32_t misuse = s.misuseCount;
  s.command = kCommandCall;
  guest.Run({module_.name().c_str(), module_.image().base(), kEntryPointNames[e], session_});
  const std::string where = std::string(kEntryPointNames[e]) + (session_ != nullptr ? ", " + *session_ : "");
  if (env_ && c.loaded != c.after) {
    problems_.push_back(where + ": " + usrhost::DescribeFpChange(c.loaded, c.after));
  }
  if (s.misuseCount != misuse) {
    problems_.push_back(where + ": misused the host: " + DescribeMisuse(s));
    s.misuseCount = 0;
  }
  return c.result;
}

bool Instance::Start() {
  Shared& s = module_.guest().shared();
  uint32_t* stored = reinterpret_cast<uint32_t*>(s.scratch);
  *stored = 0;
  pointer_ = Call(kCreate, {GuestImage::AddressOf(stored)});
  if (pointer_ == 0 || *stored != pointer_) {
    problems_.push_back("Create returned " + usrhost::HexWord(pointer_) + " and stored " + usrhost::HexWord(*stored));
    pointer_ = 0;
    return false;
  }
  for (size_t i = 0; i < module_.params().size(); ++i) Call(kSetEventAddress, {pointer_, static_cast<uint32_t>(i), handle(static_cast<int32_t>(i))});
  Call(kInitModule, {pointer_, s.services, 1});
  return true;
}

void Instance::Store(int32_t param, float value) { module_.guest().shared().slots[firstSlot_ + param].value = value; }

uint32_t Instance::message(int32_t param) {
  auto* m = reinterpret_cast<int32_t*>(module_.guest().shared().scratch + 16);
  m[0] = 0;
  m[1] = param;
  m[2] = 0;
  return GuestImage::AddressOf(m);
}

void Instance::Notify(int32_t param) { Call(kCallBack, {pointer_, message(param)}); }
void Instance::Process() { Call(kProcess, {pointer_}); }

void Instance::Destroy() {
  if (pointer_ == 0) return;
  Call(kDestroy, {pointer_});
  pointer_ = 0;
}

Dump Instance::Snapshot() const {
  Dump d;
  const Shared& s = module_.guest().shared();
  for (size_t i = 0; i < module_.params().size(); ++i) {
    const Param& p = module_.params()[i];
    if (!p.isOutput) continue;
    const Slot& slot = s.slots[firstSlot_ + i];
    std::vector<uint32_t>& bits = d[p.caption];
    if (!p.isArray) {
      bits.push_back(usrhost::FloatBits(slot.value));
      continue;
    }
    const float* a = GuestImage::At<const float>(slot.array);
    for (int32_t k = 0; k < slot.length; ++k) bits.push_back(usrhost::FloatBits(a[k]));
  }
  return d;
}

}  // namespace runner
