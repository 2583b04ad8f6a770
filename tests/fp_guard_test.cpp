// The guard that gives each computing entry point its own floating-point environment, exercised
// directly: on the native build this runs on the real CPU, where unmasked exceptions trap and
// flush-to-zero flushes, so it proves what an emulator cannot.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "host/fp_environment.hpp"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

// The cases raise floating-point exceptions on purpose, which the sanitizer builds reject as
// undefined behaviour; the plain builds run them.
#if !defined(VEK_SANITIZE)

namespace vektest {
namespace {

struct Env {
  uint16_t control;
  uint16_t status;  // flag bits only
  uint32_t mxcsr;
  bool operator==(const Env& o) const { return control == o.control && status == o.status && mxcsr == o.mxcsr; }
};

Env Read() {
  Env e;
  asm volatile("fnstcw %0" : "=m"(e.control) : : "memory");
  asm volatile("fnstsw %0" : "=m"(e.status) : : "memory");
  asm volatile("stmxcsr %0" : "=m"(e.mxcsr) : : "memory");
  e.status &= vek::kX87StatusFlags;
  return e;
}

void Load(const Env& e) {
  vek::X87Environment env;
  asm volatile("fnclex\n\tfnstenv %0" : "=m"(env) : : "memory");
  env = vek::WithControlAndFlags(env, e.control, e.status);
  asm volatile("fldenv %0" : : "m"(env) : "memory");
  asm volatile("ldmxcsr %0" : : "m"(e.mxcsr) : "memory");
}

#if !defined(_WIN32)
// What an entry point might do on hostile input: every SSE exception, and an x87 invalid
// operation (the square root of -1) left in the x87 status word.
double Hostile(volatile double x) {
  volatile double zero = 0.0, huge = 1e308, tiny = 1e-310;
  volatile double r = zero / zero + x / zero + huge * huge + tiny * 0.5 + (x < zero ? 1.0 : 0.0);
  volatile double minusOne = -1.0;
  double root;
  asm volatile("fldl %1\n\tfsqrt\n\tfstpl %0" : "=m"(root) : "m"(minusOne) : "memory");
  return r + root;
}
#endif

// Results go through volatile memory so that the compiler keeps the arithmetic inside the guard.
double GuardedThird(volatile double x) {
  const vek::FpEnvironmentGuard guard;
  volatile double r = x / 3.0;
  return r;
}

double GuardedTinyProduct(volatile double x) {
  const vek::FpEnvironmentGuard guard;
  volatile double r = x * 1.0;
  return r;
}

const Env kHostEnvironments[] = {
    {0x037F, 0x0000, 0x1F80},  // the Linux default
    {0x027F, 0x0000, 0x1F80},  // the Windows default
    {0x1332, 0x0000, 0x1900},  // invalid, divide-by-zero and overflow unmasked
    {0x037F, 0x0000, 0x9FC0},  // flush-to-zero and denormals-are-zero
    {0x077F, 0x0000, 0x3F80},  // round down
    {0x0B7F, 0x0000, 0x5F80},  // round up
    {0x0F7F, 0x0000, 0x7F80},  // round toward zero
    {0x007F, 0x0000, 0x1F80},  // x87 single precision
    {0x037F, 0x003F, 0x1FBF},  // every flag already raised
    {0x0C7F, 0x0021, 0xFFE1},  // odd mixture, some flags raised
};

#if !defined(_WIN32)
// Runs `body` in a child process so that a trap ends the child, not the test.
template <typename Body>
::testing::AssertionResult InChild(Body body) {
  const pid_t child = fork();
  if (child == 0) _exit(body() ? 0 : 1);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) return ::testing::AssertionFailure() << "ended by signal " << WTERMSIG(status);
  if (WEXITSTATUS(status) != 0) return ::testing::AssertionFailure() << "environment not restored";
  return ::testing::AssertionSuccess();
}

// The trap cases run in child processes (fork), so this one is for Linux and the native build.
TEST(FpEnvironmentGuard, NothingTrapsInsideAndTheHostsEnvironmentComesBackExactly) {
  for (const Env& host : kHostEnvironments) {
    EXPECT_TRUE(InChild([host] {
      Load(host);
      const Env loaded = Read();  // as the CPU keeps it: reserved control bits read as set
      {
        const vek::FpEnvironmentGuard guard;
        Hostile(std::nan(""));
        Hostile(-INFINITY);
      }
      const Env after = Read();
      // The host's next x87 instruction that waits must not find a pending exception.
      asm volatile("fwait");
      Load(Env{0x037F, 0, 0x1F80});
      return after == loaded;
    })) << std::hex << "host x87 0x" << host.control << " status 0x" << host.status << " MXCSR 0x" << host.mxcsr;
  }
}
#endif

TEST(FpEnvironmentGuard, ComputesWithNearestRoundingAndWithoutFlushing) {
  const Env own = Read();
  const double nearest = 1.0 / 3.0;
  for (const Env& host : kHostEnvironments) {
    if ((host.mxcsr & vek::kMxcsrMasks) != vek::kMxcsrMasks) continue;  // the trap cases run in the test above
    Load(host);
    const Env loaded = Read();
    const double third = GuardedThird(1.0);
    const double tiny = GuardedTinyProduct(1e-310);
    const Env after = Read();
    Load(own);
    EXPECT_EQ(third, nearest) << std::hex << "MXCSR 0x" << host.mxcsr;
    EXPECT_EQ(tiny, 1e-310) << std::hex << "MXCSR 0x" << host.mxcsr;
    EXPECT_TRUE(after == loaded) << std::hex << "MXCSR 0x" << host.mxcsr << " came back as 0x" << after.mxcsr;
  }
}

}  // namespace
}  // namespace vektest

#endif  // !VEK_SANITIZE
