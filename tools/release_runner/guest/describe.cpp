// Discovery through the module's records, in the guest, where their layout is the host's.
#include "host/abi.hpp"
#include "tools/release_runner/guest/runtime.hpp"
#include "tools/usrhost/standin/stack_thunk.hpp"

namespace runner {

void Describe(DescribeRecord& d) {
  ModuleInfo info;
  __builtin_memset(&info, 0, sizeof info);
  const uint32_t infoArgs[3] = {0, 0, reinterpret_cast<uint32_t>(&info)};
  usrhost::CallWithStackOffset(reinterpret_cast<const void*>(d.getModuleInfo), infoArgs, 3, 0);
  d.name = reinterpret_cast<uint32_t>(info.name);
  d.paramCount = info.paramCount;
  for (int32_t i = 0; i < info.paramCount && i < static_cast<int32_t>(kMaxParams); ++i) {
    // A marker in the default shows whether the module wrote one (buttons and arrays do not).
    ParamInfo p;
    __builtin_memset(&p, 0, sizeof p);
    const uint32_t marker = 0x7FC0DEAD;
    __builtin_memcpy(&p.defaultValue, &marker, sizeof marker);
    const uint32_t args[3] = {0, static_cast<uint32_t>(i), reinterpret_cast<uint32_t>(&p)};
    usrhost::CallWithStackOffset(reinterpret_cast<const void*>(d.getParamInfo), args, 3, 0);
    uint32_t written;
    __builtin_memcpy(&written, &p.defaultValue, sizeof written);
    d.params[i] = {p.kind, reinterpret_cast<uint32_t>(p.caption), p.isInput, p.isOutput, p.defaultValue, written != marker,
                   p.kind == kParamArray, p.kind == kParamButton};
  }
}

}  // namespace runner
