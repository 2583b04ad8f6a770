// The declaration of Vek_Random_Array: one row per parameter, in index order.
#include <cfloat>

#include "host/declarations.hpp"
#include "modules/random_array/random_array_module.hpp"
#include "noise/octave_sum.hpp"

namespace vek {
namespace {

using namespace table;

// This module declares the widest shaping range: the one the noise core clamps into.
constexpr float kShapingMin = kWidestShapingMin;
constexpr float kShapingMax = kWidestShapingMax;

// clang-format off
constexpr ParamDecl kParams[] = {
  // index          kind                 caption            dir  min       max      default  format   choices                                  ends   w16 w60
  {kMode,           kParamList,          "Mode",            In,  0,        0,       0,       nullptr, "\"Automatic Update\",\"Update on Click\"", false, NW, NW},
  {kCalculateArray, kParamButton,        "Calculate Array", In,  0,        0,       0,       nullptr, nullptr, true,  NW, 0},
  {kArraySeed,      kParamNumber,        "Random Seed",     In,  -FLT_MAX, FLT_MAX, 42,      "%.0f",  nullptr, false, NW, 2},
  {kArrayScale,     kParamNumber,        "Scale",           In,  2e-08f,   FLT_MAX, 0.1f,    "%.8f",  nullptr, false, 0,  0},
  {kArrayOffset,    kParamNumber,        "Offset",          In,  -FLT_MAX, FLT_MAX, 0,       "%.8f",  nullptr, false, 0,  0},
  {kArrayOctaves,   kParamBoundedNumber, "Octaves",         In,  0,        16,      1,       "%.5f",  nullptr, true,  0,  0},
  {kArrayNoiseMin,  kParamBoundedNumber, "Noise Min",       In,  -2,       2,       -1,      "%.5f",  nullptr, false, 0,  0},
  {kArrayNoiseMax,  kParamBoundedNumber, "Noise Max",       In,  -2,       2,       1,       "%.5f",  nullptr, true,  0,  0},
  {kArrayFade,      kParamBoundedNumber, "Fade",            In,  0,        1,       0.25f,   "%.5f",  nullptr, false, 0,  0},
  {kArrayNoiseBias, kParamBoundedNumber, "Noise Bias",      In,  kShapingMin, kShapingMax, 0.5f,   "%.5f",  nullptr, false, 0,  0},
  {kArrayNoiseGain, kParamBoundedNumber, "Noise Gain",      In,  kShapingMin, kShapingMax, 0.5f,   "%.5f",  nullptr, true,  0,  0},
  {kArrayOutputMin, kParamNumber,        "Output Min",      In,  -FLT_MAX, FLT_MAX, 0,       "%.5f",  nullptr, false, 0,  0},
  {kArrayOutputMax, kParamNumber,        "Output Max",      In,  -FLT_MAX, FLT_MAX, 1,       "%.5f",  nullptr, true,  0,  0},
  {kArraySize,      kParamBoundedNumber, "Array Size",      In,  1,        kMaxArraySize, 16,      "%.0f",  nullptr, false, 0,  0},
  {kFloatOut,       kParamArray,         "Float Out",       Out, -FLT_MAX, FLT_MAX, 0,       nullptr, nullptr, false, NW, NW},
  {kIntegerOut,     kParamArray,         "Integer Out",     Out, -FLT_MAX, FLT_MAX, 0,       "%.0f",  nullptr, false, NW, NW},
};
// clang-format on
static_assert(RowsInIndexOrder(kParams));

}  // namespace

const ModuleDecl kRandomArrayDecl =
    DeclareModule<kRandomArrayParamCount>("Vek Random Array", PackColor(0.5, 0.5, 0.5), kParams);

}  // namespace vek
