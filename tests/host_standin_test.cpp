// The host stand-in itself: it must report every misuse of its services, not absorb it.
#include <optional>
#include <string>

#include "modules/random/random_module.hpp"
#include "modules/random_array/random_array_module.hpp"
#include "plugin_fixture.hpp"
#include "tools/usrhost/sessions/drive.hpp"
#include "tools/usrhost/sessions/names.hpp"

namespace vektest {
namespace {

TEST(HostStandIn, ReportsMisuseOfServices) {
  usrhost::Instance in(ArrayLib().library, ArrayLib().module);
  const HostServices& s = *usrhost::HostServiceTable();
  usrhost::TakeUnattributedMisuse();

  using vek::kArrayScale;
  using vek::kArraySeed;
  using vek::kFloatOut;
  s.GetValue(0x12345678);
  s.SetValue(in.handle(kFloatOut) + 1, 1.0f);
  reinterpret_cast<void (*)()>(s.otherEntries0[3])();
  const auto foreign = usrhost::TakeUnattributedMisuse();
  ASSERT_EQ(foreign.size(), 3u);
  EXPECT_NE(foreign[0].find("GetValue with unknown handle 0x12345678"), std::string::npos);
  EXPECT_NE(foreign[1].find("unknown handle"), std::string::npos);
  EXPECT_NE(foreign[2].find("offset 12"), std::string::npos);

  s.GetValue(in.handle(kFloatOut));                 // an output
  s.SetValue(in.handle(kArraySeed), 5.0f);           // an input
  s.SetArrayLength(in.handle(kFloatOut), -3);        // negative length
  s.SetArrayLength(in.handle(kArrayScale), 4);       // not an array
  s.SetArrayLength(in.handle(kFloatOut), 4);
  s.SetArrayElement(in.handle(kFloatOut), 4, 1.0f);  // one past the end
  s.SetArrayElement(in.handle(kFloatOut), -1, 1.0f);
  s.SetArrayElement(in.handle(kFloatOut), 3, 9.0f);  // fine
  EXPECT_EQ(in.misuse().size(), 6u);
  EXPECT_EQ(in.array(kFloatOut)[3], 9.0f);
  EXPECT_EQ(in.value(kArraySeed), 42.0f) << "a rejected SetValue must not change the stored value";
  EXPECT_TRUE(usrhost::TakeUnattributedMisuse().empty());
}

TEST(HostStandIn, StoresTheNewValueBeforeTheMessage) {
  Started in(RandomLib());
  in->set_tracing(true);
  in->Set(vek::kRandomSeed, 99.0f);
  ASSERT_FALSE(in->trace().empty());
  EXPECT_EQ(in->trace().front().op, usrhost::ServiceCall::kGetValue);
  EXPECT_EQ(in->trace().front().value, 99.0f);
}

TEST(HostStandIn, SessionLinesAndSweeps) {
  std::optional<usrhost::Action> a;
  std::string error;
  EXPECT_TRUE(usrhost::ParseSessionLine("  set Random Seed = 7 ", a, error));
  ASSERT_TRUE(a);
  EXPECT_EQ(a->target, "Random Seed");
  EXPECT_EQ(a->value, 7.0f);
  EXPECT_TRUE(usrhost::ParseSessionLine("# a comment", a, error));
  EXPECT_FALSE(a);
  EXPECT_TRUE(usrhost::ParseSessionLine("cycle 3", a, error));
  EXPECT_EQ(a->count, 3);
  for (const char* bad : {"set Scale", "set Scale=abc", "cycle -1", "cycle 2.5", "jump", "press"}) {
    EXPECT_FALSE(usrhost::ParseSessionLine(bad, a, error)) << bad;
  }
  usrhost::Sweep sweep;
  EXPECT_TRUE(usrhost::ParseSweep("Input=0:10:0.01", sweep, error));
  EXPECT_EQ(sweep.step, 0.01);
  for (const char* bad : {"Input=0:10", "Input=0:10:0", "Input=5:1:1", "Input=0:1e9:1e-9", "Input=0:nan:1"}) {
    EXPECT_FALSE(usrhost::ParseSweep(bad, sweep, error)) << bad;
  }
}

// A golden file's lines, as the stand-in and the release runner both read them: each action knows
// where it was written, and the first bad line is named by it.
TEST(HostStandIn, GoldenLinesNameTheirPlace) {
  std::vector<usrhost::Action> actions;
  std::string error;
  ASSERT_TRUE(usrhost::ParseSessionLines({"set Octaves=2.5", "# note", "press Calculate Array", "cycle 2", "dump"}, {},
                                         "g.json: a.session", actions, error, usrhost::ChoiceReader()))
      << error;
  ASSERT_EQ(actions.size(), 4u);
  EXPECT_EQ(actions[0].value, 2.5f);
  EXPECT_EQ(actions[1].kind, usrhost::Action::kPress);
  EXPECT_EQ(actions[1].origin, "g.json: a.session: action 3");
  EXPECT_EQ(actions[2].count, 2);
  EXPECT_FALSE(usrhost::ParseSessionLines({"dump", "cycle 1e12"}, {}, "g.json: a.session", actions, error,
                                          usrhost::ChoiceReader()));
  EXPECT_EQ(error.rfind("g.json: a.session: action 2: cycle takes a whole count", 0), 0u) << error;
  EXPECT_FALSE(usrhost::ParseSessionLines({"set Mode=Sometimes"}, {"a.session:7"}, "", actions, error,
                                          usrhost::ChoiceReader()));
  EXPECT_EQ(error.rfind("a.session:7: set needs NAME=NUMBER", 0), 0u) << error;
}

}  // namespace
}  // namespace vektest
