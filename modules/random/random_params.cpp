// The declaration of Vek_Random: one row per parameter, in index order.
#include <cfloat>

#include "host/declarations.hpp"
#include "modules/random/random_module.hpp"
#include "noise/octave_sum.hpp"

namespace vek {
namespace {

using namespace table;

// Narrower than the widest range, which the noise core clamps into.
constexpr float kShapingMin = 2e-05f;
constexpr float kShapingMax = 0.99998f;
static_assert(kShapingMin >= kWidestShapingMin && kShapingMax <= kWidestShapingMax);

// clang-format off
constexpr ParamDecl kParams[] = {
  // index      kind                 caption         dir  min       max       default  format  choices  ends   w16 w60
  {kInput,      kParamNumber,        "Input",        In,  -FLT_MAX, FLT_MAX,  0,       "%.8f", nullptr, true,  NW, NW},
  {kRandomSeed, kParamNumber,        "Random Seed",  In,  -FLT_MAX, FLT_MAX,  42,      "%.0f", nullptr, false, NW, 2},
  {kScale,      kParamNumber,        "Scale",        In,  2e-08f,   FLT_MAX,  1,       "%.8f", nullptr, false, 0,  NW},
  {kOffset,     kParamNumber,        "Offset",       In,  -FLT_MAX, FLT_MAX,  0,       "%.8f", nullptr, false, 0,  NW},
  {kOctaves,    kParamBoundedNumber, "Octaves",      In,  0,        16,       1,       "%.5f", nullptr, true,  0,  NW},
  {kNoiseMin,   kParamBoundedNumber, "Noise Min",    In,  -2,       2,        -1,      "%.5f", nullptr, false, 0,  NW},
  {kNoiseMax,   kParamBoundedNumber, "Noise Max",    In,  -2,       2,        1,       "%.5f", nullptr, true,  0,  NW},
  {kFade,       kParamBoundedNumber, "Fade",         In,  0,        1,        0,       "%.5f", nullptr, false, 0,  NW},
  {kNoiseBias,  kParamBoundedNumber, "Noise Bias",   In,  kShapingMin, kShapingMax, 0.5f, "%.5f", nullptr, false, 0,  NW},
  {kNoiseGain,  kParamBoundedNumber, "Noise Gain",   In,  kShapingMin, kShapingMax, 0.5f, "%.5f", nullptr, true,  0,  NW},
  {kOutputMin,  kParamNumber,        "Output Min",   In,  -FLT_MAX, FLT_MAX,  0,       "%.5f", nullptr, false, 0,  NW},
  {kOutputMax,  kParamNumber,        "Output Max",   In,  -FLT_MAX, FLT_MAX,  1,       "%.5f", nullptr, true,  0,  NW},
  {kOutput,     kParamNumber,        "Output",       Out, -FLT_MAX, FLT_MAX,  0.5f,    "%.8f", nullptr, false, NW, NW},
};
// clang-format on
static_assert(RowsInIndexOrder(kParams));

}  // namespace

const ModuleDecl kRandomDecl = DeclareModule<kRandomParamCount>("Vek Random", PackColor(0.5, 0.5, 0.5), kParams);

}  // namespace vek
