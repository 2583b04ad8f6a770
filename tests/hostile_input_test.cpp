// Values and message orders no sensible host sends: no misuse, prompt returns, and finite outputs
// whenever every input was finite.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <random>
#include <string>

#include "plugin_fixture.hpp"

namespace vektest {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

const float kHostile[] = {kNaN, kInf, -kInf, 3.4e38f, -3.4e38f, 1e-45f, -1e-45f, 1e-38f, 0.0f, -0.0f,
                          -5.0f, 1e9f, -1e9f, 16.5f, 17.0f, 2.5e9f, 0.5f, 1.0f, 2048.0f, 4294967296.0f};

bool AllFinite(const usrhost::Instance& in) {
  for (const auto& p : in.module().params) {
    if (!p.IsOutput()) continue;
    if (!std::isfinite(in.value(p.index))) return false;
    for (float v : in.array(p.index)) {
      if (!std::isfinite(v)) return false;
    }
  }
  return true;
}

bool AllInputsFinite(const usrhost::Instance& in) {
  for (const auto& p : in.module().params) {
    if (!p.IsOutput() && !std::isfinite(in.value(p.index))) return false;
  }
  return true;
}

void Hammer(LoadedModule& m, uint32_t seed) {
  Started in(m);
  std::mt19937 rng(seed);
  const int32_t count = m.module.paramCount;
  using Clock = std::chrono::steady_clock;
  for (int step = 0; step < 1500; ++step) {
    const int32_t p = static_cast<int32_t>(rng() % static_cast<uint32_t>(count + 2)) - 1;  // includes -1 and count
    const int what = static_cast<int>(rng() % 10);
    const auto start = Clock::now();
    std::string action;
    if (what < 6 && p >= 0 && p < count && !m.module.params[p].IsOutput()) {
      const float v = what < 3 ? kHostile[rng() % std::size(kHostile)]
                               : std::uniform_real_distribution<float>(-20, 20)(rng);
      in->Set(p, v, rng() % 8 == 0 ? 1 : 0);
      action = "set " + std::to_string(p) + "=" + std::to_string(v);
    } else if (what < 8) {
      in->Notify(p, static_cast<int32_t>(rng() % 3));
      action = "notify " + std::to_string(p);
    } else if (what < 9) {
      in->Process();
      action = "process";
    } else {
      in->Init(rng() % 2 ? usrhost::HostServiceTable() : nullptr, rng() % 3);
      action = "init";
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_LT(seconds, 2.0) << "call took too long: seed " << seed << " step " << step << " " << action;
    ASSERT_TRUE(in->misuse().empty()) << in->misuse().front() << " after seed " << seed << " step " << step;
    if (AllInputsFinite(*in)) {
      // Refill with the current inputs, which are all finite: every output must be finite too.
      const int32_t button = m.module.Find("Calculate Array");  // computes in either mode
      in->Notify(button >= 0 ? button : m.module.Find("Octaves"));
      in->Process();
      ASSERT_TRUE(AllFinite(*in)) << "non-finite output for finite inputs: seed " << seed << " step " << step;
    }
  }
}

TEST(HostileInput, RandomArrayModule) {
  for (uint32_t seed : {1u, 2u, 3u}) Hammer(ArrayLib(), seed);
}

TEST(HostileInput, RandomModule) {
  for (uint32_t seed : {1u, 2u, 3u}) Hammer(RandomLib(), seed);
}

TEST(HostileInput, ExtremeSettingsOnBothModules) {
  for (LoadedModule* m : {&ArrayLib(), &RandomLib()}) {
    Started in(*m);
    const auto set = [&](const char* caption, float v) { in->Set(m->module.Find(caption), v); };
    set("Octaves", 1e9f);
    set("Scale", 3.4e38f);
    set("Offset", -3.4e38f);
    set("Output Min", -3.4e38f);
    set("Output Max", 3.4e38f);
    set("Noise Bias", 0.0f);
    set("Noise Gain", 1.0f);
    set("Fade", 1e-45f);
    if (m->module.name == "Vek Random Array") set("Array Size", 2048.0f);
    in->Process();
    EXPECT_TRUE(AllFinite(*in)) << m->module.name;
    set("Scale", kInf);  // a non-finite position reads the flat value of index 0
    in->Process();
    EXPECT_TRUE(AllFinite(*in)) << m->module.name;
  }
}

}  // namespace
}  // namespace vektest
