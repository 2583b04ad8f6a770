#pragma once
// Modules declare themselves as data: one ParamDecl row per parameter, copied into the host's
// records field by field.
#include <cstdint>

#include "host/abi.hpp"

namespace vek {

enum class Direction : uint8_t { Input, Output };

// Marks an optional host word that the row does not write.
constexpr int8_t kNotWritten = -1;

struct ParamDecl {
  ParamKind kind;
  const char* caption;
  Direction direction;
  // Written for Number, BoundedNumber and Array; List writes only the default; Button none of them.
  float minValue;
  float maxValue;
  float defaultValue;
  const char* format;   // nullptr: not written
  const char* choices;  // nullptr: not written
  bool endsGroup;       // written as 1 when set, else not written
  int8_t hostWord16;    // kNotWritten or the value
  int8_t hostWord60;    // kNotWritten or the value
};

struct ModuleDecl {
  const char* name;
  int32_t color;
  int32_t paramCount;
  const ParamDecl* params;
};

// Three components in 0..1, each times 255 truncated, packed first + 256 second + 65536 third.
constexpr int32_t PackColor(double first, double second, double third) {
  return static_cast<int32_t>(first * 255) + 256 * static_cast<int32_t>(second * 255) +
         65536 * static_cast<int32_t>(third * 255);
}

void FillModuleInfo(const ModuleDecl& module, ModuleInfo& info);
// Writes nothing when index, taken as unsigned, is beyond the last parameter.
void FillParamInfo(const ModuleDecl& module, int32_t index, ParamInfo& info);

extern const ModuleDecl kRandomArrayDecl;
extern const ModuleDecl kRandomDecl;

}  // namespace vek
