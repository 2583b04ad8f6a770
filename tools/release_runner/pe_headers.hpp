#pragma once
// The headers of a 32-bit x86 PE file, as the runner's loader and its --occupy-base read them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace runner {

enum PeDirectory { kPeExports = 0, kPeImports = 1, kPeRelocations = 5, kPeTls = 9 };
constexpr uint32_t kPeDirectoryCount = 16;
constexpr uint16_t kPeRelocsStripped = 0x0001;  // a COFF characteristic
constexpr size_t kPeSectionHeaderSize = 40;

struct PeHeaders {
  uint16_t characteristics = 0;
  uint32_t entryPoint = 0;  // relative to the image base; 0 when there is none
  uint32_t preferredBase = 0;
  uint32_t imageSize = 0;
  uint32_t headersSize = 0;
  uint32_t directories[kPeDirectoryCount][2] = {};  // address relative to the base, size
  size_t sectionTable = 0;                          // file offset of the first section header
  uint16_t sectionCount = 0;
};

// False with "not a PE file", "not a 32-bit x86 PE file" or "image size out of range".
bool DecodePeHeaders(const std::string& file, PeHeaders& out, std::string& error);

// The little-endian value at `offset`; false when the file ends before it.
template <typename T>
bool ReadAt(const std::string& file, size_t offset, T& out) {
  if (offset > file.size() || file.size() - offset < sizeof(T)) return false;
  std::memcpy(&out, file.data() + offset, sizeof(T));
  return true;
}

}  // namespace runner
