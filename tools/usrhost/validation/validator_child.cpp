// The child-process runner of `usrhost validate`: the parent starts one child per check and names
// a file for its result; the child runs the check and writes there. A module's own output, on
// stdout or anywhere else, cannot pass for a result.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tools/usrhost/standin/exit_status.hpp"
#include "tools/usrhost/sessions/output_file.hpp"
#include "tools/usrhost/standin/process_guard.hpp"
#include "tools/usrhost/validation/subprocess.hpp"
#include "tools/usrhost/validation/validator.hpp"
#include "tools/usrhost/validation/validator_checks.hpp"

#if defined(_WIN32)
#include <process.h>
#define VEK_PROCESS_ID _getpid
#else
#include <unistd.h>
#define VEK_PROCESS_ID getpid
#endif

namespace usrhost {
namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Lines of the result file: any number of "where <text>", flushed as they come so that a crash
// leaves the last, then one "result <json>" when the check has ended.
constexpr char kWhere[] = "where ";
constexpr char kResult[] = "result ";

constexpr char kEntry[] = "entry ";  // written by the crash handler: the entry point that ran

struct ChildReport {
  std::optional<nlohmann::json> result;
  std::string lastWhere, entry;
};

ChildReport ReadReport(const std::string& path) {
  ChildReport report;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(kWhere, 0) == 0) {
      report.lastWhere = line.substr(sizeof kWhere - 1);
    } else if (line.rfind(kEntry, 0) == 0) {
      report.entry = line.substr(sizeof kEntry - 1);
    } else if (line.rfind(kResult, 0) == 0) {
      const nlohmann::json j = nlohmann::json::parse(line.substr(sizeof kResult - 1), nullptr, false);
      report.result = j;
    }
  }
  return report;
}

// A fresh name in the temporary folder for each child, unique across concurrent validations.
std::string ResultPath(const std::string& check) {
  static unsigned serial = 0;
  const auto path = std::filesystem::temp_directory_path() /
                    ("usrhost-" + std::to_string(VEK_PROCESS_ID()) + "-" + std::to_string(++serial) + "-" + check + ".result");
  return path.string();
}

std::string ReproduceCommand(const ValidateOptions& o, const std::string& name) {
  char timeout[32];
  std::snprintf(timeout, sizeof timeout, "%g", o.timeoutSeconds);
  return "usrhost validate \"" + o.file + "\" --check " + name + " --seed " + std::to_string(o.seed) +
         (o.fpEnv.empty() ? "" : " --fp-env " + o.fpEnv) +
         (o.timeoutSeconds == ValidateOptions{}.timeoutSeconds ? "" : std::string(" --timeout ") + timeout);
}

// The session behind a failure, as a file `usrhost run --session` replays; its path goes into the
// result's message.
void SaveFailingSession(const ValidateOptions& o, CheckResult& r) {
  const std::string path = (std::filesystem::u8path(o.saveFailing) / (r.name + ".session")).u8string();
  OutputFile out;
  std::string error;
  if (!out.Open(path, error)) {
    r.message += " (session not saved: " + error + ")";
    return;
  }
  out.stream() << "# " << r.name << ", seed " << o.seed << ": " << r.message << "\n";
  for (const std::string& line : r.session) out.stream() << line << "\n";
  if (!out.Commit(error)) {
    r.message += " (session not saved: " + error + ")";
    return;
  }
  r.message += "; session saved: usrhost run \"" + o.file + "\" --session \"" + path + "\"";
}

Verdict VerdictFromName(const std::string& v) {
  return v == "PASS" ? Verdict::kPass : v == "WARN" ? Verdict::kWarn : v == "SKIP" ? Verdict::kSkip : Verdict::kFail;
}

CheckResult RunOne(const ValidateOptions& o, const CheckDef& d) {
  CheckResult r;
  r.name = d.info.name;
  r.reproduce = ReproduceCommand(o, r.name);
  const std::string resultFile = ResultPath(r.name);
  std::vector<std::string> argv = {o.self, "validate", o.file, "--child", "--check", r.name, "--seed",
                                   std::to_string(o.seed), "--level", std::to_string(o.level), "--result-file", resultFile};
  if (!o.fpEnv.empty()) argv.insert(argv.end(), {"--fp-env", o.fpEnv});
  const auto start = Clock::now();
  const ChildResult child = RunChild(argv, o.timeoutSeconds + d.info.runsFor);
  r.seconds = Since(start);
  const ChildReport report = ReadReport(resultFile);
  std::error_code ignored;
  std::filesystem::remove(resultFile, ignored);
  r.verdict = Verdict::kFail;
  if (!child.started) {
    r.message = "could not start " + o.self;
  } else if (child.timedOut || child.crashed) {
    r.message = "the module " + (child.timedOut ? child.how : "crashed the host: " + child.how);
    if (!report.entry.empty()) r.message += ", in its entry point " + report.entry;
    if (!report.lastWhere.empty()) r.message += (report.entry.empty() ? ", in " : ", during ") + report.lastWhere;
  } else if (!report.result) {
    // A crash handler of the process (a sanitizer's, say) may end it with an exit code instead.
    r.message = "the module crashed the host: it ended with exit code " + std::to_string(child.exitCode) +
                " before the check had a result";
    if (!report.lastWhere.empty()) r.message += ", during " + report.lastWhere;
  } else {
    const nlohmann::json& j = *report.result;
    r.verdict = VerdictFromName(j.is_object() ? j.value("verdict", "FAIL") : "FAIL");
    r.message = j.is_object() ? j.value("message", "") : "unreadable result";
    if (j.is_object() && j.contains("session") && j["session"].is_array()) {
      for (const auto& line : j["session"]) {
        if (line.is_string()) r.session.push_back(line.get<std::string>());
      }
    }
  }
  return r;
}

}  // namespace

int RunCheckAsChild(const std::string& file, const std::string& name, uint32_t seed, const std::string& resultFile) {
  std::ofstream out(resultFile, std::ios::trunc);
  if (!out) {
    std::fprintf(stderr, "usrhost: cannot write the result file %s\n", resultFile.c_str());
    return kExitUsage;
  }
  const auto start = Clock::now();
  CheckResult r;
  CheckContext c;
  c.file = file;
  c.seed = seed;
  c.where = [&out](const std::string& where) { out << kWhere << where << std::endl; };
  ReportCrashesTo(resultFile);
  try {
    const CheckDef* def = FindCheck(name);
    if (def == nullptr) Fail("no check named " + name);
    const auto loadStart = Clock::now();
    if (!c.library.Load(file)) Fail("cannot load: " + c.library.error());
    c.loadSeconds = Since(loadStart);
    if (!c.library.complete() && name != "load.entry-points") Fail(c.library.error());
    // Discovery calls entry points; a library without them is reported, not called.
    if (c.library.complete()) c.module = Describe(c.library);
    def->run(c);
    if (!c.skipped.empty()) {
      r.verdict = Verdict::kSkip;
      r.message = c.skipped;
    } else if (!c.warnings.empty()) {
      r.verdict = Verdict::kWarn;
      r.message = c.warnings.front();
    }
  } catch (const CheckFailed& f) {
    r.verdict = Verdict::kFail;
    r.message = f.why;
  }
  nlohmann::json j;
  j["verdict"] = VerdictName(r.verdict);
  j["message"] = r.message;
  if (r.verdict == Verdict::kFail && !c.session.empty()) j["session"] = SessionLines(c.session);
  j["seconds"] = Since(start);
  out << kResult << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
  return 0;
}

std::vector<CheckResult> Validate(const ValidateOptions& o, const ValidateProgress& progress) {
  std::vector<CheckResult> results;
  // A library without every entry point fails that check once; what calls them is skipped.
  bool complete = true;
  {
    PluginLibrary library;
    complete = !library.Load(o.file) || library.complete();
  }
  for (const CheckDef& d : Checks()) {
    if (o.only.empty() ? d.info.level > o.level : o.only != d.info.name) continue;
    if (progress.started) progress.started(d.info);
    if (!complete && o.only.empty() && std::string(d.info.name) != "load.entry-points") {
      CheckResult r;
      r.name = d.info.name;
      r.verdict = Verdict::kSkip;
      r.message = "needs every entry point (see load.entry-points)";
      r.reproduce = ReproduceCommand(o, r.name);
      results.push_back(r);
    } else {
      results.push_back(RunOne(o, d));
    }
    if (!o.saveFailing.empty() && results.back().verdict == Verdict::kFail && !results.back().session.empty()) {
      SaveFailingSession(o, results.back());
    }
    if (progress.finished) progress.finished(results.back());
  }
  return results;
}

}  // namespace usrhost
