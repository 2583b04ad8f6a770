#pragma once
// Line charts as SVG: axes with round ticks, labels, a legend and a caption.
#include <ostream>
#include <string>
#include <vector>

namespace usrhost {

struct Series {
  std::string label;
  std::vector<double> x, y;
  bool steps = false;  // hold each value until the next x (whole-number outputs)
};

struct Panel {
  std::string title;
  std::string xLabel, yLabel;
  std::vector<Series> series;
};

// Panels side by side; the caption lines go underneath.
void WriteSvg(std::ostream& out, const std::vector<Panel>& panels, const std::string& title,
              const std::vector<std::string>& caption);

}  // namespace usrhost
