#pragma once
// A float32 as the shortest text that reads back as the same value, spelt alike on every system.
#include <string>

namespace usrhost {

std::string FloatText(float v);

}  // namespace usrhost
