// usrhost run's table, CSV and JSON: the documented values, the exact CSV text, JSON with its
// keys, and the same numbers in every format.
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "plugin_fixture.hpp"
#include "tools/usrhost/validation/subprocess.hpp"

namespace vektest {
namespace {

std::string RunUsrhost(const char* module, std::vector<std::string> options) {
  std::vector<std::string> argv = {VEK_USRHOST, "run", std::string(VEK_MODULE_DIR) + module};
  argv.insert(argv.end(), options.begin(), options.end());
  const usrhost::ChildResult r = usrhost::RunChild(argv, 120);
  EXPECT_EQ(r.exitCode, 0) << r.how;
  return r.output;
}

// Vek_Random at its defaults swept over Input 0..2.25: Input 0 to 0.75 gives 0.87405998, 1 to 1.75
// gives 0.01123032 and 2 to 2.25 gives 0.50436175.
const std::vector<std::string> kSweep = {"--sweep", "Input=0:2.25:0.25"};
const char* const kPositions[] = {"0", "0.25", "0.5", "0.75", "1", "1.25", "1.5", "1.75", "2", "2.25"};
const char* const kTable[] = {"0.87405998", "0.01123032", "0.50436175"};  // with the declared %.8f
const char* const kShortest[] = {"0.87406", "0.011230322", "0.50436175"};  // reads back as the same float32
const char* At(const char* const (&values)[3], int row) { return values[row / 4]; }

TEST(RunOutput, TableHasTheDocumentedValues) {
  std::istringstream table(RunUsrhost(VEK_RANDOM_USR, kSweep));
  std::string line;
  ASSERT_TRUE(std::getline(table, line));
  EXPECT_EQ(line, "at        Output");
  for (int row = 0; row < 10; ++row) {
    ASSERT_TRUE(std::getline(table, line)) << row;
    std::istringstream cells(line);
    std::string at, value, extra;
    cells >> at >> value;
    EXPECT_EQ(at, kPositions[row]);
    EXPECT_EQ(value, At(kTable, row)) << "Input " << at;
    EXPECT_FALSE(cells >> extra) << line;
  }
  EXPECT_FALSE(std::getline(table, line)) << "one row per sweep position: " << line;
}

TEST(RunOutput, CsvIsTheHeaderThenOneRowPerPositionWithCrlf) {
  std::string expected = "at,Output\r\n";
  for (int row = 0; row < 10; ++row) expected += std::string(kPositions[row]) + "," + At(kShortest, row) + "\r\n";
  EXPECT_EQ(RunUsrhost(VEK_RANDOM_USR, {kSweep[0], kSweep[1], "--format", "csv"}), expected);
}

TEST(RunOutput, CsvOfAnArrayHasAnIndexColumn) {
  EXPECT_EQ(RunUsrhost(VEK_RANDOM_ARRAY_USR, {"-s", "Array Size=4", "--format", "csv"}),
            "at,index,Float Out,Integer Out\r\n"
            "end,0,0.44525218,0\r\nend,1,0.7882984,1\r\nend,2,0.87406,1\r\nend,3,0.87406,1\r\n");
}

TEST(RunOutput, JsonParsesWithTheDocumentedKeysAndTheTablesNumbers) {
  const nlohmann::json doc = nlohmann::json::parse(RunUsrhost(VEK_RANDOM_USR, {kSweep[0], kSweep[1], "--format", "json"}),
                                                   nullptr, false);
  ASSERT_TRUE(doc.is_object());
  EXPECT_EQ(doc.size(), 2u) << doc.dump();
  EXPECT_EQ(doc["module"], "Vek Random");
  const nlohmann::json& snapshots = doc["snapshots"];
  ASSERT_TRUE(snapshots.is_array());
  ASSERT_EQ(snapshots.size(), 10u);
  for (int row = 0; row < 10; ++row) {
    const nlohmann::json& s = snapshots[row];
    // A sweep's snapshot names the swept parameter with its value as a number, no "at".
    EXPECT_EQ(s.size(), 2u) << s.dump();
    ASSERT_TRUE(s["Input"].is_number() && s["Output"].is_number()) << s.dump();
    EXPECT_EQ(s["Input"].get<double>(), std::strtod(kPositions[row], nullptr));
    const float output = static_cast<float>(s["Output"].get<double>());
    EXPECT_EQ(Bits(output), Bits(std::strtof(At(kShortest, row), nullptr))) << s.dump();
    EXPECT_NEAR(output, std::strtod(At(kTable, row), nullptr), 5e-9) << s.dump();
  }
}

TEST(RunOutput, JsonOfAnArrayListsItsElements) {
  const nlohmann::json doc =
      nlohmann::json::parse(RunUsrhost(VEK_RANDOM_ARRAY_USR, {"-s", "Array Size=3", "--format", "json"}), nullptr, false);
  ASSERT_TRUE(doc.is_object());
  const nlohmann::json expected = nlohmann::json::parse(R"({"module": "Vek Random Array", "snapshots": [
      {"at": "end", "Float Out": [0.44525218, 0.7882984, 0.87406], "Integer Out": [0.0, 1.0, 1.0]}]})");
  EXPECT_EQ(doc, expected);
}

}  // namespace
}  // namespace vektest
