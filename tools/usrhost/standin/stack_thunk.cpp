#include "tools/usrhost/standin/stack_thunk.hpp"

namespace usrhost {

uint32_t CallWithStackOffset(const void* fn, const uint32_t* args, int count, int offset) {
#if defined(__i386__)
  // Padding so that after pushing the arguments the stack sits `offset` bytes below a boundary.
  uint32_t pad = static_cast<uint32_t>((16 - (count * 4) % 16) % 16 + offset) % 16;
  uint32_t result = reinterpret_cast<uintptr_t>(fn);
  uint32_t n = static_cast<uint32_t>(count);
  const uint32_t* a = args;
  asm volatile(
      "mov %%esp, %%edi\n\t"
      "and $-16, %%esp\n\t"
      "sub %%edx, %%esp\n\t"
      "1:\n\t"
      "test %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "dec %%ecx\n\t"
      "pushl (%%esi,%%ecx,4)\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%%eax\n\t"
      "mov %%edi, %%esp\n\t"
      : "+a"(result), "+c"(n), "+d"(pad), "+S"(a)
      :
      : "edi", "memory", "cc", "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7");
  return result;
#else
  (void)fn; (void)args; (void)count; (void)offset;
  return 0;
#endif
}

}  // namespace usrhost
