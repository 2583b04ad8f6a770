#pragma once
// A List parameter's choices text, as a module declares it: "A","B",...
#include <optional>
#include <string>
#include <vector>

namespace usrhost {

// The entries in order: each one in double quotes, not empty, with no quote inside, separated by
// single commas with nothing around them. Nothing when the text is not such a list, empty text
// included, so that every reader of a module's choices sees the same entries or none.
std::optional<std::vector<std::string>> ParseChoices(const std::string& text);

}  // namespace usrhost
