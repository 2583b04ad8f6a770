#pragma once
// Text put into XML (the plot's SVG, validate's JUnit report), in element text or attribute values.
#include <string>

namespace usrhost {

// & < > " ' as entities; tab, line feed and carriage return as character references, so that an
// attribute value keeps them; every other control character, which XML 1.0 cannot hold, as '?'.
std::string XmlEscaped(const std::string& text);

}  // namespace usrhost
