#pragma once
// Calls into 32-bit code on the CPU, in compatibility mode, from this x86_64 process: a far call
// to the 32-bit user code segment, the guest's thread block in fs through an LDT entry, and this
// process's own fs base put back after every return and first thing in a signal handler. A fault,
// a trap or a timeout in the 32-bit code ends the process with a report naming what was running.
#include <cstdint>
#include <string>

namespace runner {

// What the runner is doing, for a fault report: "Vek_Random.usr: Process, session x, fp-env traps".
struct CallContext {
  const char* module = "";
  uint32_t moduleBase = 0;
  const char* entryPoint = "";
  const std::string* session = nullptr;
};

class CompatMode {
 public:
  // Installs the thread block's LDT entry and the signal handlers, then makes one far call into
  // 32-bit code that only returns; false with the reason.
  static bool Start(uint32_t threadBlock, std::string& error);
  // Whether Start failed because this machine runs no 32-bit code in a 64-bit process at all.
  static bool Unavailable();
  // Calls `entry` on the 32-bit stack `stackTop` with one argument; returns when it returns.
  static void FarCall(uint32_t entry, uint32_t stackTop, uint32_t argument, const CallContext& context);
  // Seconds a single far call may take before the runner reports a hang.
  static void SetTimeout(unsigned seconds);
  // A fault report also says where the guest stopped itself, when it did.
  static void SetStopReader(const char* (*reader)());
};

}  // namespace runner
