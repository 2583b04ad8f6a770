#pragma once
// Reads a module's declaration the way a host does: into host-owned records pre-filled with a
// marker, so that what the module wrote, and what it did not, can both be seen.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/usrhost/standin/plugin_library.hpp"

namespace usrhost {

// Records are larger than what modules may write, so writes past the end are caught too.
constexpr size_t kRecordBytes = 128;
constexpr uint8_t kMarkerA = 0xA5;
constexpr uint8_t kMarkerB = 0x5A;

// One call of GetModuleInfo/GetParamInfo, made twice with different markers.
struct RecordImage {
  uint8_t a[kRecordBytes];
  uint8_t b[kRecordBytes];
  // A 4-byte field counts as written when both calls left the same bytes there.
  bool Written(size_t offset) const;
  bool ByteTouched(size_t offset) const { return a[offset] != kMarkerA || b[offset] != kMarkerB; }
  int32_t Int(size_t offset) const;
  float Float(size_t offset) const;
  uint32_t Word(size_t offset) const;
};

struct ParamDescription {
  int32_t index = 0;
  int32_t kind = 0;
  std::string caption;
  int32_t isInput = 0;
  int32_t isOutput = 0;
  std::optional<float> minValue, maxValue, defaultValue;
  std::optional<std::string> format, choices;
  bool endsGroup = false;
  std::optional<int32_t> hostWord12, hostWord16, hostWord60;
  std::vector<size_t> strayBytes;  // touched bytes outside the fields a module may write
  RecordImage image;
  // The first stray byte and the field it follows ("byte 80, past ParamInfo.endsGroup"); empty
  // when there is none.
  std::string FirstStrayByte() const;

  bool IsNumeric() const { return kind == kParamNumber || kind == kParamBoundedNumber; }
  bool IsArray() const { return kind == kParamArray; }
  bool IsOutput() const { return isOutput == 1; }
  // An input that holds one value a host sets: not an output, a button or an array.
  bool IsSettableScalar() const { return !IsOutput() && kind != kParamButton && !IsArray(); }
  // The value a host starts the parameter at.
  float InitialValue() const { return defaultValue.value_or(0.0f); }
  // A List's entries, read from its choices text ("A","B"), in order; empty for other kinds and
  // for choices text that does not parse.
  std::vector<std::string> ChoiceNames() const;
};

struct ModuleDescription {
  std::string name, caption;
  bool captionIsName = false;
  int32_t color = 0;
  int32_t paramCount = 0;
  std::optional<int32_t> hostWord8, hostWord28;
  std::vector<size_t> strayBytes;
  RecordImage image;
  std::vector<ParamDescription> params;
  std::string FirstStrayByte() const;  // as for a parameter's record

  // Index of the parameter with this caption, or of this decimal index; -1 if none.
  int32_t Find(const std::string& captionOrIndex) const;
};

// Largest parameter count a description reads, so a broken module cannot make discovery unbounded.
constexpr int32_t kMaxParams = 1024;

ModuleDescription Describe(const PluginLibrary& library);
ParamDescription DescribeParam(const PluginLibrary& library, int32_t index);
const char* KindName(int32_t kind);
// Text behind a pointer from the module, read up to a bounded length.
std::string ModuleText(const void* text);

}  // namespace usrhost
