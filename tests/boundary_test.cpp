// What a host sees when it loads the libraries: the exports and the declaration records, byte by
// byte, read through host-owned records pre-filled with markers.
#include <cfloat>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plugin_fixture.hpp"
#include "tools/usrhost/standin/stack_thunk.hpp"

namespace vektest {
namespace {

using usrhost::ParamDescription;
using std::nullopt;

// One row of a declaration table as the host must read it; nullopt means "bytes left untouched".
struct Row {
  int32_t kind;
  const char* caption;
  bool output;
  std::optional<float> min, max, def;
  std::optional<std::string> format, choices;
  bool endsGroup;
  std::optional<int32_t> word16, word60;
};

constexpr float kMax = FLT_MAX;

const std::vector<Row> kArrayRows = {
    {8, "Mode", false, nullopt, nullopt, 0.0f, nullopt, "\"Automatic Update\",\"Update on Click\"", false, nullopt, nullopt},
    {7, "Calculate Array", false, nullopt, nullopt, nullopt, nullopt, nullopt, true, nullopt, 0},
    {5, "Random Seed", false, -kMax, kMax, 42.0f, "%.0f", nullopt, false, nullopt, 2},
    {5, "Scale", false, 2e-08f, kMax, 0.1f, "%.8f", nullopt, false, 0, 0},
    {5, "Offset", false, -kMax, kMax, 0.0f, "%.8f", nullopt, false, 0, 0},
    {6, "Octaves", false, 0.0f, 16.0f, 1.0f, "%.5f", nullopt, true, 0, 0},
    {6, "Noise Min", false, -2.0f, 2.0f, -1.0f, "%.5f", nullopt, false, 0, 0},
    {6, "Noise Max", false, -2.0f, 2.0f, 1.0f, "%.5f", nullopt, true, 0, 0},
    {6, "Fade", false, 0.0f, 1.0f, 0.25f, "%.5f", nullopt, false, 0, 0},
    {6, "Noise Bias", false, 1e-05f, 0.99999f, 0.5f, "%.5f", nullopt, false, 0, 0},
    {6, "Noise Gain", false, 1e-05f, 0.99999f, 0.5f, "%.5f", nullopt, true, 0, 0},
    {5, "Output Min", false, -kMax, kMax, 0.0f, "%.5f", nullopt, false, 0, 0},
    {5, "Output Max", false, -kMax, kMax, 1.0f, "%.5f", nullopt, true, 0, 0},
    {6, "Array Size", false, 1.0f, 2048.0f, 16.0f, "%.0f", nullopt, false, 0, 0},
    {10, "Float Out", true, -kMax, kMax, 0.0f, nullopt, nullopt, false, nullopt, nullopt},
    {10, "Integer Out", true, -kMax, kMax, 0.0f, "%.0f", nullopt, false, nullopt, nullopt},
};

const std::vector<Row> kRandomRows = {
    {5, "Input", false, -kMax, kMax, 0.0f, "%.8f", nullopt, true, nullopt, nullopt},
    {5, "Random Seed", false, -kMax, kMax, 42.0f, "%.0f", nullopt, false, nullopt, 2},
    {5, "Scale", false, 2e-08f, kMax, 1.0f, "%.8f", nullopt, false, 0, nullopt},
    {5, "Offset", false, -kMax, kMax, 0.0f, "%.8f", nullopt, false, 0, nullopt},
    {6, "Octaves", false, 0.0f, 16.0f, 1.0f, "%.5f", nullopt, true, 0, nullopt},
    {6, "Noise Min", false, -2.0f, 2.0f, -1.0f, "%.5f", nullopt, false, 0, nullopt},
    {6, "Noise Max", false, -2.0f, 2.0f, 1.0f, "%.5f", nullopt, true, 0, nullopt},
    {6, "Fade", false, 0.0f, 1.0f, 0.0f, "%.5f", nullopt, false, 0, nullopt},
    {6, "Noise Bias", false, 2e-05f, 0.99998f, 0.5f, "%.5f", nullopt, false, 0, nullopt},
    {6, "Noise Gain", false, 2e-05f, 0.99998f, 0.5f, "%.5f", nullopt, true, 0, nullopt},
    {5, "Output Min", false, -kMax, kMax, 0.0f, "%.5f", nullopt, false, 0, nullopt},
    {5, "Output Max", false, -kMax, kMax, 1.0f, "%.5f", nullopt, true, 0, nullopt},
    {5, "Output", true, -kMax, kMax, 0.5f, "%.8f", nullopt, false, nullopt, nullopt},
};

std::optional<uint32_t> FloatBits(const std::optional<float>& f) {
  if (!f) return nullopt;
  return Bits(*f);
}

void ExpectRows(LoadedModule& m, const std::vector<Row>& rows) {
  ASSERT_EQ(m.module.params.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    const ParamDescription& p = m.module.params[i];
    SCOPED_TRACE("parameter " + std::to_string(i) + " \"" + r.caption + "\"");
    EXPECT_EQ(p.kind, r.kind);
    EXPECT_EQ(p.caption, r.caption);
    EXPECT_EQ(p.isInput, r.output ? 0 : 1);
    EXPECT_EQ(p.isOutput, r.output ? 1 : 0);
    EXPECT_EQ(p.hostWord12, 1);
    EXPECT_EQ(p.hostWord16, r.word16);
    EXPECT_EQ(p.hostWord60, r.word60);
    EXPECT_EQ(FloatBits(p.minValue), FloatBits(r.min));
    EXPECT_EQ(FloatBits(p.maxValue), FloatBits(r.max));
    EXPECT_EQ(FloatBits(p.defaultValue), FloatBits(r.def));
    EXPECT_EQ(p.format, r.format);
    EXPECT_EQ(p.choices, r.choices);
    EXPECT_EQ(p.endsGroup, r.endsGroup);
    EXPECT_EQ(p.image.Written(72), r.endsGroup) << "endsGroup is written only where a group ends";
    EXPECT_TRUE(p.strayBytes.empty()) << "first stray byte at offset " << p.strayBytes.front();
  }
}

void ExpectModuleInfo(LoadedModule& m, const char* name, int32_t paramCount) {
  const usrhost::ModuleDescription& d = m.module;
  EXPECT_EQ(d.name, name);
  EXPECT_TRUE(d.captionIsName) << "caption must be the same pointer as name";
  EXPECT_EQ(d.color, 8355711);
  EXPECT_EQ(d.paramCount, paramCount);
  EXPECT_EQ(d.hostWord8, 0);
  EXPECT_EQ(d.hostWord28, 0);
  EXPECT_TRUE(d.strayBytes.empty()) << "first stray byte at offset " << d.strayBytes.front();
}

TEST(Declarations, RandomArrayRecords) {
  ExpectModuleInfo(ArrayLib(), "Vek Random Array", static_cast<int32_t>(kArrayRows.size()));
  ExpectRows(ArrayLib(), kArrayRows);
}

TEST(Declarations, RandomRecords) {
  ExpectModuleInfo(RandomLib(), "Vek Random", static_cast<int32_t>(kRandomRows.size()));
  ExpectRows(RandomLib(), kRandomRows);
}

TEST(Declarations, IndexesBeyondTheLastWriteNothing) {
  for (LoadedModule* m : {&ArrayLib(), &RandomLib()}) {
    const int32_t count = m->module.paramCount;
    for (int32_t index : {count, count + 1, -1, 1000, INT32_MAX, INT32_MIN}) {
      const ParamDescription p = usrhost::DescribeParam(m->library, index);
      for (size_t b = 0; b < usrhost::kRecordBytes; ++b) {
        ASSERT_FALSE(p.image.ByteTouched(b)) << m->module.name << " index " << index << " wrote byte " << b;
      }
    }
  }
}

TEST(Exports, AllTwentyOneResolveAndTheDoNothingNamesShareOneAddress) {
  for (LoadedModule* m : {&ArrayLib(), &RandomLib()}) {
    SCOPED_TRACE(m->module.name);
    ASSERT_TRUE(m->library.complete()) << m->library.error();
    const void* nothing = m->library.address(usrhost::kCreateLayout);
    for (int e = 0; e < usrhost::kEntryPointCount; ++e) {
      const auto entry = static_cast<usrhost::EntryPoint>(e);
      if (usrhost::IsDoNothingEntryPoint(entry)) {
        EXPECT_EQ(m->library.address(entry), nothing) << usrhost::kEntryPointNames[e];
      } else if (entry != usrhost::kProcess) {
        EXPECT_NE(m->library.address(entry), nothing) << usrhost::kEntryPointNames[e];
      }
    }
    EXPECT_EQ(m->library.GetSDKVersion(), 5);
    EXPECT_EQ(m->library.GetImplementation(), 1);
    EXPECT_EQ(m->library.GetChunkLen(), 0);
  }
  EXPECT_EQ(ArrayLib().library.address(usrhost::kProcess), ArrayLib().library.address(usrhost::kCreateLayout));
  EXPECT_NE(RandomLib().library.address(usrhost::kProcess), RandomLib().library.address(usrhost::kCreateLayout));
}

// Every entry point, with the stack 4, 8 and 12 bytes off a 16-byte boundary, gives what the
// aligned calls give.
std::vector<float> Scenario(LoadedModule& m, int offset) {
  usrhost::Instance in(m.library, m.module);
  in.set_stack_offset(offset);
  EXPECT_TRUE(in.Start());
  std::vector<float> seen;
  const bool isArray = m.module.name == "Vek Random Array";
  in.Set(m.module.Find("Octaves"), 3.5f);
  in.Set(m.module.Find("Fade"), 0.5f);
  in.Set(m.module.Find("Noise Bias"), 0.3f);
  in.Set(m.module.Find("Random Seed"), 7.0f);
  if (isArray) {
    in.Set(m.module.Find("Array Size"), 64.0f);
    seen = in.array(m.module.Find("Float Out"));
  } else {
    for (float x : {0.25f, 3.5f, -17.125f}) {
      in.Set(m.module.Find("Input"), x);
      in.Process();
      seen.push_back(in.value(m.module.Find("Output")));
    }
  }
  for (int e = 0; e < usrhost::kEntryPointCount; ++e) {
    if (usrhost::IsDoNothingEntryPoint(static_cast<usrhost::EntryPoint>(e))) in.CallDoNothing(static_cast<usrhost::EntryPoint>(e));
  }
  const uint32_t none[1] = {0};
  uint8_t record[usrhost::kRecordBytes] = {};
  const uint32_t infoArgs[3] = {0, 0, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record))};
  const uint32_t paramArgs[3] = {0, 2, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(record))};
  EXPECT_EQ(usrhost::CallWithStackOffset(m.library.address(usrhost::kGetSDKVersion), none, 0, offset), 5u);
  EXPECT_EQ(usrhost::CallWithStackOffset(m.library.address(usrhost::kGetImplementation), none, 0, offset), 1u);
  EXPECT_EQ(usrhost::CallWithStackOffset(m.library.address(usrhost::kGetChunkLen), none, 1, offset), 0u);
  usrhost::CallWithStackOffset(m.library.address(usrhost::kGetModuleInfo), infoArgs, 3, offset);
  usrhost::CallWithStackOffset(m.library.address(usrhost::kGetParamInfo), paramArgs, 3, offset);
  EXPECT_TRUE(in.misuse().empty());
  return seen;
}

TEST(Exports, EveryEntryPointSurvivesAMisalignedStack) {
#if defined(VEK_SANITIZE)
  // ASan's stack bookkeeping misreads frames that realign a misaligned stack; the plain builds
  // (Linux and Windows) run this test.
  GTEST_SKIP() << "not under AddressSanitizer";
#endif
  for (LoadedModule* m : {&ArrayLib(), &RandomLib()}) {
    const std::vector<float> aligned = Scenario(*m, 0);
    EXPECT_FALSE(aligned.empty());
    for (int offset : {4, 8, 12}) EXPECT_EQ(Scenario(*m, offset), aligned) << m->module.name << " offset " << offset;
  }
}

}  // namespace
}  // namespace vektest
