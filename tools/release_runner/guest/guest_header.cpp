// What the x86_64 side finds at the guest image's fixed address: where everything is.
#include "noise/random_table.hpp"
#include "tools/release_runner/guest/runtime.hpp"

namespace runner {

extern const GuestExport kGuestExports[];
extern const uint32_t kGuestExportCount;
extern uint8_t g_guestArrays[kArrayBuffers * kArrayStride];
extern vek::RandomTable g_plainTable;

namespace {
constexpr uint32_t kStackBytes = 1u << 20;
alignas(16) uint8_t g_stack[kStackBytes];
alignas(4096) uint8_t g_threadBlock[4096];
}  // namespace

}  // namespace runner

extern "C" void guest_entry();
extern "C" char guest_image_end[];

extern "C" __attribute__((section(".guest_header"), used)) const runner::GuestHeader kGuestHeader = {
    runner::kGuestMagic,
    reinterpret_cast<uint32_t>(&guest_entry),
    reinterpret_cast<uint32_t>(runner::kGuestExports),
    reinterpret_cast<uint32_t>(&runner::kGuestExportCount),
    reinterpret_cast<uint32_t>(&runner::g_guestShared),
    reinterpret_cast<uint32_t>(guest_image_end),
    reinterpret_cast<uint32_t>(runner::g_stack + runner::kStackBytes),
    reinterpret_cast<uint32_t>(runner::g_stack),
    reinterpret_cast<uint32_t>(runner::g_threadBlock),
    reinterpret_cast<uint32_t>(runner::g_guestArrays),
    reinterpret_cast<uint32_t>(&runner::g_plainTable),
};
