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
  std::string Reproduce(const std::string& name) const {
    for (const auto& c : checks) {
      if (c["name"] == name) return c["reproduce"];
    }
    return "";
  }
  int Count(const std::string& verdict) const {
    int n = 0;
    for (const auto& c : checks) n += c["verdict"] == verdict;
    return n;
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

// The command a failing check prints for replaying it alone, with the seed these tests use.
std::string Reproduce(const std::string& file, const std::string& check, const std::string& tail = "") {
  return "usrhost validate \"" + file + "\" --check " + check + " --seed 11" + tail;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }
bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A segmentation fault as the report names it: the signal on Linux, the exception code on Windows.
#if defined(_WIN32)
const char kAccessViolation[] = "exception 0xc0000005 (access violation)";
#else
const char kAccessViolation[] = "signal 11 (Segmentation fault)";
#endif

TEST(Validator, FindsARecordWrittenPastItsFields) {
  const std::string file = "broken/broken_record_overrun.usr";
  const Report r = Validate(file);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("info.param-records"), "FAIL");
  // The parameter, the entry point, the byte and the last field before it.
  EXPECT_EQ(r.Message("info.param-records"),
            "parameter 0 \"Input\": GetParamInfo wrote byte 80, past ParamInfo.endsGroup, outside its fields");
  EXPECT_EQ(r.Reproduce("info.param-records"), Reproduce(file, "info.param-records"));
  EXPECT_EQ(r.Verdict("load.entry-points"), "PASS");
  EXPECT_EQ(r.Count("FAIL"), 1) << "only the record check fails";
}

TEST(Validator, FindsAForeignHandle) {
  const std::string file = "broken/broken_foreign_handle.usr";
  const Report r = Validate(file);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("run.determinism"), "FAIL");
  const std::string m = r.Message("run.determinism");
  // The service, the handle and the entry point that used it.
  EXPECT_TRUE(StartsWith(m, "service misuse during a session of in-range values: GetValue with unknown handle 0x")) << m;
  EXPECT_TRUE(EndsWith(m, " in Process")) << m;
  EXPECT_EQ(m.size(), std::string("service misuse during a session of in-range values: GetValue with unknown handle "
                                  "0x12345678 in Process").size()) << m;
  EXPECT_EQ(r.Reproduce("run.determinism"), Reproduce(file, "run.determinism"));
  EXPECT_EQ(r.Verdict("info.param-records"), "PASS");
#if defined(__linux__) && !defined(VEK_SANITIZE)
  // The stand-in's record of the misuse is no allocation of the module's.
  EXPECT_TRUE(StartsWith(r.Message("run.no-alloc-in-process"), "service misuse during Process cycles: GetValue with "
                                                                 "unknown handle 0x")) << r.Message("run.no-alloc-in-process");
#endif
}

TEST(Validator, FindsNaNFromFiniteInputs) {
  const std::string file = "broken/broken_nan_output.usr";
  const Report r = Validate(file);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("run.finite-outputs"), "FAIL");
  // The output, the snapshot and the inputs set when it appeared (the module's NaN starts above 1).
  EXPECT_EQ(r.Message("run.finite-outputs"), "output \"Output\" is nan at snapshot 1, with Input=10");
  EXPECT_EQ(r.Reproduce("run.finite-outputs"), Reproduce(file, "run.finite-outputs"));
  EXPECT_EQ(r.Verdict("run.determinism"), "PASS") << "NaN every time is still deterministic";
}

TEST(Validator, TurnsACrashIntoAFailure) {
  const std::string file = "broken/broken_crash_in_callback.usr";
  const Report r = Validate(file);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("run.determinism"), "FAIL");
  EXPECT_EQ(r.Message("run.determinism"),
            std::string("the module crashed the host: ") + kAccessViolation + ", in its entry point CallBack");
  EXPECT_EQ(r.Reproduce("run.determinism"), Reproduce(file, "run.determinism"));
  // A check that reports where it is names that too.
  EXPECT_EQ(r.Message("abi.fp-environment"),
            std::string("the module crashed the host: ") + kAccessViolation +
                ", in its entry point CallBack, during environment default (x87 0x" +
#if defined(_WIN32)
                "027f"
#else
                "037f"
#endif
                ", MXCSR 0x1f80), in-range session");
  EXPECT_EQ(r.Verdict("info.param-records"), "PASS") << "one crashing check does not stop the others";
}

TEST(Validator, TurnsAHangIntoAFailure) {
  const std::string file = "broken/broken_hangs.usr";
  const Report r = Validate(file, {"--check", "run.determinism", "--timeout", "3"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("run.determinism"), "FAIL");
#if defined(_WIN32)
  // A child ended from outside cannot say where it was.
  EXPECT_EQ(r.Message("run.determinism"), "the module timed out after 3 s");
#else
  EXPECT_EQ(r.Message("run.determinism"), "the module timed out after 3 s, in its entry point Process");
#endif
  EXPECT_EQ(r.Reproduce("run.determinism"), Reproduce(file, "run.determinism", " --timeout 3"));
}

TEST(Validator, AModulesOwnOutputIsNoResult) {
  const std::string file = "broken/broken_forges_result.usr";
  const Report r = Validate(file, {"--check", "run.determinism"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("run.determinism"), "FAIL");
  EXPECT_EQ(r.Message("run.determinism"),
            "the module crashed the host: it ended with exit code 0 before the check had a result");
  EXPECT_EQ(r.Reproduce("run.determinism"), Reproduce(file, "run.determinism"));
  EXPECT_EQ(r.checks.size(), 1u) << "--check runs that check alone";
}

TEST(Validator, AnEarlyExitNamesWhereTheCheckWas) {
  const Report r = Validate("broken/broken_forges_result.usr", {"--check", "abi.fp-environment"});
  EXPECT_EQ(r.Verdict("abi.fp-environment"), "FAIL");
  const std::string m = r.Message("abi.fp-environment");
  EXPECT_TRUE(StartsWith(m, "the module crashed the host: it ended with exit code 0 before the check had a result, "
                            "during environment default (x87 0x")) << m;
  EXPECT_TRUE(EndsWith(m, ", MXCSR 0x1f80), in-range session")) << m;
}

TEST(Validator, FindsAllocationInProcess) {
  const std::string file = "broken/broken_allocates.usr";
  const Report r = Validate(file, {"--check", "run.no-alloc-in-process"});
#if defined(__linux__) && !defined(VEK_SANITIZE)
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("run.no-alloc-in-process"), "FAIL");
  // One malloc (its free is no allocation) per Process call, counted over one call.
  EXPECT_EQ(r.Message("run.no-alloc-in-process"), "Process allocated 1 times");
  EXPECT_EQ(r.Reproduce("run.no-alloc-in-process"), Reproduce(file, "run.no-alloc-in-process"));
#else
  EXPECT_EQ(r.Verdict("run.no-alloc-in-process"), "SKIP");
#endif
}

TEST(Validator, NamesTheMissingEntryPointsAndSkipsWhatNeedsThem) {
  const std::string file = "broken/broken_missing_entry_points.usr";
  const Report r = Validate(file);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("load.entry-points"), "FAIL");
  EXPECT_EQ(r.Message("load.entry-points"), "missing entry points: GetModuleInfo Paint");
  EXPECT_EQ(r.Reproduce("load.entry-points"), Reproduce(file, "load.entry-points"));
  EXPECT_EQ(r.Count("FAIL"), 1);
  EXPECT_EQ(r.Count("SKIP"), static_cast<int>(r.checks.size()) - 1);
  EXPECT_EQ(r.Message("run.determinism"), "needs every entry point (see load.entry-points)");
}

TEST(Validator, FindsResultsThatDependOnTheRoundingMode) {
  const std::string file = "broken/broken_rounding_dependent.usr";
  const Report r = Validate(file, {"--check", "abi.fp-environment"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("abi.fp-environment"), "FAIL");
  const std::string m = r.Message("abi.fp-environment");
  // The environment, the session, the snapshot, the output and both values' bits (x/3 rounded down
  // and to nearest differ in the last bit).
  EXPECT_TRUE(StartsWith(m, "environment round-down (x87 0x")) << m;
  EXPECT_TRUE(EndsWith(m, ", MXCSR 0x3f80), in-range session: snapshot 9 (dump 9), \"Output\" 0xc011f51a instead of "
                          "0xc011f519 in the default environment")) << m;
  EXPECT_EQ(r.Reproduce("abi.fp-environment"), Reproduce(file, "abi.fp-environment"));
}

TEST(Validator, FindsAnEnvironmentLeftChanged) {
  const std::string file = "broken/broken_leaves_mxcsr.usr";
  const Report r = Validate(file, {"--check", "abi.fp-environment"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("abi.fp-environment"), "FAIL");
  const std::string m = r.Message("abi.fp-environment");
  EXPECT_TRUE(StartsWith(m, "environment default (x87 0x")) << m;
  EXPECT_TRUE(EndsWith(m, ", MXCSR 0x1f80), in-range session: Process left the host's floating-point environment "
                          "changed: MXCSR 0x1f80 -> 0x9fc0 (flush-to-zero/denormals-are-zero)")) << m;
  EXPECT_EQ(r.Reproduce("abi.fp-environment"), Reproduce(file, "abi.fp-environment"));
}

TEST(Validator, FindsAnExceptionRaisedIntoTheHost) {
  const std::string file = "broken/broken_traps_on_nan.usr";
  const Report r = Validate(file, {"--check", "abi.fp-environment"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.Verdict("abi.fp-environment"), "FAIL");
  const std::string m = r.Message("abi.fp-environment");
  const std::string where = "environment traps (x87 0x1332, MXCSR 0x1900), session of NaN, infinite, extreme and "
                            "subnormal inputs";
  // On a CPU the exception traps and ends the host; an emulator only raises the flag.
  const std::string flagged = where + ": Process raised an exception the host has unmasked (a trap in a real host): "
                                      "MXCSR 0x1900 -> 0x1901 (flags IE)";
  const bool trapped = StartsWith(m, "the module crashed the host: ") &&
                       EndsWith(m, ", in its entry point Process, during " + where);
  EXPECT_TRUE(m == flagged || trapped) << m;
  EXPECT_EQ(r.Reproduce("abi.fp-environment"), Reproduce(file, "abi.fp-environment"));
}

}  // namespace
}  // namespace vektest
