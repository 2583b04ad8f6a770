#pragma once
// A module library in the guest's address space. In the x86_64 runner (pe_image.cpp): a 32-bit
// Windows DLL loaded into the low 4 GB as Windows loads it, sections at the image base (or
// elsewhere below 4 GB, with the base relocations applied), imports bound to the guest's exports,
// TLS set up, and its entry point called with "process attach". In the linux-x86 build of the
// same driver (dl_image.cpp): a Linux .usr file opened with dlopen.
#include <cstdint>
#include <map>
#include <string>

#include "tools/release_runner/guest_image.hpp"
#include "tools/release_runner/pe_headers.hpp"

namespace runner {

class LibraryImage {
 public:
  // Reads and maps `path`; false with "PATH: why" (an import the guest lacks is named).
  bool Load(const GuestImage& guest, const std::string& path, std::string& error);
  // Runs the TLS callbacks and the entry point for process attach; false when it returns FALSE.
  bool Attach(std::string& error);
  void Detach();

  uint32_t base() const { return base_; }
  uint32_t preferredBase() const { return preferredBase_; }
  const std::string& name() const { return name_; }
  // An export's address, or 0.
  uint32_t Export(const std::string& name) const;

  // Calls a function of the image (cdecl or stdcall, 4-byte arguments) in the guest.
  uint32_t Call(uint32_t function, std::initializer_list<uint32_t> args, const char* what) const;

 private:
  bool MapSections(const std::string& file, std::string& error);
  bool Relocate(std::string& error);
  bool BindImports(std::string& error);
  void ReadExports();
  void SetUpTls();

  const GuestImage* guest_ = nullptr;
  std::string name_;
  uint32_t base_ = 0, preferredBase_ = 0, size_ = 0, entryPoint_ = 0;
  uint32_t dirs_[kPeDirectoryCount][2] = {};
  std::map<std::string, uint32_t> exports_;
  void* handle_ = nullptr;
};

}  // namespace runner
