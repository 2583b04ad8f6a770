#include "tools/release_runner/compat_mode.hpp"

#include <asm/ldt.h>
#include <asm/prctl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/release_runner/guest/guest_abi.hpp"

extern "C" const uint8_t compat_trampoline_start[], compat_trampoline_end[];

namespace runner {
namespace {

using Trampoline = void (*)(uint32_t entry, uint32_t stackTop, uint32_t argument, uint64_t fsBase);
Trampoline g_trampoline = nullptr;
uint64_t g_fsBase = 0;
unsigned g_timeout = 60;
const char* (*g_stopReader)() = nullptr;
CallContext g_context;
volatile sig_atomic_t g_inCall = 0;
bool g_noCompatibilityMode = false;
sigjmp_buf g_jump;

struct Fault {
  int signal;
  int code;
  uint64_t rip;
  uint64_t address;
  uint16_t codeSegment;
} g_fault;

inline __attribute__((always_inline)) long RawSyscall(long number, long a, long b) {
  long result;
  asm volatile("syscall" : "=a"(result) : "a"(number), "D"(a), "S"(b) : "rcx", "r11", "memory");
  return result;
}

// Runs with fs still on the guest's thread block when the fault was in 32-bit code: nothing here
// may touch the C library's thread data before the first line.
__attribute__((no_stack_protector, no_sanitize("address", "undefined"))) void OnSignal(int signal, siginfo_t* info, void* context) {
  RawSyscall(SYS_arch_prctl, ARCH_SET_FS, static_cast<long>(g_fsBase));
  if (!g_inCall) {
    ::signal(signal, SIG_DFL);
    raise(signal);
    return;
  }
  const auto* uc = static_cast<const ucontext_t*>(context);
  g_fault = {signal, info->si_code, static_cast<uint64_t>(uc->uc_mcontext.gregs[REG_RIP]),
             reinterpret_cast<uint64_t>(info->si_addr), static_cast<uint16_t>(uc->uc_mcontext.gregs[REG_CSGSFS] & 0xFFFF)};
  siglongjmp(g_jump, 1);
}

const char* Describe(const Fault& f) {
  if (f.signal == SIGFPE) {
    switch (f.code) {
      case FPE_FLTINV: return "SIGFPE (invalid operation)";
      case FPE_FLTDIV: return "SIGFPE (division by zero)";
      case FPE_FLTOVF: return "SIGFPE (overflow)";
      case FPE_FLTUND: return "SIGFPE (underflow)";
      case FPE_FLTRES: return "SIGFPE (inexact result)";
      case FPE_FLTSUB: return "SIGFPE (subscript out of range)";
      case FPE_INTDIV: return "SIGFPE (integer division by zero)";
      default: return "SIGFPE";
    }
  }
  switch (f.signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGTRAP: return "SIGTRAP";
    default: return "a signal";
  }
}

[[noreturn]] void ReportFault() {
  const Fault& f = g_fault;
  const char* stop = g_stopReader != nullptr ? g_stopReader() : nullptr;
  const std::string session = g_context.session != nullptr ? ", " + *g_context.session : std::string();
  if (f.signal == SIGALRM) {
    std::fprintf(stderr, "release_runner: %s: %s did not return within %u s (a hang)%s\n", g_context.module,
                 g_context.entryPoint, g_timeout, session.c_str());
  } else if (stop != nullptr) {
    std::fprintf(stderr, "release_runner: %s: %s %s%s\n", g_context.module, g_context.entryPoint, stop, session.c_str());
  } else {
    const uint64_t offset = f.rip - g_context.moduleBase;
    std::fprintf(stderr, "release_runner: %s: %s at 0x%08llx (%s+0x%llx, %s code, fault address 0x%llx) in %s%s\n",
                 g_context.module, Describe(f), static_cast<unsigned long long>(f.rip), g_context.module,
                 static_cast<unsigned long long>(offset), f.codeSegment == 0x23 ? "32-bit" : "64-bit",
                 static_cast<unsigned long long>(f.address), g_context.entryPoint, session.c_str());
  }
  std::fflush(stderr);
  std::_Exit(1);
}

// The whole 32-bit side of the probe: a 32-bit far return.
constexpr uint8_t kFarReturn = 0xCB;

// One far call into 32-bit code that only returns. Some machines have no compatibility mode for
// user code at all (a hypervisor that offers none, whatever the kernel's 32-bit settings): there
// the far call itself faults, in the trampoline, before any module code could.
bool ProbeCompatibilityMode(uint8_t* page) {
  uint8_t* stub = page + 2048;
  *stub = kFarReturn;
  const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(stub));
  const auto stackTop = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(page + 4096));
  if (sigsetjmp(g_jump, 1) != 0) {
    alarm(0);
    g_inCall = 0;
    return false;
  }
  g_inCall = 1;
  alarm(g_timeout);
  g_trampoline(address, stackTop, 0, g_fsBase);
  alarm(0);
  g_inCall = 0;
  return true;
}

}  // namespace

bool CompatMode::Start(uint32_t threadBlock, std::string& error) {
  unsigned long fsBase = 0;
  if (RawSyscall(SYS_arch_prctl, ARCH_GET_FS, reinterpret_cast<long>(&fsBase)) != 0) {
    error = "cannot read this thread's fs base";
    return false;
  }
  g_fsBase = fsBase;

  user_desc block{};
  block.entry_number = kThreadBlockSelector >> 3;
  block.base_addr = threadBlock;
  block.limit = 0xFFF;
  block.seg_32bit = 1;
  block.useable = 1;
  if (syscall(SYS_modify_ldt, 1, &block, sizeof block) != 0) {
    error = std::string("the kernel refuses an LDT entry for the thread block (modify_ldt: ") + std::strerror(errno) + ")";
    return false;
  }

  const size_t size = static_cast<size_t>(compat_trampoline_end - compat_trampoline_start);
  void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (page == MAP_FAILED) {
    error = std::string("cannot map the far-call trampoline below 4 GB: ") + std::strerror(errno);
    return false;
  }
  std::memcpy(page, compat_trampoline_start, size);
  g_trampoline = reinterpret_cast<Trampoline>(page);

  static char alternateStack[1 << 16];
  stack_t ss{};
  ss.ss_sp = alternateStack;
  ss.ss_size = sizeof alternateStack;
  sigaltstack(&ss, nullptr);
  struct sigaction sa {};
  sa.sa_sigaction = &OnSignal;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int s : {SIGFPE, SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGALRM}) sigaction(s, &sa, nullptr);
  if (!ProbeCompatibilityMode(static_cast<uint8_t*>(page))) {
    g_noCompatibilityMode = true;
    error = "this machine cannot run 32-bit code in a 64-bit process: a far call to the 32-bit user code segment "
            "faults (no compatibility mode for user code here, as under some hypervisors); nothing was run";
    return false;
  }
  return true;
}

bool CompatMode::Unavailable() { return g_noCompatibilityMode; }

void CompatMode::FarCall(uint32_t entry, uint32_t stackTop, uint32_t argument, const CallContext& context) {
  g_context = context;
  if (sigsetjmp(g_jump, 1) != 0) {
    g_inCall = 0;
    ReportFault();
  }
  g_inCall = 1;
  alarm(g_timeout);
  g_trampoline(entry, stackTop, argument, g_fsBase);
  alarm(0);
  g_inCall = 0;
}

void CompatMode::SetTimeout(unsigned seconds) { g_timeout = seconds; }
void CompatMode::SetStopReader(const char* (*reader)()) { g_stopReader = reader; }

}  // namespace runner
