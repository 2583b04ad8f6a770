#include "tools/release_runner/pe_headers.hpp"

namespace runner {
namespace {

constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kOptionalMagic32 = 0x10B;
constexpr uint32_t kMaxImageSize = 256u << 20;

}  // namespace

bool DecodePeHeaders(const std::string& file, PeHeaders& out, std::string& error) {
  out = PeHeaders{};
  uint32_t peOffset = 0, signature = 0;
  uint16_t machine = 0, optionalSize = 0, magic = 0;
  if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z' || !ReadAt(file, 0x3C, peOffset) ||
      !ReadAt(file, peOffset, signature) || signature != kPeSignature) {
    error = "not a PE file";
    return false;
  }
  const size_t coff = size_t{peOffset} + 4, optional = coff + 20;
  ReadAt(file, coff, machine);
  ReadAt(file, coff + 2, out.sectionCount);
  ReadAt(file, coff + 16, optionalSize);
  ReadAt(file, coff + 18, out.characteristics);
  if (machine != kMachineI386 || !ReadAt(file, optional, magic) || magic != kOptionalMagic32) {
    error = "not a 32-bit x86 PE file";
    return false;
  }
  uint32_t directoryCount = 0;
  ReadAt(file, optional + 16, out.entryPoint);
  ReadAt(file, optional + 28, out.preferredBase);
  ReadAt(file, optional + 56, out.imageSize);
  ReadAt(file, optional + 60, out.headersSize);
  ReadAt(file, optional + 92, directoryCount);
  for (uint32_t d = 0; d < directoryCount && d < kPeDirectoryCount; ++d) {
    ReadAt(file, optional + 96 + d * 8, out.directories[d]);
  }
  if (out.imageSize == 0 || out.imageSize > kMaxImageSize || out.headersSize > out.imageSize ||
      out.headersSize > file.size()) {
    error = "image size out of range";
    return false;
  }
  out.sectionTable = optional + optionalSize;
  return true;
}

}  // namespace runner
