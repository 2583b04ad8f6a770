#pragma once
// Calls a plain C function with the stack deliberately misaligned, as a host that keeps only
// 4-byte alignment would.
#include <cstdint>

namespace usrhost {

// Calls fn(args[0], ..., args[count - 1]) (cdecl, 4-byte arguments) so that at the call the stack
// pointer sits `offset` bytes below a 16-byte boundary (offset 4, 8 or 12; 0 keeps it aligned).
// Returns what the function left in eax.
uint32_t CallWithStackOffset(const void* fn, const uint32_t* args, int count, int offset);

}  // namespace usrhost
