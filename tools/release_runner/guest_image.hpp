#pragma once
// The 32-bit guest, mapped at its fixed address: its shared record, its exports, and the far call
// that runs one command in it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/release_runner/compat_mode.hpp"
#include "tools/release_runner/guest/guest_abi.hpp"

namespace runner {

class GuestImage {
 public:
  // Maps the image and starts compatibility mode; false with the reason.
  bool Load(std::string& error);
  // After a failed Load: true when this machine runs no 32-bit code in a 64-bit process at all.
  bool cannotRunHere() const { return cannotRunHere_; }

  Shared& shared() const { return *shared_; }
  const GuestHeader& header() const { return *header_; }
  // The address of an export, or 0 when the guest provides none of that name (DLL names compare
  // without regard to case, as Windows does).
  uint32_t Find(const std::string& dll, const std::string& name) const;

  // Runs shared().command in the guest.
  void Run(const CallContext& context) const;
  // Seconds one command may take before it counts as a hang.
  static void SetTimeout(unsigned seconds);
  // What runs the modules, for reports: "Windows release DLL, on the CPU".
  static const char* Describe();

  template <typename T>
  static T* At(uint32_t address) {
    return reinterpret_cast<T*>(static_cast<uintptr_t>(address));
  }
  template <typename T>
  static uint32_t AddressOf(T* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
  }

 private:
  const GuestHeader* header_ = nullptr;
  Shared* shared_ = nullptr;
  bool cannotRunHere_ = false;
};

}  // namespace runner
