#pragma once
// Modules declare themselves as data: one ParamDecl row per parameter, copied into the host's
// records field by field. Each module keeps its table next to its code.
#include <cstddef>
#include <cstdint>

#include "host/abi.hpp"

namespace vek {

enum class Direction : uint8_t { Input, Output };

// Marks an optional host word that the row does not write.
constexpr int8_t kNotWritten = -1;

struct ParamDecl {
  int32_t index;  // the module's enum value for this row; rows are in index order
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

// Shorthands that keep a table's rows to one line each.
namespace table {
constexpr Direction In = Direction::Input;
constexpr Direction Out = Direction::Output;
constexpr int8_t NW = kNotWritten;
}  // namespace table

struct ModuleDecl {
  const char* name;
  int32_t color;
  int32_t paramCount;
  const ParamDecl* params;
};

// Row i declares parameter i.
template <size_t N>
constexpr bool RowsInIndexOrder(const ParamDecl (&params)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (params[i].index != static_cast<int32_t>(i)) return false;
  }
  return true;
}

// A module's declaration from its table: the parameter count is the table's size, which must be
// the count of the module's parameter enum.
template <int32_t Count, size_t N>
constexpr ModuleDecl DeclareModule(const char* name, int32_t color, const ParamDecl (&params)[N]) {
  static_assert(N == static_cast<size_t>(Count), "one row per parameter of the module's enum");
  return {name, color, Count, params};
}

// Three components in 0..1, each times 255 truncated, packed first + 256 second + 65536 third.
constexpr int32_t PackColor(double first, double second, double third) {
  return static_cast<int32_t>(first * 255) + 256 * static_cast<int32_t>(second * 255) +
         65536 * static_cast<int32_t>(third * 255);
}

void FillModuleInfo(const ModuleDecl& module, ModuleInfo& info);
// Writes nothing when index, taken as unsigned, is beyond the last parameter.
void FillParamInfo(const ModuleDecl& module, int32_t index, ParamInfo& info);

}  // namespace vek
