#include "tools/usrhost/standin/process_guard.hpp"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

#include "tools/usrhost/standin/exit_status.hpp"

namespace usrhost {
namespace {

// Read by the handlers, so plain storage written before the handlers can need it.
const char* volatile g_call = nullptr;
volatile bool g_pending = false;
#if defined(_WIN32)
wchar_t g_temporary[4096];
#else
char g_temporary[4096];
#endif

void WriteError(const char* a, const char* b, const char* c) {
  for (const char* s : {a, b, c}) {
    if (s == nullptr) continue;
#if defined(_WIN32)
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), s, static_cast<DWORD>(std::strlen(s)), &written, nullptr);
#else
    ssize_t ignored = write(STDERR_FILENO, s, std::strlen(s));
    (void)ignored;
#endif
  }
}

void RemoveTemporary() {
  if (!g_pending) return;
#if defined(_WIN32)
  DeleteFileW(g_temporary);
#else
  unlink(g_temporary);
#endif
}

constexpr const char* kTrapText = " raised a floating-point exception the host has unmasked (a trap in a real host)\n";

#if defined(_WIN32)
LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  switch (info->ExceptionRecord->ExceptionCode) {
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case 0xC00002B4:  // STATUS_FLOAT_MULTIPLE_FAULTS (SSE)
    case 0xC00002B5:  // STATUS_FLOAT_MULTIPLE_TRAPS (SSE)
      if (g_call == nullptr) return EXCEPTION_CONTINUE_SEARCH;
      RemoveTemporary();
      WriteError("usrhost: misuse: ", g_call, kTrapText);
      TerminateProcess(GetCurrentProcess(), kExitMisuse);
      return EXCEPTION_CONTINUE_SEARCH;
    default:
      return EXCEPTION_CONTINUE_SEARCH;
  }
}

BOOL WINAPI OnConsoleEvent(DWORD) {
  RemoveTemporary();
  return FALSE;  // the default handler ends the process
}
#else
void OnTrap(int signal) {
  if (g_call == nullptr) {
    std::signal(signal, SIG_DFL);
    raise(signal);
    return;
  }
  RemoveTemporary();
  WriteError("usrhost: misuse: ", g_call, kTrapText);
  _exit(kExitMisuse);
}

void OnInterrupt(int signal) {
  RemoveTemporary();
  std::signal(signal, SIG_DFL);
  raise(signal);
}
#endif

}  // namespace

#if defined(_WIN32)
static void* g_handler = nullptr;
#endif

void GuardProcess() {
#if defined(_WIN32)
  if (g_handler == nullptr) g_handler = AddVectoredExceptionHandler(1, &OnException);
  SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
#else
  std::signal(SIGFPE, &OnTrap);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, &OnInterrupt);
#endif
}

void UnguardProcess() {
#if defined(_WIN32)
  if (g_handler != nullptr) RemoveVectoredExceptionHandler(g_handler);
  g_handler = nullptr;
  SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
#else
  for (int s : {SIGFPE, SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
#endif
}

void SetCallInProgress(const char* entryPoint) { g_call = entryPoint; }
const char* CallInProgress() { return g_call; }

void SetPendingTemporary(const char* path) {
  g_pending = false;
  if (path == nullptr) return;
#if defined(_WIN32)
  if (MultiByteToWideChar(CP_UTF8, 0, path, -1, g_temporary, sizeof g_temporary / sizeof g_temporary[0]) == 0) return;
#else
  if (std::strlen(path) >= sizeof g_temporary) return;
  std::strcpy(g_temporary, path);
#endif
  g_pending = true;
}

namespace {
#if defined(_WIN32)
HANDLE g_crashFile = INVALID_HANDLE_VALUE;

LONG CALLBACK OnCrash(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  // Only what ends a process; debugger notices and C++ exceptions pass by.
  if ((code & 0xF0000000u) != 0xC0000000u || g_call == nullptr || g_crashFile == INVALID_HANDLE_VALUE) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  DWORD written = 0;
  for (const char* s : {"entry ", static_cast<const char*>(g_call), "\n"}) {
    WriteFile(g_crashFile, s, static_cast<DWORD>(std::strlen(s)), &written, nullptr);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}
#else
int g_crashFile = -1;

// The crash handler runs on whatever stack the module left, in whatever state: it keeps to
// write() and raise(), with nothing on its own stack that AddressSanitizer would watch.
#if defined(__GNUC__)
#define USRHOST_UNINSTRUMENTED __attribute__((no_sanitize_address))
#else
#define USRHOST_UNINSTRUMENTED
#endif

USRHOST_UNINSTRUMENTED void WriteCrashText(const char* s) {
  size_t n = 0;
  while (s[n] != '\0') ++n;
  ssize_t ignored = write(g_crashFile, s, n);
  (void)ignored;
}

USRHOST_UNINSTRUMENTED void OnCrash(int signal) {
  const char* call = g_call;
  if (call != nullptr && g_crashFile >= 0) {
    WriteCrashText("entry ");
    WriteCrashText(call);
    WriteCrashText("\n");
  }
  std::signal(signal, SIG_DFL);
  raise(signal);
}
#endif
}  // namespace

void ReportCrashesTo(const std::string& path) {
#if defined(_WIN32)
  wchar_t wide[4096];
  if (MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide, 4096) == 0) return;
  g_crashFile = CreateFileW(wide, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  AddVectoredExceptionHandler(1, &OnCrash);
#else
  g_crashFile = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  // SIGTERM is how the parent ends a hung child: the report then names the entry point it hung in.
  for (int s : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTERM}) std::signal(s, &OnCrash);
#endif
}

}  // namespace usrhost
