#include <cfloat>

#include "host/declarations.hpp"

namespace vek {
namespace {

constexpr Direction In = Direction::Input;
constexpr Direction Out = Direction::Output;
constexpr int8_t NW = kNotWritten;

// clang-format off
constexpr ParamDecl kParams[] = {
  // kind                 caption         dir  min       max       default  format  choices  ends   w16 w60
  {kParamNumber,        "Input",        In,  -FLT_MAX, FLT_MAX,  0,       "%.8f", nullptr, true,  NW, NW},
  {kParamNumber,        "Random Seed",  In,  -FLT_MAX, FLT_MAX,  42,      "%.0f", nullptr, false, NW, 2},
  {kParamNumber,        "Scale",        In,  2e-08f,   FLT_MAX,  1,       "%.8f", nullptr, false, 0,  NW},
  {kParamNumber,        "Offset",       In,  -FLT_MAX, FLT_MAX,  0,       "%.8f", nullptr, false, 0,  NW},
  {kParamBoundedNumber, "Octaves",      In,  0,        16,       1,       "%.5f", nullptr, true,  0,  NW},
  {kParamBoundedNumber, "Noise Min",    In,  -2,       2,        -1,      "%.5f", nullptr, false, 0,  NW},
  {kParamBoundedNumber, "Noise Max",    In,  -2,       2,        1,       "%.5f", nullptr, true,  0,  NW},
  {kParamBoundedNumber, "Fade",         In,  0,        1,        0,       "%.5f", nullptr, false, 0,  NW},
  {kParamBoundedNumber, "Noise Bias",   In,  2e-05f,   0.99998f, 0.5f,    "%.5f", nullptr, false, 0,  NW},
  {kParamBoundedNumber, "Noise Gain",   In,  2e-05f,   0.99998f, 0.5f,    "%.5f", nullptr, true,  0,  NW},
  {kParamNumber,        "Output Min",   In,  -FLT_MAX, FLT_MAX,  0,       "%.5f", nullptr, false, 0,  NW},
  {kParamNumber,        "Output Max",   In,  -FLT_MAX, FLT_MAX,  1,       "%.5f", nullptr, true,  0,  NW},
  {kParamNumber,        "Output",       Out, -FLT_MAX, FLT_MAX,  0.5f,    "%.8f", nullptr, false, NW, NW},
};
// clang-format on

}  // namespace

const ModuleDecl kRandomDecl = {"Vek Random", PackColor(0.5, 0.5, 0.5), 13, kParams};
static_assert(sizeof(kParams) / sizeof(kParams[0]) == 13);

}  // namespace vek
