#include "tools/usrhost/validation/subprocess.hpp"

#include <chrono>
#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#endif

namespace usrhost {

#if defined(_WIN32)

namespace {
std::string Quote(const std::string& arg) {
  std::string q = "\"";
  for (char c : arg) {
    if (c == '"') q += '\\';
    q += c;
  }
  return q + "\"";
}
}  // namespace

static const char* ExceptionName(DWORD code) {
  switch (code) {
    case 0xC0000005: return " (access violation)";
    case 0xC00000FD: return " (stack overflow)";
    case 0xC000008E: return " (floating-point division by zero)";
    case 0xC000008F: return " (floating-point inexact result)";
    case 0xC0000090: return " (floating-point invalid operation)";
    case 0xC0000091: return " (floating-point overflow)";
    case 0xC0000093: return " (floating-point underflow)";
    case 0xC00002B4: return " (floating-point exceptions, SSE)";
    case 0xC00002B5: return " (floating-point exceptions, SSE)";
    default: return "";
  }
}

ChildResult RunChild(const std::vector<std::string>& argv, double timeoutSeconds) {
  ChildResult r;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return r;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::string line;
  for (const std::string& a : argv) line += (line.empty() ? "" : " ") + Quote(a);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  // A crashing module must not open an error dialog that waits for a click.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    return r;
  }
  CloseHandle(writeEnd);
  r.started = true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  char buf[4096];
  for (;;) {
    DWORD avail = 0;
    if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
      DWORD got = 0;
      if (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) r.output.append(buf, got);
      continue;
    }
    if (WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) {
      DWORD got = 0;
      while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr) && avail > 0 &&
             ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) {
        r.output.append(buf, got);
      }
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      TerminateProcess(pi.hProcess, 1);
      WaitForSingleObject(pi.hProcess, INFINITE);
      r.timedOut = true;
      break;
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  r.exitCode = static_cast<int>(code);
  if (!r.timedOut && (code & 0xC0000000u) == 0xC0000000u) {
    r.crashed = true;
    char how[96];
    std::snprintf(how, sizeof how, "exception 0x%08lx%s", static_cast<unsigned long>(code), ExceptionName(code));
    r.how = how;
  }
  if (r.timedOut) r.how = "timed out after " + std::to_string(static_cast<int>(timeoutSeconds)) + " s";
  CloseHandle(readEnd);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return r;
}

std::string SelfPath(const char* argv0) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n > 0 ? std::string(path, n) : std::string(argv0);
}

#else

namespace {
// Asked first, so that a validator child can say which entry point hangs; then ended for sure.
void EndHungChild(pid_t pid, int& status) {
  kill(pid, SIGTERM);
  for (int waited = 0; waited < 1000; waited += 2) {
    if (waitpid(pid, &status, WNOHANG) == pid) return;
    usleep(2000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
}
}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, double timeoutSeconds) {
  ChildResult r;
  int fds[2];
  if (pipe(fds) != 0) return r;
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return r;
  }
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  r.started = true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  char buf[4096];
  for (;;) {
    const auto left = std::chrono::duration<double, std::milli>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      r.timedOut = true;
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left < 100 ? left + 1 : 100));
    if (ready > 0) {
      const ssize_t got = read(fds[0], buf, sizeof buf);
      if (got <= 0) break;  // the child closed its output: it is ending
      r.output.append(buf, static_cast<size_t>(got));
    }
  }
  close(fds[0]);
  int status = 0;
  if (!r.timedOut) {
    // The output is closed; give the child the rest of the time limit to end.
    for (;;) {
      if (waitpid(pid, &status, WNOHANG) == pid) break;
      if (std::chrono::steady_clock::now() > deadline) {
        r.timedOut = true;
        break;
      }
      usleep(2000);
    }
  }
  if (r.timedOut) EndHungChild(pid, status);
  if (r.timedOut) {
    r.how = "timed out after " + std::to_string(static_cast<int>(timeoutSeconds)) + " s";
  } else if (WIFSIGNALED(status)) {
    r.crashed = true;
    r.how = std::string("signal ") + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
  } else if (WIFEXITED(status)) {
    r.exitCode = WEXITSTATUS(status);
  }
  return r;
}

std::string SelfPath(const char* argv0) {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string(argv0);
}

#endif

}  // namespace usrhost
