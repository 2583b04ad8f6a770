// The guest's shared record and array buffers, and the dispatch of the x86_64 side's commands.
#include "noise/random_table.hpp"
#include "tools/release_runner/guest/bench.hpp"
#include "tools/release_runner/guest/runtime.hpp"
#include "tools/usrhost/standin/stack_thunk.hpp"

namespace runner {

void InitServices();
void Describe(DescribeRecord& d);

Shared g_guestShared;
alignas(64) uint8_t g_guestArrays[kArrayBuffers * kArrayStride];
// At a fixed place, so that the plain side's timing does not depend on where a run maps it.
alignas(64) vek::RandomTable g_plainTable;

}  // namespace runner

extern "C" void GuestDispatch(runner::Shared* shared) {
  using namespace runner;
  InitServices();
  vek::LoadFpRegisters(vek::kOwnFpRegisters);
  switch (shared->command) {
    case kCommandCall: {
      CallRecord& c = shared->call;
      if (c.hostEnvSet) {
        vek::LoadFpRegisters(c.hostEnv);
        c.loaded = vek::ReadFpRegisters();
      }
      c.result = usrhost::CallWithStackOffset(reinterpret_cast<const void*>(c.function), c.args,
                                              static_cast<int>(c.argCount), c.stackOffset);
      c.after = vek::ReadFpRegisters();
      vek::LoadFpRegisters(vek::kOwnFpRegisters);
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
