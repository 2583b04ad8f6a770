// Vek_Random through the loaded library: one input, one output per processing cycle.
#include <cmath>
#include <memory>
#include <utility>

#include "modules/random/random_module.hpp"
#include "modules/random_array/random_array_module.hpp"
#include "noise/reference_evaluation.hpp"
#include "plugin_fixture.hpp"

namespace vektest {
namespace {

using namespace vek;
// Shorter names for the module's own parameter indexes.
constexpr RandomParam kSeed = kRandomSeed, kBias = kNoiseBias, kGain = kNoiseGain, kOutMin = kOutputMin,
                      kOutMax = kOutputMax;

float OutputAt(usrhost::Instance& in, float input) {
  in.Set(kInput, input);
  in.Process();
  return in.value(kOutput);
}

// Octave 1 of a plain cell value v (a table entry) mapped through the default ranges.
float OneOctave(double entry) { return static_cast<float>((2.0 * (entry / 9973 - 0.5) + 1) / 2); }

TEST(RandomModule, DefaultSettingsGiveTheReferenceValues) {
  Started in(RandomLib());
  EXPECT_EQ(in->value(kOutput), 0.5f) << "\"Output\" is first set by the first cycle";
  for (float x : {0.0f, 0.5f}) {
    const float v = OutputAt(*in, x);
    EXPECT_NEAR(v, 0.874060, 5e-7);
    EXPECT_EQ(Bits(v), Bits(OneOctave(8717)));  // entry 5120 of the seed-42 table
  }
  EXPECT_NEAR(OutputAt(*in, 1.0f), 0.011230, 5e-7);
  EXPECT_NEAR(OutputAt(*in, 2.25f), 0.504362, 5e-7);
}

TEST(RandomModule, BasePositionIsInputPlusOffsetTimesScale) {
  Started a(RandomLib());
  a->Set(kOctaves, 2.5f);
  a->Set(kFade, 0.6f);
  Started b(RandomLib());
  b->Set(kOctaves, 2.5f);
  b->Set(kFade, 0.6f);
  b->Set(kOffset, 1.0f);
  b->Set(kScale, 0.5f);
  EXPECT_EQ(Bits(OutputAt(*b, 3.0f)), Bits(OutputAt(*a, 2.0f)));
}

TEST(RandomModule, ZeroOctavesGiveTheMiddleOfTheOutputRange) {
  Started in(RandomLib());
  in->Set(kOctaves, 0.0f);
  for (float x : {0.0f, 1.5f, -1e6f, 3e38f}) EXPECT_EQ(OutputAt(*in, x), 0.5f);
}

TEST(RandomModule, ReadsElevenValuesInOrderAndWritesOne) {
  Started in(RandomLib());
  in->set_tracing(true);
  in->Process();
  const int order[] = {kInput, kOctaves, kBias, kGain, kNoiseMin, kNoiseMax, kFade, kScale, kOffset, kOutMin, kOutMax};
  ASSERT_EQ(in->trace().size(), 12u);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(in->trace()[i].op, usrhost::ServiceCall::kGetValue);
    EXPECT_EQ(in->trace()[i].param, order[i]) << "read " << i;
  }
  EXPECT_EQ(in->trace()[11].op, usrhost::ServiceCall::kSetValue);
  EXPECT_EQ(in->trace()[11].param, kOutput);
}

TEST(RandomModule, TheTableFollowsTheSeedOnlyThroughItsMessage) {
  Started in(RandomLib());
  const float at42 = OutputAt(*in, 7.0f);
  in->Set(kSeed, 42.9f);  // the same 32-bit seed
  EXPECT_EQ(OutputAt(*in, 7.0f), at42);
  in->Set(kSeed, 7.0f, /*detail=*/1);  // ignored
  EXPECT_EQ(OutputAt(*in, 7.0f), at42);
  in->Notify(kScale);  // a message for another parameter does not reseed
  EXPECT_EQ(OutputAt(*in, 7.0f), at42);
  in->Notify(kSeed);
  EXPECT_NE(OutputAt(*in, 7.0f), at42);
  in->Set(kSeed, 42.0f);
  EXPECT_EQ(OutputAt(*in, 7.0f), at42);
}

TEST(RandomModule, AgreesWithTheArrayModuleAtOffsetZero) {
  Started random(RandomLib());
  Started array(ArrayLib());
  // The array module's defaults, given to the single-value module.
  random->Set(kScale, 0.1f);
  random->Set(kFade, 0.25f);
  array->Set(kArraySize, 64.0f);
  for (int u = 0; u < 64; ++u) {
    EXPECT_EQ(Bits(OutputAt(*random, static_cast<float>(u))), Bits(array->array(kFloatOut)[u])) << "element " << u;
  }
  // With an offset the two differ: the array adds it twice, after reducing it.
  random->Set(kOffset, 3.0f);
  array->Set(kArrayOffset, 3.0f);
  int same = 0;
  for (int u = 0; u < 64; ++u) same += OutputAt(*random, static_cast<float>(u)) == array->array(kFloatOut)[u];
  EXPECT_LT(same, 32);
}

// Each setting reaches the noise in its own place, positions far below zero included: "Output" is
// the reference evaluation of the values the module was given. The settings all differ, so a value
// read into another's place shows.
TEST(RandomModule, OutputIsTheReferenceEvaluationOfItsSettings) {
  Started in(RandomLib());
  in->Set(kSeed, 1234.0f);
  in->Set(kOctaves, 3.3f);
  in->Set(kFade, 0.7f);
  in->Set(kBias, 0.2f);
  in->Set(kGain, 0.85f);
  in->Set(kNoiseMin, -0.6f);
  in->Set(kNoiseMax, 0.9f);
  in->Set(kOutMin, -3.0f);
  in->Set(kOutMax, 7.0f);
  in->Set(kScale, 0.37f);
  auto table = std::make_unique<RandomTable>();
  BuildRandomTable(*table, 1234);
  const NoiseSettings s{3.3f, -0.6f, 0.9f, static_cast<double>(0.7f) * 0.5, 0.2f, 0.85f, -3.0f, 7.0f};
  NoiseSettings swapped = s;
  std::swap(swapped.bias, swapped.gain);
  int swapsSeen = 0;
  for (float offset : {0.0f, -2500.5f, -60000.25f}) {
    in->Set(kOffset, offset);
    for (float input : {1.5f, -5121.0f, -9999.3f, -25000.75f, -1e6f}) {
      const double x = (static_cast<double>(input) + offset) * static_cast<double>(0.37f);
      const float expected = static_cast<float>(ReferenceEvaluateNoise(*table, s, x));
      EXPECT_EQ(Bits(OutputAt(*in, input)), Bits(expected)) << "input " << input << " offset " << offset;
      swapsSeen += static_cast<float>(ReferenceEvaluateNoise(*table, swapped, x)) != expected;
    }
  }
  EXPECT_GT(swapsSeen, 10) << "bias and gain exchanged must give other values";
}

TEST(RandomModule, InstancesAreIndependent) {
  Started a(RandomLib());
  Started b(RandomLib());
  b->Set(kSeed, 1234.0f);
  const float a1 = OutputAt(*a, 0.3f);
  const float b1 = OutputAt(*b, 0.3f);
  EXPECT_NE(a1, b1);
  a->Set(kSeed, 99.0f);
  EXPECT_EQ(OutputAt(*b, 0.3f), b1);
  Started fresh(RandomLib());
  fresh->Set(kSeed, 1234.0f);
  EXPECT_EQ(OutputAt(*fresh, 0.3f), b1);
}

}  // namespace
}  // namespace vektest
