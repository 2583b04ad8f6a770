// usrhost plot's pictures read back: one curve per output or per compared value, their legend
// labels and points, the x extent of the sweep and values recovered from the y axis; and the
// choices and errors of MakePlot.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_fixture.hpp"
#include "tools/usrhost/plots/plot.hpp"

namespace vektest {
namespace {

struct Point {
  double x, y;
};
struct Curve {
  std::string color;
  bool dashed = false;
  std::vector<Point> points;
};
struct Tick {
  double at;      // pixel
  double value;   // as labelled
};
struct Picture {
  std::vector<Curve> curves;
  std::vector<std::string> legend, panelTitles;
  std::vector<Tick> yTicks;
  double left = 0, top = 0, width = 0, height = 0;  // the first panel's plot area
  std::string text;

  // The value a pixel row stands for, from the first and last y tick labels.
  double ValueAt(double y) const {
    const Tick& a = yTicks.front();
    const Tick& b = yTicks.back();
    return a.value + (y - a.at) * (b.value - a.value) / (b.at - a.at);
  }
};

Picture Read(const std::string& svg) {
  Picture p;
  p.text = svg;
  // The point list is read by hand: libstdc++'s regex recurses once per character matched, and
  // a thousand points overflow a 1 MiB Windows stack.
  const std::regex polyline(R"re(<polyline fill="none" stroke="([^"]+)" stroke-width="1.6"( stroke-dasharray="5,3")? points=")re");
  for (std::sregex_iterator m(svg.begin(), svg.end(), polyline), end; m != end; ++m) {
    Curve c;
    c.color = (*m)[1];
    c.dashed = (*m)[2].matched;
    const size_t first = static_cast<size_t>(m->position(0) + m->length(0));
    const size_t last = svg.find('"', first);
    if (last == std::string::npos || svg.compare(last, 3, "\"/>") != 0) continue;
    std::istringstream points(svg.substr(first, last - first));
    for (std::string pair; points >> pair;) {
      const size_t comma = pair.find(',');
      c.points.push_back({std::strtod(pair.substr(0, comma).c_str(), nullptr), std::strtod(pair.substr(comma + 1).c_str(), nullptr)});
    }
    p.curves.push_back(c);
  }
  const std::regex legend(R"re(stroke-width="2"( stroke-dasharray="5,3")?/>\n<text x="[^"]+" y="[^"]+">([^<]*)</text>)re");
  for (std::sregex_iterator m(svg.begin(), svg.end(), legend), end; m != end; ++m) p.legend.push_back((*m)[2]);
  const std::regex title(R"re(text-anchor="middle" font-size="13">([^<]*)</text>)re");
  for (std::sregex_iterator m(svg.begin(), svg.end(), title), end; m != end; ++m) p.panelTitles.push_back((*m)[1]);
  const std::regex tick(R"re(<text x="[^"]+" y="([^"]+)" text-anchor="end">([^<]*)</text>)re");
  for (std::sregex_iterator m(svg.begin(), svg.end(), tick), end; m != end; ++m) {
    p.yTicks.push_back({std::strtod((*m)[1].str().c_str(), nullptr) - 4, std::strtod((*m)[2].str().c_str(), nullptr)});
  }
  std::smatch area;
  if (std::regex_search(svg, area, std::regex(R"re(<rect x="([^"]+)" y="([^"]+)" width="([^"]+)" height="([^"]+)" fill="none")re"))) {
    p.left = std::strtod(area[1].str().c_str(), nullptr);
    p.top = std::strtod(area[2].str().c_str(), nullptr);
    p.width = std::strtod(area[3].str().c_str(), nullptr);
    p.height = std::strtod(area[4].str().c_str(), nullptr);
  }
  return p;
}

bool Plot(LoadedModule& lib, const usrhost::PlotOptions& o, Picture& picture, std::string& error) {
  std::ostringstream svg;
  if (!usrhost::MakePlot(lib.library, lib.module, o, svg, error)) return false;
  picture = Read(svg.str());
  return true;
}

Picture Plot(LoadedModule& lib, const usrhost::PlotOptions& o) {
  Picture p;
  std::string error;
  EXPECT_TRUE(Plot(lib, o, p, error)) << error;
  return p;
}

usrhost::PlotOptions Swept(double from, double to, double step) {
  usrhost::PlotOptions o;
  o.sweep = usrhost::Sweep{"Input", from, to, step};
  return o;
}

// Every point inside the plot area, the first on its left edge and the last on its right.
void ExpectSpansTheArea(const Picture& p, const Curve& c) {
  ASSERT_FALSE(c.points.empty());
  EXPECT_NEAR(c.points.front().x, p.left, 0.005);
  EXPECT_NEAR(c.points.back().x, p.left + p.width, 0.005);
  for (const Point& q : c.points) {
    EXPECT_GE(q.y, p.top);
    EXPECT_LE(q.y, p.top + p.height);
  }
}

TEST(Plot, ASweepDrawsOneCurveThroughTheModulesValues) {
  const Picture p = Plot(RandomLib(), Swept(0, 3, 0.25));
  ASSERT_EQ(p.curves.size(), 1u);
  EXPECT_EQ(p.legend, std::vector<std::string>{"Output"});
  const Curve& c = p.curves[0];
  ASSERT_EQ(c.points.size(), 13u) << "one point per sweep position, 0 to 3 in steps of 0.25";
  EXPECT_FALSE(c.dashed);
  ExpectSpansTheArea(p, c);
  for (size_t i = 1; i < c.points.size(); ++i) {
    EXPECT_NEAR(c.points[i].x - c.points[i - 1].x, p.width / 12, 0.011) << "evenly spaced: " << i;
  }
  ASSERT_GE(p.yTicks.size(), 2u);
  // Input 0 to 0.75, 1 to 1.75 and 2 to 2.75 each lie in one cell; 3 starts the next.
  const double expected[] = {0.87405998, 0.01123032, 0.50436175};
  for (size_t i = 0; i < 12; ++i) EXPECT_NEAR(p.ValueAt(c.points[i].y), expected[i / 4], 1e-3) << "Input " << i * 0.25;
  // The y axis covers the values with room to spare: the extremes lie inside, off the edges.
  double lo = c.points[0].y, hi = c.points[0].y;
  for (const Point& q : c.points) lo = std::min(lo, q.y), hi = std::max(hi, q.y);
  EXPECT_GT(lo, p.top + 1);
  EXPECT_LT(hi, p.top + p.height - 1);
  EXPECT_NE(p.text.find(">&quot;Input&quot;</text>"), std::string::npos) << "the x axis names the swept input";
  EXPECT_NE(p.text.find("All other settings at their defaults."), std::string::npos);
}

TEST(Plot, WithoutASweepTheFirstInputGoesFrom0To10) {
  const Picture p = Plot(RandomLib(), usrhost::PlotOptions{});
  ASSERT_EQ(p.curves.size(), 1u);
  EXPECT_EQ(p.curves[0].points.size(), 1001u);
  ExpectSpansTheArea(p, p.curves[0]);
  EXPECT_NE(p.text.find("text-anchor=\"middle\">10</text>"), std::string::npos) << "the last x tick is 10";
}

TEST(Plot, ComparedValuesOverlaidGetACurveAndALabelEach) {
  usrhost::PlotOptions o = Swept(0, 3, 0.25);
  o.varyName = "Fade";
  o.varyValues = {0, 0.5f, 1};
  const Picture p = Plot(RandomLib(), o);
  ASSERT_EQ(p.curves.size(), 3u);
  EXPECT_EQ(p.legend, (std::vector<std::string>{"Output (Fade = 0)", "Output (Fade = 0.5)", "Output (Fade = 1)"}));
  for (const Curve& c : p.curves) {
    EXPECT_EQ(c.points.size(), 13u);
    ExpectSpansTheArea(p, c);
  }
  EXPECT_NE(p.curves[0].color, p.curves[1].color);
  // Without a fade the values step from cell to cell; a full fade passes between them.
  EXPECT_NEAR(p.ValueAt(p.curves[0].points[4].y), 0.01123032, 1e-3);
  EXPECT_GT(p.ValueAt(p.curves[2].points[4].y), 0.2);
  EXPECT_NE(p.text.find("Vek Random: &quot;Fade&quot; compared"), std::string::npos);
}

TEST(Plot, SideBySidePanelsAreTitledByTheirValue) {
  usrhost::PlotOptions o = Swept(0, 3, 0.5);
  o.varyName = "Fade";
  o.varyValues = {0, 1};
  o.sideBySide = true;
  const Picture p = Plot(RandomLib(), o);
  ASSERT_EQ(p.curves.size(), 2u);
  EXPECT_EQ(p.panelTitles, (std::vector<std::string>{"Fade = 0", "Fade = 1"}));
  EXPECT_EQ(p.legend, (std::vector<std::string>{"Output", "Output"}));
  EXPECT_NEAR(p.curves[1].points.front().x - p.curves[0].points.front().x, 760, 0.005) << "the second panel beside the first";
}

TEST(Plot, ArraysDrawEveryOutputByIndexTheWholeNumbersAsSteps) {
  const Picture p = Plot(ArrayLib(), usrhost::PlotOptions{});
  ASSERT_EQ(p.curves.size(), 2u);
  EXPECT_EQ(p.legend, (std::vector<std::string>{"Float Out", "Integer Out"}));
  EXPECT_EQ(p.curves[0].points.size(), 16u) << "one point per element of the default 16";
  EXPECT_FALSE(p.curves[0].dashed);
  EXPECT_EQ(p.curves[1].points.size(), 32u) << "each step's start and end";
  EXPECT_TRUE(p.curves[1].dashed);
  EXPECT_NEAR(p.curves[1].points.back().x, p.left + p.width, 0.005) << "the last step reaches index 16";
  EXPECT_NE(p.text.find(">element index</text>"), std::string::npos);
  // Elements 2 to 8 hold 0.87406 and 12 to 15 0.01123, as Vek_Random's cells do.
  EXPECT_NEAR(p.ValueAt(p.curves[0].points[5].y), 0.87405998, 1e-3);
  EXPECT_NEAR(p.ValueAt(p.curves[0].points[13].y), 0.01123032, 1e-3);
}

TEST(Plot, ComparedArraysDrawTheFirstOutputAndNameListChoices) {
  usrhost::PlotOptions o;
  o.varyName = "Noise Gain";
  o.varyValues = {0.2f, 0.8f};
  Picture p = Plot(ArrayLib(), o);
  EXPECT_EQ(p.legend, (std::vector<std::string>{"Float Out (Noise Gain = 0.2)", "Float Out (Noise Gain = 0.8)"}));
  o.varyName = "Mode";
  o.varyValues = {0, 1};
  o.outputs = {"Integer Out"};
  p = Plot(ArrayLib(), o);
  EXPECT_EQ(p.legend, (std::vector<std::string>{"Integer Out (Mode = Automatic Update)", "Integer Out (Mode = Update on Click)"}));
}

TEST(Plot, SettingsThatDifferAreListedUnderThePicture) {
  usrhost::PlotOptions o = Swept(0, 1, 0.5);
  o.actions = {{usrhost::Action::kSet, "Octaves", 3}};
  o.varyName = "Fade";
  o.varyValues = {0.5f};
  const Picture p = Plot(RandomLib(), o);
  EXPECT_NE(p.text.find(">Settings that differ from the defaults:</text>"), std::string::npos);
  EXPECT_NE(p.text.find(">  Octaves = 3</text>"), std::string::npos) << "the varied and the swept setting are not listed";
}

TEST(Plot, RefusesWhatItCannotDraw) {
  Picture p;
  std::string error;
  usrhost::PlotOptions o = Swept(0, 1, 0.5);
  o.varyName = "Fades";
  o.varyValues = {1};
  EXPECT_FALSE(Plot(RandomLib(), o, p, error));
  EXPECT_EQ(error, "no parameter \"Fades\"");
  o = Swept(0, 1, 0.5);
  o.outputs = {"Input"};
  EXPECT_FALSE(Plot(RandomLib(), o, p, error));
  EXPECT_EQ(error, "\"Input\" is not an output");
  o = Swept(0, 1, 0.5);
  o.outputs = {"Outputs"};
  EXPECT_FALSE(Plot(RandomLib(), o, p, error));
  EXPECT_EQ(error, "\"Outputs\" is not an output");
  o = Swept(0, 1, 0.5);
  o.actions = {{usrhost::Action::kSet, "Output Min", NAN}};
  EXPECT_FALSE(Plot(RandomLib(), o, p, error));
  EXPECT_EQ(error, "nothing to draw: every value is NaN or infinite");
}

}  // namespace
}  // namespace vektest
