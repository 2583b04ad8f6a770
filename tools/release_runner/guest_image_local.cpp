// The linux-x86 build of the driver: the guest's code is linked into this i686 program, so a
// command is a plain call and the modules' imports are the C library's.

#include "noise/random_table.hpp"
#include "tools/release_runner/guest_image.hpp"

extern "C" void GuestDispatch(runner::Shared* shared);

namespace runner {

extern Shared g_guestShared;
extern uint8_t g_guestArrays[kArrayBuffers * kArrayStride];
extern vek::RandomTable g_plainTable;

namespace {
GuestHeader g_header;
}

bool GuestImage::Load(std::string&) {
  g_header = {};
  g_header.magic = kGuestMagic;
  g_header.shared = AddressOf(&g_guestShared);
  g_header.arrays = AddressOf(&g_guestArrays[0]);
  g_header.plainTable = AddressOf(&g_plainTable);
  header_ = &g_header;
  shared_ = &g_guestShared;
  return true;
}

uint32_t GuestImage::Find(const std::string&, const std::string&) const { return 0; }
void GuestImage::Run(const CallContext&) const { GuestDispatch(shared_); }
void GuestImage::SetTimeout(unsigned) {}
const char* GuestImage::Describe() { return "Linux .usr, linux-x86 native"; }

}  // namespace runner
