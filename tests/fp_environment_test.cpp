// Both plug-ins in every floating-point environment a host may leave them: the bits of the default
// environment, the host's environment back bit for bit after every call (the stand-in reports any
// change as misuse), and no exception raised into the host, whatever values a patch sends.
#include <cmath>
#include <limits>
#include <vector>

#include "plugin_fixture.hpp"
#include "tools/usrhost/standin/host_fp_env.hpp"

namespace vektest {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const float kValues[] = {kNaN, kInf, -kInf, 3.4028235e38f, -3.4028235e38f, 1e-45f, -1e-40f, 1e30f,
                         -7.25f, 0.3f, 16.5f, 4294967296.0f};

// Every input at every value, then the buttons, a cycle, and every output's bits; the input goes
// back to its default before the next.
std::vector<uint32_t> RunEverywhere(LoadedModule& m, const std::optional<usrhost::FpEnvironment>& env) {
  usrhost::SetHostFpEnvironment(env);
  std::vector<uint32_t> bits;
  {
    Started in(m);
    for (float v : kValues) {
      for (const auto& p : m.module.params) {
        if (p.IsOutput() || p.kind == kParamButton) continue;
        in->Set(p.index, v);
        for (const auto& b : m.module.params) {
          if (b.kind == kParamButton) in->Notify(b.index);
        }
        in->Process();
        for (const auto& o : m.module.params) {
          if (!o.IsOutput()) continue;
          bits.push_back(Bits(in->value(o.index)));
          for (float e : in->array(o.index)) bits.push_back(Bits(e));
        }
        in->Set(p.index, p.InitialValue());
      }
    }
  }
  usrhost::SetHostFpEnvironment(std::nullopt);
  return bits;
}

std::vector<usrhost::FpEnvironment> Environments() {
  std::vector<usrhost::FpEnvironment> all;
  for (const auto& preset : usrhost::FpPresets()) all.push_back(preset.environment);
  all.push_back({0x0C7F, 0x0021, 0xFFE1});  // x87 single precision toward zero, SSE up with everything on
  all.push_back({0x1272, 0x0000, 0x1800});  // the x87 and SSE invalid-operation traps only
  return all;
}

TEST(FpEnvironment, HostileValuesGiveTheDefaultBitsInEveryEnvironment) {
  if (!usrhost::FpTrapsAreRaised()) {
    std::printf("note: this CPU or emulator does not trap unmasked floating-point exceptions, so the trap\n"
                "      cases here prove only that no flag is left behind (the native guard test runs them)\n");
  }
  for (LoadedModule* m : {&RandomLib(), &ArrayLib()}) {
    const std::vector<uint32_t> expected = RunEverywhere(*m, usrhost::FpPresets().front().environment);
    ASSERT_FALSE(expected.empty());
    for (const usrhost::FpEnvironment& env : Environments()) {
      const std::vector<uint32_t> found = RunEverywhere(*m, env);
      ASSERT_EQ(found.size(), expected.size()) << m->module.name << " in " << usrhost::DescribeFpEnvironment(env);
      for (size_t i = 0; i < found.size(); ++i) {
        ASSERT_EQ(found[i], expected[i]) << m->module.name << " in " << usrhost::DescribeFpEnvironment(env)
                                         << ", value " << i;
      }
    }
  }
}

// The stand-in's own check, which every test above relies on, sees what a careless module does.
TEST(FpEnvironment, TheStandInReportsAnEnvironmentLeftChanged) {
  usrhost::FpEnvironment env{};
  std::string error;
  ASSERT_TRUE(usrhost::ParseFpEnvironment("0x037f,0x1f80", env, error)) << error;
  EXPECT_EQ(env.x87Control, 0x037F);
  EXPECT_EQ(env.mxcsr, 0x1F80u);
  EXPECT_FALSE(usrhost::ParseFpEnvironment("0x1f80", env, error));
  EXPECT_NE(error.find("traps"), std::string::npos) << "the error lists the presets: " << error;
  EXPECT_FALSE(usrhost::ParseFpEnvironment("0x37f,0x12345", env, error));

  const std::string change = usrhost::DescribeFpChange({0x1332, 0, 0x1900}, {0x1332, 0, 0x1901});
  EXPECT_NE(change.find("MXCSR 0x1900 -> 0x1901"), std::string::npos) << change;
  EXPECT_NE(change.find("a trap in a real host"), std::string::npos) << change;
  EXPECT_EQ(usrhost::DescribeFpChange({0x037F, 0, 0x1F80}, {0x037F, 0, 0x9FC0}).find("trap"), std::string::npos);
}

// The presets are the environments real hosts leave, bit for bit, and what a change report names.
TEST(FpEnvironment, ThePresetsHoldTheHostsBits) {
#if defined(_WIN32)
  const uint16_t x87 = 0x027F;
#else
  const uint16_t x87 = 0x037F;
#endif
  const std::vector<std::pair<std::string, usrhost::FpEnvironment>> expected = {
      {"default", {x87, 0, 0x1F80}},
      {"traps", {0x1332, 0, 0x1900}},
      {"ftz-daz", {x87, 0, 0x9FC0}},
      {"round-down", {static_cast<uint16_t>(x87 | 0x0400), 0, 0x3F80}},
      {"round-up", {static_cast<uint16_t>(x87 | 0x0800), 0, 0x5F80}},
      {"round-zero", {static_cast<uint16_t>(x87 | 0x0C00), 0, 0x7F80}},
      {"x87-single", {static_cast<uint16_t>(x87 & ~0x0300), 0, 0x1F80}},
      {"sticky-flags", {x87, 0x003F, 0x1FBF}},
  };
  ASSERT_EQ(usrhost::FpPresets().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(usrhost::FpPresets()[i].name, expected[i].first);
    EXPECT_TRUE(usrhost::FpPresets()[i].environment == expected[i].second) << expected[i].first;
  }

  EXPECT_NE(usrhost::DescribeFpChange({x87, 0, 0x1F80}, {x87, 0, 0x1F85}).find("(flags IE ZE)"), std::string::npos);
  EXPECT_NE(usrhost::DescribeFpChange({x87, 0, 0x1FA1}, {x87, 0, 0x1F81}).find("cleared PE)"), std::string::npos);
  EXPECT_NE(usrhost::DescribeFpChange({x87, 0, 0x1F80}, {x87, 0, 0x3F00}).find("(exception masks, rounding mode)"),
            std::string::npos);
  EXPECT_NE(usrhost::DescribeFpChange({x87, 0, 0x1F80}, {x87, 0, 0x1FC0}).find("(flush-to-zero/denormals-are-zero)"),
            std::string::npos);
  // An x87 flag raised under its unmasked exception traps too.
  EXPECT_NE(usrhost::DescribeFpChange({0x1332, 0, 0x1F80}, {0x1332, 0x0004, 0x1F80}).find("trap"), std::string::npos);
  EXPECT_EQ(usrhost::DescribeFpChange({0x1332, 0, 0x1F80}, {0x1332, 0x0002, 0x1F80}).find("trap"), std::string::npos);
}

}  // namespace
}  // namespace vektest
