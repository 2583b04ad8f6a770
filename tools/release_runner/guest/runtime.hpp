#pragma once
// What the guest's parts share: the one Shared record, and the guest's way of stopping.
#include "tools/release_runner/guest/guest_abi.hpp"

namespace runner {

extern Shared g_guestShared;  // defined in guest.cpp
inline Shared& Guest() { return g_guestShared; }
[[noreturn]] void StopGuest(Stop why);

}  // namespace runner
