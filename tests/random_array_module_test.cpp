// Vek_Random_Array through the loaded library: the two modes, pending changes and the array fill.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <memory>
#include <utility>
#include <vector>

#include "modules/random_array/integer_out.hpp"
#include "modules/random_array/random_array_module.hpp"
#include "noise/plain_evaluation.hpp"
#include "noise/reference_evaluation.hpp"
#include "plugin_fixture.hpp"

namespace vektest {
namespace {

using namespace vek;
// Shorter names for the module's own parameter indexes.
constexpr RandomArrayParam kCalculate = kCalculateArray, kSeed = kArraySeed, kScale = kArrayScale,
                           kOffset = kArrayOffset, kOctaves = kArrayOctaves, kNoiseMin = kArrayNoiseMin,
                           kNoiseMax = kArrayNoiseMax, kFade = kArrayFade, kBias = kArrayNoiseBias,
                           kGain = kArrayNoiseGain, kOutMin = kArrayOutputMin, kOutMax = kArrayOutputMax,
                           kSize = kArraySize;

std::vector<float> Floats(usrhost::Instance& in) { return in.array(kFloatOut); }
std::vector<float> Integers(usrhost::Instance& in) { return in.array(kIntegerOut); }

TEST(RandomArrayModule, DefaultSettingsGiveTheReferenceValues) {
  Started in(ArrayLib());
  EXPECT_EQ(Floats(*in), std::vector<float>(16, 0.0f)) << "sized by InitModule, filled by the first message";
  in->Notify(kCalculate);
  const std::vector<float> f = Floats(*in);
  ASSERT_EQ(f.size(), 16u);
  EXPECT_NEAR(f[0], 0.445252, 5e-7);
  EXPECT_NEAR(f[1], 0.788298, 5e-7);
  for (int i = 2; i <= 8; ++i) {
    EXPECT_NEAR(f[i], 0.874060, 5e-7) << i;
    EXPECT_EQ(Bits(f[i]), Bits(static_cast<float>((2.0 * (8717 / 9973.0 - 0.5) + 1) / 2))) << i;
  }
  EXPECT_NEAR(f[9], 0.787777, 5e-7);
  EXPECT_NEAR(f[10], 0.442645, 5e-7);
  EXPECT_NEAR(f[11], 0.097513, 5e-7);
  for (int i = 12; i <= 15; ++i) EXPECT_NEAR(f[i], 0.011230, 5e-7) << i;
  std::vector<float> ints(16, 0.0f);
  for (int i = 1; i <= 9; ++i) ints[i] = 1.0f;
  EXPECT_EQ(Integers(*in), ints);
}

TEST(RandomArrayModule, WritesEachElementFloatThenIntegerAfterReadingInOrder) {
  Started in(ArrayLib());
  in->set_tracing(true);
  in->Notify(kOctaves);
  const auto& t = in->trace();
  const int reads[] = {kMode, kSeed, kOffset, kScale, kOctaves, kNoiseMin, kNoiseMax, kFade, kBias, kGain, kOutMin, kOutMax, kSize};
  ASSERT_EQ(t.size(), 13u + 32u);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(t[i].param, reads[i]) << "read " << i;
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(t[13 + 2 * i].param, kFloatOut);
    EXPECT_EQ(t[13 + 2 * i].index, i);
    EXPECT_EQ(t[14 + 2 * i].param, kIntegerOut);
    EXPECT_EQ(t[14 + 2 * i].index, i);
  }
}

TEST(RandomArrayModule, EveryMessageRecomputesInAutomaticUpdate) {
  Started in(ArrayLib());
  in->set_tracing(true);
  for (int p = 0; p < kRandomArrayParamCount; ++p) {
    in->trace().clear();
    in->Notify(p);
    int writes = 0;
    for (const auto& c : in->trace()) writes += c.op == usrhost::ServiceCall::kSetArrayElement;
    EXPECT_EQ(writes, 32) << "message for parameter " << p;
  }
}

TEST(RandomArrayModule, MessagesWithDetailOrUnknownIndexChangeNothing) {
  Started in(ArrayLib());
  in->Notify(kCalculate);
  in->set_tracing(true);
  for (int mode : {0, 1}) {
    in->Set(kMode, static_cast<float>(mode), 1);
    for (int p = 0; p < kRandomArrayParamCount; ++p) in->Notify(p, 1);
    for (int32_t p : {int32_t{kRandomArrayParamCount}, kRandomArrayParamCount + 1, -1, 1000, INT32_MIN}) in->Notify(p);
  }
  for (const auto& c : in->trace()) EXPECT_EQ(c.op, usrhost::ServiceCall::kGetValue);
  // A seed change carried by a message with detail 1 is not applied by later computations.
  in->Set(kMode, 0.0f, 1);
  const std::vector<float> before = Floats(*in);
  in->Set(kSeed, 7.0f, 1);
  in->Notify(kOctaves);
  EXPECT_EQ(Floats(*in), before);
}

TEST(RandomArrayModule, UpdateOnClickWaitsForThePress) {
  Started in(ArrayLib());
  in->Notify(kCalculate);
  in->Set(kMode, 1.0f);
  const std::vector<float> f = Floats(*in), n = Integers(*in);
  in->Set(kSeed, 7.0f);
  in->Set(kSize, 40.0f);
  in->Set(kOctaves, 5.5f);
  EXPECT_EQ(Floats(*in), f);
  EXPECT_EQ(Integers(*in), n);
  in->Notify(kCalculate);
  EXPECT_EQ(Floats(*in).size(), 40u);
  EXPECT_EQ(Integers(*in).size(), 40u);

  Started fresh(ArrayLib());
  fresh->Set(kSeed, 7.0f);
  fresh->Set(kOctaves, 5.5f);
  fresh->Set(kSize, 40.0f);
  EXPECT_EQ(Floats(*in), Floats(*fresh));
  EXPECT_EQ(Integers(*in), Integers(*fresh));
}

TEST(RandomArrayModule, SwitchingBackToAutomaticAppliesWhatIsPending) {
  Started in(ArrayLib());
  in->Set(kMode, 1.0f);
  in->Set(kSeed, 7.0f);
  in->Set(kSize, 24.0f);
  in->Set(kMode, 0.0f);
  Started fresh(ArrayLib());
  fresh->Set(kSeed, 7.0f);
  fresh->Set(kSize, 24.0f);
  EXPECT_EQ(Floats(*in).size(), 24u);
  EXPECT_EQ(Floats(*in), Floats(*fresh));
}

// What one message with detail 0 does to the arrays: element writes and length changes.
struct MessageEffect {
  int writes = 0;
  std::vector<int32_t> lengths;  // each SetArrayLength's length, in order
};
MessageEffect EffectOf(usrhost::Instance& in, int32_t param, float value) {
  in.trace().clear();
  in.Set(param, value);
  MessageEffect e;
  for (const auto& c : in.trace()) {
    if (c.op == usrhost::ServiceCall::kSetArrayElement) ++e.writes;
    if (c.op == usrhost::ServiceCall::kSetArrayLength) e.lengths.push_back(c.index);
  }
  return e;
}

// "Mode" is read truncated toward zero (NaN as 0). Only 1 holds the seed and the size back; any
// value but 0 leaves the fill to the button. So 2 and -1 apply seed and size at once, fill on click.
TEST(RandomArrayModule, ModesOtherThanZeroAndOneApplySeedAndSizeButFillOnClick) {
  for (float mode : {2.0f, -1.0f, 7.0f, -2.5f}) {
    Started in(ArrayLib());
    in->Notify(kCalculate);
    in->Set(kMode, mode);
    in->set_tracing(true);
    const std::vector<float> before = Floats(*in);
    EXPECT_EQ(EffectOf(*in, kOctaves, 5.5f).writes, 0) << "mode " << mode;
    EXPECT_EQ(EffectOf(*in, kSeed, 7.0f).writes, 0) << "mode " << mode;
    // The size at once, as in automatic update: both arrays, without filling them.
    const MessageEffect size = EffectOf(*in, kSize, 40.0f);
    EXPECT_EQ(size.writes, 0) << "mode " << mode;
    EXPECT_EQ(size.lengths, (std::vector<int32_t>{40, 40})) << "mode " << mode;
    const std::vector<float> resized = Floats(*in);
    ASSERT_EQ(resized.size(), 40u);
    EXPECT_EQ(std::vector<float>(resized.begin(), resized.begin() + 16), before) << "mode " << mode;
    // The press fills with every setting, the seed included; nothing is resized again.
    in->trace().clear();
    in->Notify(kCalculate);
    int writes = 0;
    for (const auto& c : in->trace()) {
      EXPECT_NE(c.op, usrhost::ServiceCall::kSetArrayLength) << "mode " << mode;
      writes += c.op == usrhost::ServiceCall::kSetArrayElement;
    }
    EXPECT_EQ(writes, 80) << "mode " << mode;

    Started fresh(ArrayLib());
    fresh->Set(kSeed, 7.0f);
    fresh->Set(kOctaves, 5.5f);
    fresh->Set(kSize, 40.0f);
    EXPECT_EQ(Floats(*in), Floats(*fresh)) << "mode " << mode;
    EXPECT_EQ(Integers(*in), Integers(*fresh)) << "mode " << mode;
  }
}

TEST(RandomArrayModule, ModesThatTruncateToZeroUpdateAutomatically) {
  for (float mode : {0.5f, -0.5f, 0.999f, std::nanf("")}) {
    Started in(ArrayLib());
    in->Set(kMode, mode);
    in->set_tracing(true);
    EXPECT_EQ(EffectOf(*in, kOctaves, 5.5f).writes, 32) << "mode " << mode;
    EXPECT_EQ(EffectOf(*in, kSeed, 7.0f).writes, 32) << "mode " << mode;
    const MessageEffect size = EffectOf(*in, kSize, 40.0f);
    EXPECT_EQ(size.lengths, (std::vector<int32_t>{40, 40})) << "mode " << mode;
    EXPECT_EQ(size.writes, 80) << "mode " << mode;
    Started fresh(ArrayLib());
    fresh->Set(kSeed, 7.0f);
    fresh->Set(kOctaves, 5.5f);
    fresh->Set(kSize, 40.0f);
    EXPECT_EQ(Floats(*in), Floats(*fresh)) << "mode " << mode;
  }
}

TEST(RandomArrayModule, ModesThatTruncateToOneHoldSeedAndSizeBackUntilThePress) {
  for (float mode : {1.5f, 1.999f}) {
    Started in(ArrayLib());
    in->Notify(kCalculate);
    in->Set(kMode, mode);
    in->set_tracing(true);
    const MessageEffect size = EffectOf(*in, kSize, 40.0f);
    EXPECT_EQ(size.writes, 0) << "mode " << mode;
    EXPECT_TRUE(size.lengths.empty()) << "mode " << mode;
    EXPECT_EQ(Floats(*in).size(), 16u);
    in->Notify(kCalculate);
    EXPECT_EQ(Floats(*in).size(), 40u) << "mode " << mode;
  }
}

TEST(RandomArrayModule, OffsetIsReducedModulo997300) {
  auto floatsWithOffset = [](float offset) {
    Started in(ArrayLib());
    in->Set(kOffset, offset);
    return Floats(*in);
  };
  EXPECT_EQ(floatsWithOffset(997300.0f), floatsWithOffset(0.0f));
  EXPECT_EQ(floatsWithOffset(-997301.0f), floatsWithOffset(-1.0f));
  EXPECT_NE(floatsWithOffset(1.0f), floatsWithOffset(0.0f));
}

TEST(RandomArrayModule, IntegerOutRoundsHalvesAwayFromZeroAndNeverGivesMinusZero) {
  Started in(ArrayLib());
  in->Set(kOctaves, 0.0f);  // every element is the middle of the output range
  auto integerFor = [&](float lo, float hi) {
    in->Set(kOutMin, lo);
    in->Set(kOutMax, hi);
    return Integers(*in)[0];
  };
  EXPECT_EQ(integerFor(0, 5), 3.0f);      // 2.5
  EXPECT_EQ(integerFor(-5, 0), -3.0f);    // -2.5
  EXPECT_EQ(integerFor(0, 0.8f), 0.0f);   // 0.4
  EXPECT_EQ(Bits(integerFor(-0.8f, 0)), 0u) << "-0.4 rounds to +0, not -0";
  EXPECT_EQ(Bits(integerFor(-1, 1)), 0u) << "0 stays +0";
  EXPECT_EQ(Bits(Floats(*in)[0]), 0u);
  EXPECT_EQ(integerFor(0, 9), 5.0f);      // 4.5
}

// The inline rounding gives what the library's round gives (a zero as +0), also where adding 0.5
// first would round up: just below a half, and near 2^52.
TEST(RandomArrayModule, IntegerOutValueIsTheLibrarysRoundWithoutMinusZero) {
  auto expected = [](double v) {
    const double r = std::round(v);
    return r == 0.0 ? 0.0 : r;
  };
  auto bits = [](double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
  };
  std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994, -0.49999999999999994,
                                4503599627370495.5, 4503599627370497.0, -4503599627370495.5, 1e300, -1e300, HUGE_VAL,
                                -HUGE_VAL, 1e-310, -1e-310, 2147483647.5, -2147483648.5};
  std::mt19937_64 rng(9);
  for (int i = 0; i < 100000; ++i) {
    const uint64_t b = rng();
    double v;
    std::memcpy(&v, &b, sizeof v);
    values.push_back(i % 2 ? v : std::ldexp(static_cast<double>(b >> 11), -static_cast<int>(b % 64)) - 1000.0);
  }
  for (double v : values) {
    if (std::isnan(v)) {
      EXPECT_TRUE(std::isnan(vek::IntegerOutValue(v)));
      continue;
    }
    ASSERT_EQ(bits(vek::IntegerOutValue(v)), bits(expected(v))) << v;
    // The speed baseline rounds alike, or its bits could not be compared with the plug-in's.
    ASSERT_EQ(bits(vek::PlainIntegerOut(v)), bits(expected(v))) << "plain " << v;
  }
}

TEST(RandomArrayModule, ComputationsNeverWritePastTheLengthTheySet) {
  Started in(ArrayLib());
  // The host changed "Array Size" without a size message.
  in->Set(kSize, 100.0f, 1);
  in->Notify(kOctaves);
  EXPECT_EQ(Floats(*in).size(), 100u);
  EXPECT_EQ(Integers(*in).size(), 100u);
  for (float size : {-5.0f, NAN, 0.0f, 0.5f}) {
    in->Set(kSize, size);
    EXPECT_EQ(Floats(*in).size(), 0u) << size;
  }
  in->Set(kSize, 1e9f);
  EXPECT_EQ(Floats(*in).size(), 2048u);
  in->Set(kSize, 2048.9f);
  EXPECT_EQ(Floats(*in).size(), 2048u);
}

// Each setting reaches the noise in its own place, offsets far below zero included: every element
// is the reference evaluation at its position. The settings all differ, so a value read into
// another's place (bias into gain, say) shows.
TEST(RandomArrayModule, FillIsTheReferenceEvaluationOfItsSettings) {
  Started in(ArrayLib());
  in->Set(kSeed, 99.0f);
  in->Set(kOctaves, 2.6f);
  in->Set(kFade, 0.9f);
  in->Set(kBias, 0.15f);
  in->Set(kGain, 0.8f);
  in->Set(kNoiseMin, -0.7f);
  in->Set(kNoiseMax, 0.8f);
  in->Set(kOutMin, -2.0f);
  in->Set(kOutMax, 5.0f);
  in->Set(kScale, 1.3f);
  in->Set(kSize, 40.0f);
  auto table = std::make_unique<RandomTable>();
  BuildRandomTable(*table, 99);
  const NoiseSettings s{2.6f, -0.7f, 0.8f, static_cast<double>(0.9f) * 0.5, 0.15f, 0.8f, -2.0f, 5.0f};
  NoiseSettings swapped = s;
  std::swap(swapped.bias, swapped.gain);
  int swapsSeen = 0;
  for (float offset : {0.0f, -7000.5f, -123456.75f, -2e6f}) {
    in->Set(kOffset, offset);
    // The offset reduced and rounded to single precision, added before and after the scaling.
    const double o = static_cast<float>(std::fmod(static_cast<double>(offset), 997300.0));
    const std::vector<float> floats = Floats(*in), integers = Integers(*in);
    ASSERT_EQ(floats.size(), 40u);
    for (int i = 0; i < 40; ++i) {
      const double x = (i + o) * static_cast<double>(1.3f) + o;
      const double v = ReferenceEvaluateNoise(*table, s, x);
      EXPECT_EQ(Bits(floats[i]), Bits(static_cast<float>(v))) << "element " << i << " offset " << offset;
      EXPECT_EQ(integers[i], static_cast<float>(std::round(v))) << "element " << i << " offset " << offset;
      swapsSeen += static_cast<float>(ReferenceEvaluateNoise(*table, swapped, x)) != static_cast<float>(v);
    }
  }
  EXPECT_GT(swapsSeen, 40) << "bias and gain exchanged must give other values";
}

TEST(RandomArrayModule, InstancesWithDifferentSeedsStayIndependent) {
  Started a(ArrayLib());
  Started b(ArrayLib());
  a->Set(kSeed, 5.0f);
  b->Set(kSeed, 6.0f);
  a->Set(kOctaves, 4.0f);
  b->Set(kOctaves, 4.0f);
  Started solo(ArrayLib());
  solo->Set(kSeed, 5.0f);
  solo->Set(kOctaves, 4.0f);
  EXPECT_EQ(Floats(*a), Floats(*solo));
  EXPECT_NE(Floats(*a), Floats(*b));
}

}  // namespace
}  // namespace vektest
