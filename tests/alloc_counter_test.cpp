// The stand-in's allocation counter, which the validator's no-allocation check relies on.
#include <cerrno>
#include <cstdlib>
#include <new>
#if defined(__linux__)
#include <malloc.h>
#endif

#include <gtest/gtest.h>

#include "tools/usrhost/standin/alloc_counter.hpp"

namespace vektest {
namespace {

#if defined(__linux__)
// Every way a module may reach the allocator counts, the aligned ones included. (Linux only, where
// the counter exists.)
TEST(AllocationCounter, CountsEveryWayToAllocate) {
  if (!usrhost::AllocationCountingAvailable()) GTEST_SKIP() << "no allocation counting in this build";
  void* p[8] = {};
  usrhost::StartCountingAllocations();
  p[0] = std::malloc(24);
  p[1] = std::calloc(3, 8);
  p[2] = std::realloc(nullptr, 40);
  p[3] = memalign(64, 64);
  p[4] = aligned_alloc(64, 128);
  const int failed = posix_memalign(&p[5], 64, 64);
  p[6] = ::operator new(64, std::align_val_t(64));
  p[7] = ::operator new[](64, std::align_val_t(128));
  const size_t counted = usrhost::StopCountingAllocations();
  asm volatile("" : : "r"(p) : "memory");  // the allocations are used, so none may be left out
  EXPECT_EQ(counted, 8u);
  EXPECT_EQ(failed, 0);
  for (int i = 0; i < 6; ++i) std::free(p[i]);
  ::operator delete(p[6], std::align_val_t(64));
  ::operator delete[](p[7], std::align_val_t(128));
  EXPECT_EQ(posix_memalign(&p[0], 3, 64), EINVAL) << "a bad alignment is refused as the C library refuses it";
}
#endif

}  // namespace
}  // namespace vektest
