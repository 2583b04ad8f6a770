#include "tools/release_runner/guest_image.hpp"

#include <strings.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstring>

extern "C" const uint8_t guest_image_start[], guest_image_end[];

namespace runner {
namespace {

Shared* g_shared = nullptr;

const char* DescribeStop() {
  if (g_shared == nullptr) return nullptr;
  switch (g_shared->stop) {
    case kStopAbort: return "called abort()";
    case kStopAmsgExit: return "called _amsg_exit() (its C runtime start-up failed)";
    default: return nullptr;
  }
}

}  // namespace

bool GuestImage::Load(std::string& error) {
  const size_t fileSize = static_cast<size_t>(guest_image_end - guest_image_start);
  const auto* fileHeader = reinterpret_cast<const GuestHeader*>(guest_image_start);
  if (fileSize < sizeof(GuestHeader) || fileHeader->magic != kGuestMagic) {
    error = "the embedded guest image is damaged";
    return false;
  }
  const size_t size = fileHeader->imageEnd - kGuestBase;
  void* at = mmap(reinterpret_cast<void*>(static_cast<uintptr_t>(kGuestBase)), size,
                  PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  if (at == MAP_FAILED || at != reinterpret_cast<void*>(static_cast<uintptr_t>(kGuestBase))) {
    error = std::string("cannot map the guest image at 0x20000000: ") + std::strerror(errno);
    return false;
  }
  std::memcpy(at, guest_image_start, fileSize);
  header_ = static_cast<const GuestHeader*>(at);
  shared_ = At<Shared>(header_->shared);
  g_shared = shared_;
  // The module's thread block: exception list end, stack bounds, and its own address at 0x18.
  auto* block = At<uint32_t>(header_->threadBlock);
  block[0] = 0xFFFFFFFF;
  block[1] = header_->stackTop;
  block[2] = header_->stackBottom;
  block[0x18 / 4] = header_->threadBlock;
  block[0x24 / 4] = 1;  // a thread id
  CompatMode::SetStopReader(&DescribeStop);
  if (CompatMode::Start(header_->threadBlock, error)) return true;
  cannotRunHere_ = CompatMode::Unavailable();
  return false;
}

uint32_t GuestImage::Find(const std::string& dll, const std::string& name) const {
  const auto* exports = At<const GuestExport>(header_->exports);
  const uint32_t count = *At<const uint32_t>(header_->exportCountAddress);
  for (uint32_t i = 0; i < count; ++i) {
    if (strcasecmp(At<const char>(exports[i].dll), dll.c_str()) == 0 && name == At<const char>(exports[i].name)) {
      return exports[i].address;
    }
  }
  return 0;
}

void GuestImage::SetTimeout(unsigned seconds) { CompatMode::SetTimeout(seconds); }
const char* GuestImage::Describe() { return "Windows release DLL, on the CPU"; }
void GuestImage::Run(const CallContext& context) const {
  shared_->stop = kNotStopped;
  CompatMode::FarCall(header_->entry, header_->stackTop, AddressOf(shared_), context);
}

}  // namespace runner
