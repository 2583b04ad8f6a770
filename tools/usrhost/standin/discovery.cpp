#include "tools/usrhost/standin/discovery.hpp"

#include <cstddef>
#include <cstring>

#include "tools/usrhost/standin/choices_text.hpp"

namespace usrhost {
namespace {

constexpr size_t kMaxText = 4096;

template <size_t N>
bool InField(size_t offset, const RecordField (&fields)[N]) {
  for (const RecordField& f : fields) {
    if (offset >= f.offset && offset < f.offset + f.size) return true;
  }
  return false;
}

template <size_t N>
std::vector<size_t> StrayBytes(const RecordImage& r, const RecordField (&fields)[N]) {
  std::vector<size_t> stray;
  for (size_t i = 0; i < kRecordBytes; ++i) {
    if (r.ByteTouched(i) && !InField(i, fields)) stray.push_back(i);
  }
  return stray;
}

// "byte 80, past ParamInfo.endsGroup": the byte, and the last field that ends at or before it.
template <size_t N>
std::string NameStrayByte(size_t byte, const RecordField (&fields)[N]) {
  const RecordField* before = nullptr;
  for (const RecordField& f : fields) {
    if (f.offset + f.size <= byte && (before == nullptr || f.offset > before->offset)) before = &f;
  }
  return "byte " + std::to_string(byte) + (before != nullptr ? std::string(", past ") + before->name : ", before every field");
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
  p.kind = r.Written(offsetof(ParamInfo, kind)) ? r.Int(offsetof(ParamInfo, kind)) : 0;
  p.caption = OptText(r, offsetof(ParamInfo, caption)).value_or("");
  p.isInput = OptInt(r, offsetof(ParamInfo, isInput)).value_or(0);
  p.hostWord12 = OptInt(r, offsetof(ParamInfo, hostWord12));
  p.hostWord16 = OptInt(r, offsetof(ParamInfo, hostWord16));
  p.minValue = OptFloat(r, offsetof(ParamInfo, minValue));
  p.maxValue = OptFloat(r, offsetof(ParamInfo, maxValue));
  p.defaultValue = OptFloat(r, offsetof(ParamInfo, defaultValue));
  p.format = OptText(r, offsetof(ParamInfo, format));
  p.choices = OptText(r, offsetof(ParamInfo, choices));
  p.isOutput = OptInt(r, offsetof(ParamInfo, isOutput)).value_or(0);
  p.hostWord60 = OptInt(r, offsetof(ParamInfo, hostWord60));
  p.endsGroup = OptInt(r, offsetof(ParamInfo, endsGroup)).value_or(0) == 1;
  p.strayBytes = StrayBytes(r, kParamInfoFields);
  return p;
}

ModuleDescription Describe(const PluginLibrary& library) {
  ModuleDescription m;
  Capture(m.image, [&](uint8_t* rec) { library.GetModuleInfo(reinterpret_cast<ModuleInfo*>(rec)); });
  const RecordImage& r = m.image;
  constexpr size_t kName = offsetof(ModuleInfo, name), kCaption = offsetof(ModuleInfo, caption);
  m.name = OptText(r, kName).value_or("");
  m.caption = OptText(r, kCaption).value_or("");
  m.captionIsName = r.Written(kName) && r.Written(kCaption) && r.Word(kName) == r.Word(kCaption);
  m.hostWord8 = OptInt(r, offsetof(ModuleInfo, hostWord8));
  m.color = OptInt(r, offsetof(ModuleInfo, color)).value_or(0);
  m.paramCount = OptInt(r, offsetof(ModuleInfo, paramCount)).value_or(0);
  m.hostWord28 = OptInt(r, offsetof(ModuleInfo, hostWord28));
  m.strayBytes = StrayBytes(r, kModuleInfoFields);
  const int32_t count = m.paramCount < 0 ? 0 : (m.paramCount > kMaxParams ? kMaxParams : m.paramCount);
  for (int32_t i = 0; i < count; ++i) m.params.push_back(DescribeParam(library, i));
  return m;
}

std::string ParamDescription::FirstStrayByte() const {
  return strayBytes.empty() ? std::string() : NameStrayByte(strayBytes.front(), kParamInfoFields);
}

std::string ModuleDescription::FirstStrayByte() const {
  return strayBytes.empty() ? std::string() : NameStrayByte(strayBytes.front(), kModuleInfoFields);
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

std::vector<std::string> ParamDescription::ChoiceNames() const {
  if (kind != kParamList || !choices) return {};
  return ParseChoices(*choices).value_or(std::vector<std::string>());
}

}  // namespace usrhost
