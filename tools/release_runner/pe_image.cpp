#include "tools/release_runner/library_image.hpp"

#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace runner {
namespace {

constexpr uint32_t kDllProcessAttach = 1, kDllProcessDetach = 0;

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool LibraryImage::Load(const GuestImage& guest, const std::string& path, std::string& error) {
  guest_ = &guest;
  name_ = BaseName(path);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read" +
            (path.find("windows-x86") != std::string::npos ? " (build the windows-x86 preset first: bash scripts/build.sh)" : "");
    return false;
  }
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!MapSections(file, error) || !Relocate(error) || !BindImports(error)) {
    error = path + ": " + error;
    return false;
  }
  ReadExports();
  SetUpTls();
  return true;
}

bool LibraryImage::MapSections(const std::string& file, std::string& error) {
  PeHeaders headers;
  if (!DecodePeHeaders(file, headers, error)) return false;
  entryPoint_ = headers.entryPoint;
  preferredBase_ = headers.preferredBase;
  size_ = headers.imageSize;
  std::memcpy(dirs_, headers.directories, sizeof dirs_);

  // The preferred base when it is free and below 4 GB; else anywhere below 4 GB, relocated.
  void* at = MAP_FAILED;
  if (static_cast<uint64_t>(preferredBase_) + size_ <= 0x100000000ull) {
    at = mmap(reinterpret_cast<void*>(static_cast<uintptr_t>(preferredBase_)), size_,
              PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  }
  if (at == MAP_FAILED) {
    if (headers.characteristics & kPeRelocsStripped) {
      error = "its image base is taken and it has no relocations";
      return false;
    }
    at = mmap(nullptr, size_, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  }
  if (at == MAP_FAILED) {
    error = std::string("cannot map it below 4 GB: ") + std::strerror(errno);
    return false;
  }
  base_ = GuestImage::AddressOf(at);
  auto* image = static_cast<uint8_t*>(at);
  std::memcpy(image, file.data(), headers.headersSize);
  for (uint16_t i = 0; i < headers.sectionCount; ++i) {
    uint32_t virtualSize = 0, rva = 0, rawSize = 0, rawOffset = 0;
    const size_t h = headers.sectionTable + i * kPeSectionHeaderSize;
    if (!ReadAt(file, h + 8, virtualSize) || !ReadAt(file, h + 12, rva) || !ReadAt(file, h + 16, rawSize) ||
        !ReadAt(file, h + 20, rawOffset)) {
      error = "section table cut short";
      return false;
    }
    const uint32_t copy = rawSize < virtualSize || virtualSize == 0 ? rawSize : virtualSize;
    if (rva > size_ || copy > size_ - rva || rawOffset > file.size() || copy > file.size() - rawOffset) {
      error = "section " + std::to_string(i) + " lies outside the image or the file";
      return false;
    }
    std::memcpy(image + rva, file.data() + rawOffset, copy);
  }
  return true;
}

bool LibraryImage::Relocate(std::string& error) {
  const uint32_t delta = base_ - preferredBase_;
  if (delta == 0) return true;
  const auto [rva, size] = std::pair(dirs_[kPeRelocations][0], dirs_[kPeRelocations][1]);
  if (size == 0) {
    error = "its image base is taken and it has no relocations";
    return false;
  }
  uint8_t* image = GuestImage::At<uint8_t>(base_);
  for (uint32_t at = rva; at + 8 <= rva + size;) {
    uint32_t page, blockSize;
    std::memcpy(&page, image + at, 4);
    std::memcpy(&blockSize, image + at + 4, 4);
    if (blockSize < 8 || at + blockSize > rva + size) break;
    for (uint32_t e = 8; e + 2 <= blockSize; e += 2) {
      uint16_t entry;
      std::memcpy(&entry, image + at + e, 2);
      const unsigned type = entry >> 12;
      const uint32_t where = page + (entry & 0xFFF);
      if (type == 0) continue;  // padding
      if (type != 3 || where + 4 > size_) {
        char at[16];
        std::snprintf(at, sizeof at, "0x%x", where);
        error = "relocation of type " + std::to_string(type) + " at " + at + " not supported";
        return false;
      }
      uint32_t word;
      std::memcpy(&word, image + where, 4);
      word += delta;
      std::memcpy(image + where, &word, 4);
    }
    at += blockSize;
  }
  return true;
}

bool LibraryImage::BindImports(std::string& error) {
  uint8_t* image = GuestImage::At<uint8_t>(base_);
  auto text = [&](uint32_t rva) { return rva < size_ ? std::string(reinterpret_cast<const char*>(image + rva), strnlen(reinterpret_cast<const char*>(image + rva), size_ - rva)) : std::string(); };
  for (uint32_t d = dirs_[kPeImports][0]; dirs_[kPeImports][1] != 0 && d + 20 <= size_; d += 20) {
    uint32_t lookup, nameRva, thunks;
    std::memcpy(&lookup, image + d, 4);
    std::memcpy(&nameRva, image + d + 12, 4);
    std::memcpy(&thunks, image + d + 16, 4);
    if (nameRva == 0 && thunks == 0) break;
    const std::string dll = text(nameRva);
    if (lookup == 0) lookup = thunks;
    for (uint32_t i = 0;; ++i) {
      uint32_t entry;
      if (lookup + i * 4 + 4 > size_ || thunks + i * 4 + 4 > size_) {
        error = "import table of " + dll + " runs past the image";
        return false;
      }
      std::memcpy(&entry, image + lookup + i * 4, 4);
      if (entry == 0) break;
      if (entry & 0x80000000u) {
        error = "imports " + dll + " ordinal " + std::to_string(entry & 0xFFFF) + ", which the runner does not provide";
        return false;
      }
      const std::string function = text(entry + 2);
      const uint32_t address = guest_->Find(dll, function);
      if (address == 0) {
        error = "imports " + dll + " " + function + ", which the runner does not provide";
        return false;
      }
      std::memcpy(image + thunks + i * 4, &address, 4);
    }
  }
  return true;
}

void LibraryImage::ReadExports() {
  const uint32_t rva = dirs_[kPeExports][0];
  if (dirs_[kPeExports][1] == 0 || rva + 40 > size_) return;
  const uint8_t* image = GuestImage::At<uint8_t>(base_);
  uint32_t count, functions, names, ordinals;
  std::memcpy(&count, image + rva + 24, 4);
  std::memcpy(&functions, image + rva + 28, 4);
  std::memcpy(&names, image + rva + 32, 4);
  std::memcpy(&ordinals, image + rva + 36, 4);
  for (uint32_t i = 0; i < count && names + i * 4 + 4 <= size_ && ordinals + i * 2 + 2 <= size_; ++i) {
    uint32_t nameRva, functionRva;
    uint16_t ordinal;
    std::memcpy(&nameRva, image + names + i * 4, 4);
    std::memcpy(&ordinal, image + ordinals + i * 2, 2);
    if (nameRva >= size_ || functions + ordinal * 4u + 4 > size_) continue;
    std::memcpy(&functionRva, image + functions + ordinal * 4u, 4);
    exports_[std::string(reinterpret_cast<const char*>(image + nameRva), strnlen(reinterpret_cast<const char*>(image + nameRva), size_ - nameRva))] = base_ + functionRva;
  }
}

// One thread, one module with TLS at a time: slot 0 of the thread block's TLS array.
void LibraryImage::SetUpTls() {
  const uint32_t rva = dirs_[kPeTls][0];
  if (dirs_[kPeTls][1] == 0 || rva + 24 > size_) return;
  uint32_t tls[6];
  std::memcpy(tls, GuestImage::At<uint8_t>(base_ + rva), sizeof tls);
  const uint32_t start = tls[0], end = tls[1], indexAt = tls[2], zeroFill = tls[4];
  if (indexAt != 0) *GuestImage::At<uint32_t>(indexAt) = 0;
  const uint32_t dataSize = end > start ? end - start : 0;
  auto* data = static_cast<uint8_t*>(mmap(nullptr, 4096 + dataSize + zeroFill, PROT_READ | PROT_WRITE,
                                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0));
  if (data == MAP_FAILED) return;
  auto* slots = reinterpret_cast<uint32_t*>(data);
  slots[0] = GuestImage::AddressOf(data + 4096);
  if (dataSize != 0) std::memcpy(data + 4096, GuestImage::At<uint8_t>(start), dataSize);
  GuestImage::At<uint32_t>(guest_->header().threadBlock)[0x2C / 4] = GuestImage::AddressOf(slots);
}

bool LibraryImage::Attach(std::string& error) {
  const uint32_t rva = dirs_[kPeTls][0];
  if (dirs_[kPeTls][1] != 0 && rva + 24 <= size_) {
    const uint32_t callbacks = GuestImage::At<uint32_t>(base_ + rva)[3];
    for (uint32_t* cb = callbacks ? GuestImage::At<uint32_t>(callbacks) : nullptr; cb != nullptr && *cb != 0; ++cb) {
      Call(*cb, {base_, kDllProcessAttach, 0}, "a TLS callback");
    }
  }
  if (entryPoint_ != 0 && Call(base_ + entryPoint_, {base_, kDllProcessAttach, 0}, "DllMain") == 0) {
    error = name_ + ": its entry point refused process attach";
    return false;
  }
  return true;
}

void LibraryImage::Detach() {
  if (entryPoint_ != 0) Call(base_ + entryPoint_, {base_, kDllProcessDetach, 0}, "DllMain");
}

uint32_t LibraryImage::Export(const std::string& name) const {
  const auto it = exports_.find(name);
  return it == exports_.end() ? 0 : it->second;
}

uint32_t LibraryImage::Call(uint32_t function, std::initializer_list<uint32_t> args, const char* what) const {
  CallRecord& c = guest_->shared().call;
  c.function = function;
  c.argCount = static_cast<uint32_t>(args.size());
  std::copy(args.begin(), args.end(), c.args);
  c.stackOffset = 0;
  c.hostEnvSet = 0;
  guest_->shared().command = kCommandCall;
  guest_->Run({name_.c_str(), base_, what, nullptr});
  return c.result;
}

}  // namespace runner
