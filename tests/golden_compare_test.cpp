// usrhost compare against a golden file with one bit changed: the first differing value, by place.
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "plugin_fixture.hpp"
#include "tools/usrhost/validation/subprocess.hpp"

namespace vektest {
namespace {

TEST(Golden, CompareReportsTheFirstDifferingElement) {
  std::ifstream in(std::string(VEK_GOLDEN_DIR) + "Vek_Random_Array.golden.json");
  nlohmann::json doc = nlohmann::json::parse(in);
  // One bit changed in element 5 of "Float Out" of the second dump of the first session.
  std::string& bits = doc["sessions"][0]["dumps"][1]["Float Out"][5].get_ref<std::string&>();
  bits.back() = bits.back() == '0' ? '1' : '0';
  const std::string tampered = "tampered.golden.json";
  std::ofstream(tampered) << doc.dump();
  const usrhost::ChildResult r = usrhost::RunChild(
      {VEK_USRHOST, "compare", std::string(VEK_MODULE_DIR) + VEK_RANDOM_ARRAY_USR, tampered}, 120);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("dump 2, \"Float Out\" element 5: expected"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace vektest
