// The linux-x86 build of the driver: a Linux .usr file, opened as the host stand-in opens it.
#include <dlfcn.h>

#include "tools/release_runner/library_image.hpp"
#include "tools/usrhost/standin/stack_thunk.hpp"

namespace runner {

bool LibraryImage::Load(const GuestImage& guest, const std::string& path, std::string& error) {
  guest_ = &guest;
  const size_t slash = path.find_last_of('/');
  name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    error = path + ": cannot be loaded: " + dlerror();
    return false;
  }
  Dl_info info{};
  if (void* any = dlsym(handle_, "GetSDKVersion"); any != nullptr && dladdr(any, &info) != 0) {
    base_ = preferredBase_ = GuestImage::AddressOf(info.dli_fbase);
  }
  return true;
}

bool LibraryImage::Attach(std::string&) { return true; }
void LibraryImage::Detach() {}

uint32_t LibraryImage::Export(const std::string& name) const {
  return GuestImage::AddressOf(dlsym(handle_, name.c_str()));
}

uint32_t LibraryImage::Call(uint32_t function, std::initializer_list<uint32_t> args, const char*) const {
  return usrhost::CallWithStackOffset(GuestImage::At<const void>(function), args.begin(), static_cast<int>(args.size()), 0);
}

}  // namespace runner
