// The stand-in's small rules written once: display formats, choices text, XML text, float bits.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/usrhost/standin/choices_text.hpp"
#include "tools/usrhost/standin/display_format.hpp"
#include "tools/usrhost/sessions/xml_text.hpp"

namespace usrhost {
namespace {

TEST(SafeDoubleFormat, AcceptsOneConversionOfADouble) {
  for (const char* f : {"%f", "%.3f", "%F", "%e", "%E", "%g", "%G", "%a", "%A", "%lf", "%-+ #012.4e", "%5.0f Hz",
                        "100%% at %.1f", "%g%%", "%%%f%%", "%.10lf"}) {
    std::string why;
    EXPECT_TRUE(SafeDoubleFormat(f, why)) << f << ": " << why;
  }
}

TEST(SafeDoubleFormat, RefusesWhatIsNotExactlyOneDouble) {
  for (const char* f : {"", "plain", "%%", "%d", "%i", "%x", "%s", "%n", "%p", "%c", "%f %f", "%f%n", "%*f", "%.*f",
                        "%Lf", "%hf", "%llf", "%qf", "%zf", "%jf", "%", "%.3", "abc%", "%5", "%1$f",
                        "%0000000000001f", "%1234567890.1f"}) {
    std::string why;
    EXPECT_FALSE(SafeDoubleFormat(f, why)) << f;
    EXPECT_FALSE(why.empty()) << f;
  }
}

TEST(SafeDoubleFormat, BoundsTheConversionsLength) {
  std::string why;
  EXPECT_TRUE(SafeDoubleFormat("%-+#012.10lf", why)) << why;  // twelve characters
  EXPECT_FALSE(SafeDoubleFormat("%-+#0123.10lf", why));
  EXPECT_NE(why.find("longer"), std::string::npos) << why;
}

using Names = std::vector<std::string>;

TEST(ParseChoices, ReadsQuotedEntriesInOrder) {
  EXPECT_EQ(ParseChoices("\"Automatic Update\",\"Update on Click\""), Names({"Automatic Update", "Update on Click"}));
  EXPECT_EQ(ParseChoices("\"One\""), Names({"One"}));
  // Commas and spaces inside the quotes belong to the entry.
  EXPECT_EQ(ParseChoices("\"a, b\",\" c \""), Names({"a, b", " c "}));
}

TEST(ParseChoices, RefusesMalformedText) {
  for (const char* text : {"", "A,B", "\"A\",B", "\"A\", \"B\"", " \"A\"", "\"A\" ", "\"A\",", "\"A\",,\"B\"",
                           "\"\"", "\"A\",\"\"", "\"unterminated", "\"A\",\"B", "\"A\"\"B\"", ","}) {
    EXPECT_EQ(ParseChoices(text), std::nullopt) << text;
  }
}

TEST(XmlEscaped, LeavesTextThatXmlCanHoldReadable) {
  EXPECT_EQ(XmlEscaped("Octaves = 3.5"), "Octaves = 3.5");
  EXPECT_EQ(XmlEscaped("a<b & c>\"d\" 'e'"), "a&lt;b &amp; c&gt;&quot;d&quot; &apos;e&apos;");
  EXPECT_EQ(XmlEscaped("line\nnext\ttab\r"), "line&#10;next&#9;tab&#13;");
  EXPECT_EQ(XmlEscaped("caf\xc3\xa9"), "caf\xc3\xa9");  // UTF-8 passes through
}

TEST(XmlEscaped, ReplacesControlCharactersXmlCannotHold) {
  EXPECT_EQ(XmlEscaped(std::string("a\0b", 3)), "a?b");
  EXPECT_EQ(XmlEscaped("\x01\x08\x0b\x0c\x1b\x1f\x7f"), "???????");
}

}  // namespace
}  // namespace usrhost
