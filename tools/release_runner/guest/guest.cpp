// The guest's header, its stack, thread block and array buffers, and the dispatch of the x86_64
// side's commands.
#include "tools/release_runner/guest/bench.hpp"
#include "tools/release_runner/guest/fp_state.hpp"
#include "tools/release_runner/guest/runtime.hpp"
#include "tools/usrhost/stack_thunk.hpp"

namespace runner {

extern const GuestExport kGuestExports[];
extern const uint32_t kGuestExportCount;
void InitServices();
void Describe(DescribeRecord& d);

namespace {

constexpr uint32_t kStackBytes = 1u << 20;
alignas(16) uint8_t g_stack[kStackBytes];
alignas(4096) uint8_t g_threadBlock[4096];
alignas(16) float g_arrays[kArrayBuffers][kMaxArrayLength];

}  // namespace

Shared g_guestShared;

}  // namespace runner

extern "C" void guest_entry();
extern "C" char guest_image_end[];

extern "C" __attribute__((section(".guest_header"), used)) const runner::GuestHeader kGuestHeader = {
    runner::kGuestMagic,
    reinterpret_cast<uint32_t>(&guest_entry),
    reinterpret_cast<uint32_t>(runner::kGuestExports),
    reinterpret_cast<uint32_t>(&runner::kGuestExportCount),
    reinterpret_cast<uint32_t>(&runner::g_guestShared),
    reinterpret_cast<uint32_t>(guest_image_end),
    reinterpret_cast<uint32_t>(runner::g_stack + runner::kStackBytes),
    reinterpret_cast<uint32_t>(runner::g_stack),
    reinterpret_cast<uint32_t>(runner::g_threadBlock),
    reinterpret_cast<uint32_t>(runner::g_arrays),
};

extern "C" void GuestDispatch(runner::Shared* shared) {
  using namespace runner;
  InitServices();
  LoadOwnFpState();
  switch (shared->command) {
    case kCommandCall: {
      CallRecord& c = shared->call;
      if (c.hostEnvSet) {
        LoadFpState(c.hostEnv);
        c.loaded = ReadFpState();
      }
      c.result = usrhost::CallWithStackOffset(reinterpret_cast<const void*>(c.function), c.args,
                                              static_cast<int>(c.argCount), c.stackOffset);
      c.after = ReadFpState();
      LoadOwnFpState();
      break;
    }
    case kCommandDescribe:
      Describe(shared->describe);
      break;
    case kCommandBench:
      RunBench(shared->bench);
      break;
  }
}
