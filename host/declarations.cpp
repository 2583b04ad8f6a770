#include "host/declarations.hpp"

namespace vek {

void FillModuleInfo(const ModuleDecl& module, ModuleInfo& info) {
  info.name = module.name;
  info.caption = module.name;
  info.hostWord8 = 0;
  info.color = module.color;
  info.paramCount = module.paramCount;
  info.hostWord28 = 0;
}

void FillParamInfo(const ModuleDecl& module, int32_t index, ParamInfo& info) {
  if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(module.paramCount)) return;
  const ParamDecl& p = module.params[index];
  info.kind = p.kind;
  info.caption = p.caption;
  info.isInput = p.direction == Direction::Input ? 1 : 0;
  info.hostWord12 = 1;
  if (p.hostWord16 != kNotWritten) info.hostWord16 = p.hostWord16;
  const bool hasRange = p.kind == kParamNumber || p.kind == kParamBoundedNumber || p.kind == kParamArray;
  if (hasRange) {
    info.minValue = p.minValue;
    info.maxValue = p.maxValue;
  }
  if (hasRange || p.kind == kParamList) info.defaultValue = p.defaultValue;
  if (p.format != nullptr) info.format = p.format;
  if (p.choices != nullptr) info.choices = p.choices;
  info.isOutput = p.direction == Direction::Output ? 1 : 0;
  if (p.hostWord60 != kNotWritten) info.hostWord60 = p.hostWord60;
  if (p.endsGroup) info.endsGroup = 1;
}

}  // namespace vek
