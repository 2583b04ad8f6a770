// The report writers of `usrhost validate`: the text on the terminal, JSON and JUnit XML.
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/usrhost/sessions/xml_text.hpp"
#include "tools/usrhost/validation/validator.hpp"

namespace usrhost {
namespace {

}  // namespace

const char* VerdictName(Verdict v) {
  switch (v) {
    case Verdict::kPass: return "PASS";
    case Verdict::kWarn: return "WARN";
    case Verdict::kFail: return "FAIL";
    case Verdict::kSkip: return "SKIP";
  }
  return "?";
}

void PrintHeader(std::ostream& out, const ValidateOptions& o) {
  out << "Validating " << o.file << " (level " << o.level << ", seed " << o.seed << ")\n";
}

void PrintResult(std::ostream& out, const CheckResult& r, Verbosity verbosity) {
  if (verbosity == Verbosity::kQuiet) return;
  char line[128];
  std::snprintf(line, sizeof line, "  %-4s %-26s %7.2f s", VerdictName(r.verdict), r.name.c_str(), r.seconds);
  out << line;
  if (!r.message.empty()) out << "  " << r.message;
  out << "\n";
  if (r.verdict == Verdict::kFail || verbosity == Verbosity::kVerbose) out << "       reproduce: " << r.reproduce << "\n";
  out.flush();
}

void PrintSummary(std::ostream& out, const std::vector<CheckResult>& results) {
  int counts[4] = {0, 0, 0, 0};
  for (const CheckResult& r : results) ++counts[static_cast<int>(r.verdict)];
  out << counts[0] << " passed, " << counts[1] << " warnings, " << counts[2] << " failed, " << counts[3]
      << " skipped\n";
}

void WriteJson(std::ostream& out, const ValidateOptions& o, const std::vector<CheckResult>& results) {
  nlohmann::ordered_json doc;
  doc["file"] = o.file;
  doc["level"] = o.level;
  doc["seed"] = o.seed;
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const CheckResult& r : results) {
    list.push_back({{"name", r.name}, {"verdict", VerdictName(r.verdict)}, {"message", r.message},
                    {"seconds", r.seconds}, {"reproduce", r.reproduce}});
  }
  doc["checks"] = list;
  // A module's text may be any bytes; invalid UTF-8 is replaced rather than ending the report.
  out << doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

void WriteJUnit(std::ostream& out, const ValidateOptions& o, const std::vector<CheckResult>& results) {
  int failures = 0, skipped = 0;
  double total = 0;
  for (const CheckResult& r : results) {
    failures += r.verdict == Verdict::kFail;
    skipped += r.verdict == Verdict::kSkip;
    total += r.seconds;
  }
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out << "<testsuites>\n  <testsuite name=\"usrhost validate " << XmlEscaped(o.file) << "\" tests=\"" << results.size()
      << "\" failures=\"" << failures << "\" skipped=\"" << skipped << "\" time=\"" << total << "\">\n";
  for (const CheckResult& r : results) {
    out << "    <testcase classname=\"usrhost.validate\" name=\"" << XmlEscaped(r.name) << "\" time=\"" << r.seconds << "\"";
    if (r.verdict == Verdict::kPass) {
      out << "/>\n";
      continue;
    }
    out << ">\n";
    if (r.verdict == Verdict::kFail) {
      out << "      <failure message=\"" << XmlEscaped(r.message) << "\">" << XmlEscaped(r.reproduce) << "</failure>\n";
    } else if (r.verdict == Verdict::kSkip) {
      out << "      <skipped message=\"" << XmlEscaped(r.message) << "\"/>\n";
    } else {
      out << "      <system-out>WARN: " << XmlEscaped(r.message) << "</system-out>\n";
    }
    out << "    </testcase>\n";
  }
  out << "  </testsuite>\n</testsuites>\n";
}

}  // namespace usrhost
