#include "tools/usrhost/sessions/output_formats.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tools/usrhost/sessions/float_text.hpp"
#include "tools/usrhost/standin/display_format.hpp"

namespace usrhost {
namespace {

std::string Shown(const ParamDescription& p, float v) {
  std::string unsafe;  // an unsafe format is shown as plain text, without a reason
  if (!std::isfinite(v) || !p.format || !SafeDoubleFormat(*p.format, unsafe)) return FloatText(v);
  char buf[512];
  std::snprintf(buf, sizeof buf, p.format->c_str(), static_cast<double>(v));
  return buf;
}

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

nlohmann::ordered_json JsonNumber(float v) {
  if (!std::isfinite(v)) return nullptr;  // JSON has no NaN or infinity
  return std::strtod(FloatText(v).c_str(), nullptr);
}

void PrintJson(std::ostream& out, const ModuleDescription& m, const std::vector<Outputs>& snapshots) {
  nlohmann::ordered_json doc;
  doc["module"] = m.name;
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const Outputs& o : snapshots) {
    nlohmann::ordered_json s;
    // A sweep's snapshot names the swept parameter with its value; others say when they were taken.
    if (o.swept) {
      s[o.swept->first] = JsonNumber(o.swept->second);
    } else {
      s["at"] = o.label;
    }
    for (const auto& [index, v] : o.values) s[m.params[index].caption] = JsonNumber(v);
    for (const auto& [index, a] : o.arrays) {
      nlohmann::ordered_json values = nlohmann::ordered_json::array();
      for (float e : a) values.push_back(JsonNumber(e));
      s[m.params[index].caption] = values;
    }
    list.push_back(s);
  }
  doc["snapshots"] = list;
  out << doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}


}  // namespace

void PrintOutputs(std::ostream& out, const ModuleDescription& m, const std::vector<Outputs>& snapshots,
                  OutputFormat format) {
  if (format == OutputFormat::kJson) return PrintJson(out, m, snapshots);
  if (snapshots.empty()) return;
  const bool csv = format == OutputFormat::kCsv;
  const Outputs& first = snapshots.front();
  // The header: where, then the scalar outputs, then (for arrays) the element index and the arrays.
  std::vector<std::string> header = {"at"};
  for (const auto& [index, v] : first.values) header.push_back(m.params[index].caption);
  if (!first.arrays.empty()) header.push_back("index");
  for (const auto& [index, a] : first.arrays) header.push_back(m.params[index].caption);
  std::vector<std::vector<std::string>> rows;
  for (const Outputs& o : snapshots) {
    size_t length = o.arrays.empty() ? 1 : 0;
    for (const auto& [index, a] : o.arrays) length = std::max(length, a.size());
    for (size_t i = 0; i < length; ++i) {
      std::vector<std::string> row = {o.label};
      for (const auto& [index, v] : o.values) row.push_back(csv ? FloatText(v) : Shown(m.params[index], v));
      if (!o.arrays.empty()) row.push_back(std::to_string(i));
      for (const auto& [index, a] : o.arrays) {
        row.push_back(i >= a.size() ? "" : csv ? FloatText(a[i]) : Shown(m.params[index], a[i]));
      }
      rows.push_back(std::move(row));
    }
  }
  if (csv) {
    auto print = [&](const std::vector<std::string>& row) {
      for (size_t c = 0; c < row.size(); ++c) out << (c ? "," : "") << CsvField(row[c]);
      out << "\r\n";
    };
    print(header);
    for (const auto& row : rows) print(row);
    return;
  }
  std::vector<size_t> width(header.size());
  for (size_t c = 0; c < header.size(); ++c) width[c] = header[c].size();
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size() && c < width.size(); ++c) width[c] = std::max(width[c], row[c].size());
  }
  auto print = [&](const std::vector<std::string>& row) {
    std::string line;
    for (size_t c = 0; c < row.size() && c < width.size(); ++c) {
      // Text left, numbers right.
      const bool left = c == 0;
      const std::string pad(width[c] - row[c].size(), ' ');
      line += (c ? "  " : "") + (left ? row[c] + pad : pad + row[c]);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  };
  print(header);
  for (const auto& row : rows) print(row);
}


}  // namespace usrhost
