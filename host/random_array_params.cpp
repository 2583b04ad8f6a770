#include <cfloat>

#include "host/declarations.hpp"

namespace vek {
namespace {

constexpr Direction In = Direction::Input;
constexpr Direction Out = Direction::Output;
constexpr int8_t NW = kNotWritten;

// clang-format off
constexpr ParamDecl kParams[] = {
  // kind                 caption            dir  min       max      default  format   choices                                  ends   w16 w60
  {kParamList,          "Mode",            In,  0,        0,       0,       nullptr, "\"Automatic Update\",\"Update on Click\"", false, NW, NW},
  {kParamButton,        "Calculate Array", In,  0,        0,       0,       nullptr, nullptr, true,  NW, 0},
  {kParamNumber,        "Random Seed",     In,  -FLT_MAX, FLT_MAX, 42,      "%.0f",  nullptr, false, NW, 2},
  {kParamNumber,        "Scale",           In,  2e-08f,   FLT_MAX, 0.1f,    "%.8f",  nullptr, false, 0,  0},
  {kParamNumber,        "Offset",          In,  -FLT_MAX, FLT_MAX, 0,       "%.8f",  nullptr, false, 0,  0},
  {kParamBoundedNumber, "Octaves",         In,  0,        16,      1,       "%.5f",  nullptr, true,  0,  0},
  {kParamBoundedNumber, "Noise Min",       In,  -2,       2,       -1,      "%.5f",  nullptr, false, 0,  0},
  {kParamBoundedNumber, "Noise Max",       In,  -2,       2,       1,       "%.5f",  nullptr, true,  0,  0},
  {kParamBoundedNumber, "Fade",            In,  0,        1,       0.25f,   "%.5f",  nullptr, false, 0,  0},
  {kParamBoundedNumber, "Noise Bias",      In,  1e-05f,   0.99999f, 0.5f,   "%.5f",  nullptr, false, 0,  0},
  {kParamBoundedNumber, "Noise Gain",      In,  1e-05f,   0.99999f, 0.5f,   "%.5f",  nullptr, true,  0,  0},
  {kParamNumber,        "Output Min",      In,  -FLT_MAX, FLT_MAX, 0,       "%.5f",  nullptr, false, 0,  0},
  {kParamNumber,        "Output Max",      In,  -FLT_MAX, FLT_MAX, 1,       "%.5f",  nullptr, true,  0,  0},
  {kParamBoundedNumber, "Array Size",      In,  1,        2048,    16,      "%.0f",  nullptr, false, 0,  0},
  {kParamArray,         "Float Out",       Out, -FLT_MAX, FLT_MAX, 0,       nullptr, nullptr, false, NW, NW},
  {kParamArray,         "Integer Out",     Out, -FLT_MAX, FLT_MAX, 0,       "%.0f",  nullptr, false, NW, NW},
};
// clang-format on

}  // namespace

const ModuleDecl kRandomArrayDecl = {"Vek Random Array", PackColor(0.5, 0.5, 0.5), 16, kParams};
static_assert(sizeof(kParams) / sizeof(kParams[0]) == 16);

}  // namespace vek
