// usrhost validate on our plug-ins (every check passes) and on deliberately broken modules (the
// right check fails, with a precise reason and a way to reproduce it).
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "plugin_fixture.hpp"
#include "tools/usrhost/validation/subprocess.hpp"

namespace vektest {
namespace {

struct Report {
  int exitCode = -1;
  nlohmann::json checks;
  std::string Verdict(const std::string& name) const {
    for (const auto& c : checks) {
      if (c["name"] == name) return c["verdict"];
    }
    return "missing";
  }
  std::string Message(const std::string& name) const {
    for (const auto& c : checks) {
      if (c["name"] == name) return c["message"];
    }
    return "";
  }
};

Report Validate(const std::string& file, std::vector<std::string> extra = {}) {
  const std::string json = "validate-" + std::to_string(std::hash<std::string>()(file)) + ".json";
  std::vector<std::string> argv = {VEK_USRHOST, "validate", file, "--seed", "11", "--json", json};
  argv.insert(argv.end(), extra.begin(), extra.end());
  const usrhost::ChildResult r = usrhost::RunChild(argv, 300);
  Report report;
  EXPECT_FALSE(r.timedOut || r.crashed) << "usrhost itself must not crash: " << r.how;
  report.exitCode = r.exitCode;
  std::ifstream in(json);
  const nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
  if (doc.is_object()) report.checks = doc["checks"];
  return report;
}

TEST(Validator, OurPluginsPassEveryCheck) {
  for (const char* file : {VEK_RANDOM_USR, VEK_RANDOM_ARRAY_USR}) {
    const Report r = Validate(std::string(VEK_MODULE_DIR) + file, {"--level", "2"});
    EXPECT_EQ(r.exitCode, 0) << file;
    EXPECT_GE(r.checks.size(), 16u);
    for (const auto& c : r.checks) {
      EXPECT_TRUE(c["verdict"] == "PASS" || c["verdict"] == "SKIP") << file << " " << c.dump();
    }
  }
}

TEST(Validator, FindsARecordWrittenPastItsFields) {
  const Report r = Validate("broken/broken_record_overrun.usr");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("info.param-records"), "FAIL");
  // Named by the last field before it.
  EXPECT_NE(r.Message("info.param-records").find("wrote byte 80, past ParamInfo.endsGroup"), std::string::npos)
      << r.Message("info.param-records");
  EXPECT_EQ(r.Verdict("load.entry-points"), "PASS");
}

TEST(Validator, FindsAForeignHandle) {
  const Report r = Validate("broken/broken_foreign_handle.usr");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("run.determinism"), "FAIL");
  EXPECT_NE(r.Message("run.determinism").find("GetValue with unknown handle"), std::string::npos);
}

TEST(Validator, FindsNaNFromFiniteInputs) {
  const Report r = Validate("broken/broken_nan_output.usr");
  EXPECT_EQ(r.Verdict("run.finite-outputs"), "FAIL");
  EXPECT_NE(r.Message("run.finite-outputs").find("output \"Output\" is nan"), std::string::npos)
      << r.Message("run.finite-outputs");
}

TEST(Validator, TurnsACrashIntoAFailure) {
  const Report r = Validate("broken/broken_crash_in_callback.usr");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("run.determinism"), "FAIL");
  EXPECT_NE(r.Message("run.determinism").find("crashed"), std::string::npos) << r.Message("run.determinism");
  EXPECT_EQ(r.Verdict("info.param-records"), "PASS") << "one crashing check does not stop the others";
}

TEST(Validator, TurnsAHangIntoAFailure) {
  const Report r = Validate("broken/broken_hangs.usr", {"--check", "run.determinism", "--timeout", "3"});
  EXPECT_EQ(r.Verdict("run.determinism"), "FAIL");
  EXPECT_NE(r.Message("run.determinism").find("timed out"), std::string::npos);
}

TEST(Validator, AModulesOwnOutputIsNoResult) {
  const Report r = Validate("broken/broken_forges_result.usr", {"--check", "run.determinism"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("run.determinism"), "FAIL");
  EXPECT_NE(r.Message("run.determinism").find("before the check had a result"), std::string::npos)
      << r.Message("run.determinism");
}

TEST(Validator, FindsAllocationInProcess) {
  const Report r = Validate("broken/broken_allocates.usr", {"--check", "run.no-alloc-in-process"});
#if defined(__linux__) && !defined(VEK_SANITIZE)
  EXPECT_EQ(r.Verdict("run.no-alloc-in-process"), "FAIL");
  EXPECT_NE(r.Message("run.no-alloc-in-process").find("Process allocated"), std::string::npos);
#else
  EXPECT_EQ(r.Verdict("run.no-alloc-in-process"), "SKIP");
#endif
}

TEST(Validator, FindsResultsThatDependOnTheRoundingMode) {
  const Report r = Validate("broken/broken_rounding_dependent.usr", {"--check", "abi.fp-environment"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("abi.fp-environment"), "FAIL");
  const std::string m = r.Message("abi.fp-environment");
  EXPECT_NE(m.find("environment round-"), std::string::npos) << m;
  EXPECT_NE(m.find("\"Output\" 0x"), std::string::npos) << "names the first differing value: " << m;
}

TEST(Validator, FindsAnEnvironmentLeftChanged) {
  const Report r = Validate("broken/broken_leaves_mxcsr.usr", {"--check", "abi.fp-environment"});
  EXPECT_EQ(r.Verdict("abi.fp-environment"), "FAIL");
  const std::string m = r.Message("abi.fp-environment");
  EXPECT_NE(m.find("environment default"), std::string::npos) << m;
  EXPECT_NE(m.find("MXCSR 0x1f80 -> 0x9fc0"), std::string::npos) << m;
}

TEST(Validator, FindsAnExceptionRaisedIntoTheHost) {
  const Report r = Validate("broken/broken_traps_on_nan.usr", {"--check", "abi.fp-environment"});
  EXPECT_EQ(r.Verdict("abi.fp-environment"), "FAIL");
  const std::string m = r.Message("abi.fp-environment");
  EXPECT_NE(m.find("environment traps"), std::string::npos) << m;
  // On a CPU the exception traps and ends the host; an emulator only raises the flag.
  EXPECT_TRUE(m.find("crashed") != std::string::npos || m.find("a trap in a real host") != std::string::npos) << m;
}

}  // namespace
}  // namespace vektest
