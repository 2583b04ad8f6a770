#include "tools/usrhost/sessions/golden_text.hpp"

#include <cstdlib>

namespace usrhost {

uint32_t GoldenBits(const nlohmann::json& hex) {
  return static_cast<uint32_t>(std::strtoul(hex.get_ref<const std::string&>().c_str(), nullptr, 16));
}

namespace {

// "line L, column C" of a byte offset, for a parse error a user can find in an editor.
std::string Position(const std::string& text, size_t offset) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return std::to_string(line) + ":" + std::to_string(column);
}

bool IsBits(const nlohmann::json& v) {
  return v.is_string() && v.get_ref<const std::string&>().size() == 8 &&
         v.get_ref<const std::string&>().find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// The shape a golden file must have, checked whole before anything runs; the error names the
// place ("sessions[1].dumps[0].Output").
bool CheckGoldenShape(const nlohmann::json& doc, std::string& error) {
  if (!doc.is_object()) return (error = "not a golden file: the top level is not an object", false);
  if (!doc.contains("module") || !doc["module"].is_string()) return (error = "\"module\" is missing or not text", false);
  if (!doc.contains("sessions") || !doc["sessions"].is_array()) return (error = "\"sessions\" is missing or not a list", false);
  if (doc["sessions"].empty()) return (error = "\"sessions\" is empty: nothing to compare", false);
  for (size_t i = 0; i < doc["sessions"].size(); ++i) {
    const nlohmann::json& js = doc["sessions"][i];
    const std::string at = "sessions[" + std::to_string(i) + "]";
    if (!js.is_object()) return (error = at + " is not an object", false);
    if (!js.contains("actions") || !js["actions"].is_array()) return (error = at + ".actions is missing or not a list", false);
    for (const auto& a : js["actions"]) {
      if (!a.is_string()) return (error = at + ".actions holds something that is not text", false);
    }
    if (!js.contains("dumps") || !js["dumps"].is_array()) return (error = at + ".dumps is missing or not a list", false);
    for (size_t d = 0; d < js["dumps"].size(); ++d) {
      const nlohmann::json& dump = js["dumps"][d];
      const std::string dat = at + ".dumps[" + std::to_string(d) + "]";
      if (!dump.is_object()) return (error = dat + " is not an object", false);
      for (auto it = dump.begin(); it != dump.end(); ++it) {
        bool ok = IsBits(it.value());
        if (it.value().is_array()) {
          ok = true;
          for (const auto& e : it.value()) ok = ok && IsBits(e);
        }
        if (!ok) return (error = dat + "." + it.key() + " is not 8 hex digits or a list of them", false);
      }
    }
  }
  return true;
}

}  // namespace

bool ParseGolden(const std::string& text, const std::string& path, nlohmann::json& doc, std::string& error) {
  try {
    doc = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    std::string why = e.what();
    const size_t colon = why.rfind(": ");
    why = colon == std::string::npos ? why : why.substr(colon + 2);
    error = path + ":" + Position(text, e.byte > 0 ? e.byte - 1 : 0) + ": not JSON: " + why;
    return false;
  } catch (const nlohmann::json::exception& e) {
    // Valid syntax the parser still refuses, such as a number beyond a double ("1e999"); it names
    // the token but not where it is, so point at the token's first occurrence.
    std::string why = e.what();
    const size_t colon = why.rfind("] ");
    why = colon == std::string::npos ? why : why.substr(colon + 2);
    const size_t open = why.find('\''), close = why.rfind('\'');
    size_t at = std::string::npos;
    if (open != std::string::npos && close > open) at = text.find(why.substr(open + 1, close - open - 1));
    error = path + (at == std::string::npos ? "" : ":" + Position(text, at)) + ": not JSON: " + why;
    return false;
  }
  if (!CheckGoldenShape(doc, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace usrhost
