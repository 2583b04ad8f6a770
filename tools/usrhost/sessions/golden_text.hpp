#pragma once
// Golden files as text: parsed and checked for the shape the stand-in records, without a module
// to run them on (the release runner reads them too).
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace usrhost {

// A golden file's text, parsed and checked for the shape record writes; errors name the place
// ("g.json:3:14: not JSON: ...", "g.json: sessions[1].dumps is missing or not a list").
bool ParseGolden(const std::string& text, const std::string& path, nlohmann::json& doc, std::string& error);

// The bit pattern a value of a checked golden file holds (8 hex digits, either case).
uint32_t GoldenBits(const nlohmann::json& hex);

}  // namespace usrhost
