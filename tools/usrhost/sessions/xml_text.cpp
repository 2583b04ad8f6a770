#include "tools/usrhost/sessions/xml_text.hpp"

namespace usrhost {

std::string XmlEscaped(const std::string& text) {
  std::string r;
  for (char c : text) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '"': r += "&quot;"; break;
      case '\'': r += "&apos;"; break;
      case '\t': r += "&#9;"; break;
      case '\n': r += "&#10;"; break;
      case '\r': r += "&#13;"; break;
      default: r += static_cast<unsigned char>(c) < 0x20 || c == '\x7f' ? '?' : c;
    }
  }
  return r;
}

}  // namespace usrhost
