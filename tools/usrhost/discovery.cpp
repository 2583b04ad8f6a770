#include "tools/usrhost/discovery.hpp"

#include <cstring>

namespace usrhost {
namespace {

constexpr size_t kMaxText = 4096;

bool InField(size_t offset, std::initializer_list<size_t> fields) {
  for (size_t f : fields) {
    if (offset >= f && offset < f + 4) return true;
  }
  return false;
}

template <class Fill>
void Capture(RecordImage& image, Fill fill) {
  std::memset(image.a, kMarkerA, kRecordBytes);
  std::memset(image.b, kMarkerB, kRecordBytes);
  fill(image.a);
  fill(image.b);
}

std::optional<int32_t> OptInt(const RecordImage& r, size_t offset) {
  if (!r.Written(offset)) return std::nullopt;
  return r.Int(offset);
}
std::optional<float> OptFloat(const RecordImage& r, size_t offset) {
  if (!r.Written(offset)) return std::nullopt;
  return r.Float(offset);
}
std::optional<std::string> OptText(const RecordImage& r, size_t offset) {
  if (!r.Written(offset) || r.Word(offset) == 0) return std::nullopt;
  return ModuleText(reinterpret_cast<const void*>(static_cast<uintptr_t>(r.Word(offset))));
}

}  // namespace

bool RecordImage::Written(size_t offset) const { return std::memcmp(a + offset, b + offset, 4) == 0; }
int32_t RecordImage::Int(size_t offset) const {
  int32_t v;
  std::memcpy(&v, a + offset, 4);
  return v;
}
float RecordImage::Float(size_t offset) const {
  float v;
  std::memcpy(&v, a + offset, 4);
  return v;
}
uint32_t RecordImage::Word(size_t offset) const {
  uint32_t v;
  std::memcpy(&v, a + offset, 4);
  return v;
}

std::string ModuleText(const void* text) {
  if (text == nullptr) return {};
  const char* s = static_cast<const char*>(text);
  return std::string(s, strnlen(s, kMaxText));
}

const char* KindName(int32_t kind) {
  switch (kind) {
    case kParamNumber: return "Number";
    case kParamBoundedNumber: return "BoundedNumber";
    case kParamButton: return "Button";
    case kParamList: return "List";
    case kParamArray: return "Array";
    default: return "unknown";
  }
}

ParamDescription DescribeParam(const PluginLibrary& library, int32_t index) {
  ParamDescription p;
  p.index = index;
  Capture(p.image, [&](uint8_t* rec) { library.GetParamInfo(index, reinterpret_cast<ParamInfo*>(rec)); });
  const RecordImage& r = p.image;
  p.kind = r.Written(0) ? r.Int(0) : 0;
  p.caption = OptText(r, 4).value_or("");
  p.isInput = OptInt(r, 8).value_or(0);
  p.hostWord12 = OptInt(r, 12);
  p.hostWord16 = OptInt(r, 16);
  p.minValue = OptFloat(r, 28);
  p.maxValue = OptFloat(r, 32);
  p.defaultValue = OptFloat(r, 36);
  p.format = OptText(r, 44);
  p.choices = OptText(r, 48);
  p.isOutput = OptInt(r, 56).value_or(0);
  p.hostWord60 = OptInt(r, 60);
  p.endsGroup = OptInt(r, 72).value_or(0) == 1;
  for (size_t i = 0; i < kRecordBytes; ++i) {
    if (r.ByteTouched(i) && !InField(i, {0, 4, 8, 12, 16, 28, 32, 36, 44, 48, 56, 60, 72})) p.strayBytes.push_back(i);
  }
  return p;
}

ModuleDescription Describe(const PluginLibrary& library) {
  ModuleDescription m;
  Capture(m.image, [&](uint8_t* rec) { library.GetModuleInfo(reinterpret_cast<ModuleInfo*>(rec)); });
  const RecordImage& r = m.image;
  m.name = OptText(r, 0).value_or("");
  m.caption = OptText(r, 4).value_or("");
  m.captionIsName = r.Written(0) && r.Written(4) && r.Word(0) == r.Word(4);
  m.hostWord8 = OptInt(r, 8);
  m.color = OptInt(r, 12).value_or(0);
  m.paramCount = OptInt(r, 16).value_or(0);
  m.hostWord28 = OptInt(r, 28);
  for (size_t i = 0; i < kRecordBytes; ++i) {
    if (r.ByteTouched(i) && !InField(i, {0, 4, 8, 12, 16, 28})) m.strayBytes.push_back(i);
  }
  const int32_t count = m.paramCount < 0 ? 0 : (m.paramCount > kMaxParams ? kMaxParams : m.paramCount);
  for (int32_t i = 0; i < count; ++i) m.params.push_back(DescribeParam(library, i));
  return m;
}

int32_t ModuleDescription::Find(const std::string& key) const {
  for (const ParamDescription& p : params) {
    if (p.caption == key) return p.index;
  }
  if (!key.empty() && key.find_first_not_of("0123456789") == std::string::npos && key.size() < 6) {
    const int32_t index = std::stoi(key);
    if (index < static_cast<int32_t>(params.size())) return index;
  }
  return -1;
}

}  // namespace usrhost
