// What Windows shows under Properties > Details: every release file carries the project's version.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tools/usrhost/version.hpp"

namespace vektest {
namespace {

std::string VersionString(const std::string& file, const char* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return "";
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) return "";
  char* value = nullptr;
  UINT length = 0;
  const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0) return "";
  return std::string(value);
}

TEST(VersionResource, ReleaseFilesCarryTheProjectVersion) {
  for (const std::string& file : {std::string(VEK_USRHOST), std::string(VEK_MODULE_DIR) + VEK_RANDOM_USR,
                                 std::string(VEK_MODULE_DIR) + VEK_RANDOM_ARRAY_USR}) {
    EXPECT_EQ(VersionString(file, "FileVersion"), usrhost::kVersion) << file;
    EXPECT_EQ(VersionString(file, "ProductVersion"), usrhost::kVersion) << file;
    EXPECT_EQ(VersionString(file, "ProductName"), "Vek Random") << file;
    EXPECT_FALSE(VersionString(file, "FileDescription").empty()) << file;
  }
}

}  // namespace
}  // namespace vektest
