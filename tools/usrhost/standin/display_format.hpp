#pragma once
// Whether a module's display format can be handed to printf with one double.
#include <string>

namespace usrhost {

// Longest conversion ("%-+#012.10lf" and shorter) a display format may hold, so that a format
// cannot ask for a field wider than a line.
constexpr size_t kMaxConversionLength = 12;

// True where `format` holds exactly one conversion of a double (f F e E g G a A; flags, width,
// precision and an `l` allowed, no `*`), any number of "%%", and nothing else that printf reads;
// else false with the reason in `why`.
bool SafeDoubleFormat(const std::string& format, std::string& why);

}  // namespace usrhost
