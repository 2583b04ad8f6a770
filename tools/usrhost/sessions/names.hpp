#pragma once
// Parameters named as a user names them: captions in any case where one fits, indexes, the text of
// a List's choice; and what to say when a name fits nothing.
#include <optional>
#include <string>
#include <vector>

#include "tools/usrhost/sessions/session_text.hpp"

namespace usrhost {

// The candidates nearest to a mistyped name (by edit distance, ignoring case), at most three.
std::vector<std::string> Nearest(const std::string& name, const std::vector<std::string>& candidates);

// What a parameter is named for: set (an input that takes a value), press (a button), show (an
// output).
enum class ParamUse { kSet, kPress, kShow };
// A caption (exactly, or ignoring case where only one matches) or an index. When nothing fits
// the error says what would: the nearest captions, or the parameters that can be used so.
std::optional<int32_t> ResolveParameter(const ModuleDescription& module, const std::string& name, ParamUse use,
                                        std::string& error);
// Checks actions and a sweep against the module before anything runs: every name resolves for
// its use (and is rewritten to its index); values a host would never send (outside the declared
// range, or not finite) are kept, for testing, and each gets a warning.
bool CheckActions(const ModuleDescription& module, std::vector<Action>& actions, std::optional<Sweep>& sweep,
                  std::vector<std::string>& warnings, std::string& error);
// The same check for one value given to a parameter; empty when a host could send it.
std::string ValueWarning(const ParamDescription& param, float value);

// A List's choice named by its text, in any case: `v` becomes its position. False with `error`
// set when `name` is a List that has no such choice, with it empty when `name` is no List.
bool ChoiceValue(const ModuleDescription* module, const std::string& name, const std::string& text, double& v,
                 std::string& error);

}  // namespace usrhost
