#include "tools/usrhost/plots/svg_plot.hpp"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstdio>

#include "tools/usrhost/sessions/xml_text.hpp"

namespace usrhost {
namespace {

constexpr double kPanelWidth = 760, kPanelHeight = 420;
constexpr double kLeft = 70, kRight = 20, kTop = 40, kBottom = 60;
const char* const kColors[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#8c564b", "#e377c2"};

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

std::string TickText(double v, double step) {
  char buf[32];
  if (std::fabs(v) < step * 1e-6) v = 0;
  const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  if (std::fabs(v) >= 1e6 || (v != 0 && std::fabs(v) < 1e-4)) {
    std::snprintf(buf, sizeof buf, "%.3g", v);
  } else {
    std::snprintf(buf, sizeof buf, "%.*f", std::min(decimals, 8), v);
  }
  return buf;
}

// Round tick positions covering lo..hi, about `count` of them.
std::vector<double> NiceTicks(double lo, double hi, int count) {
  std::vector<double> ticks;
  if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi)) return ticks;
  const double raw = (hi - lo) / std::max(count, 1);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  double step = magnitude;
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    step = m * magnitude;
    if (step >= raw) break;
  }
  for (double t = std::ceil(lo / step) * step; t <= hi + step * 1e-9; t += step) ticks.push_back(t);
  return ticks;
}

}  // namespace


void WriteSvg(std::ostream& out, const std::vector<Panel>& panels, const std::string& title,
              const std::vector<std::string>& caption) {
  const double width = kPanelWidth * static_cast<double>(std::max<size_t>(panels.size(), 1));
  const double height = kPanelHeight + 36 + 18.0 * static_cast<double>(caption.size()) + 10;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Num(width) << "\" height=\"" << Num(height)
      << "\" viewBox=\"0 0 " << Num(width) << " " << Num(height) << "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  out << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  out << "<text x=\"" << Num(width / 2) << "\" y=\"24\" text-anchor=\"middle\" font-size=\"16\" font-weight=\"bold\">"
      << XmlEscaped(title) << "</text>\n";

  for (size_t pi = 0; pi < panels.size(); ++pi) {
    const Panel& panel = panels[pi];
    const double ox = kPanelWidth * static_cast<double>(pi), oy = 30;
    const double plotW = kPanelWidth - kLeft - kRight, plotH = kPanelHeight - kTop - kBottom;
    double xlo = INFINITY, xhi = -INFINITY, ylo = INFINITY, yhi = -INFINITY;
    for (const Series& s : panel.series) {
      for (size_t i = 0; i < s.x.size(); ++i) {
        if (!std::isfinite(s.y[i])) continue;
        xlo = std::min(xlo, s.x[i]);
        xhi = std::max(xhi, s.x[i] + (s.steps ? 1.0 : 0.0));
        ylo = std::min(ylo, s.y[i]);
        yhi = std::max(yhi, s.y[i]);
      }
    }
    if (!(xhi > xlo)) { xlo = std::isfinite(xlo) ? xlo - 1 : 0; xhi = xlo + 2; }
    if (!(yhi > ylo)) { ylo = std::isfinite(ylo) ? ylo - 1 : 0; yhi = ylo + 2; }
    const double pad = (yhi - ylo) * 0.05;
    ylo -= pad;
    yhi += pad;
    auto X = [&](double x) { return ox + kLeft + (x - xlo) / (xhi - xlo) * plotW; };
    auto Y = [&](double y) { return oy + kTop + (yhi - y) / (yhi - ylo) * plotH; };

    out << "<g>\n<text x=\"" << Num(ox + kLeft + plotW / 2) << "\" y=\"" << Num(oy + 24)
        << "\" text-anchor=\"middle\" font-size=\"13\">" << XmlEscaped(panel.title) << "</text>\n";
    out << "<rect x=\"" << Num(ox + kLeft) << "\" y=\"" << Num(oy + kTop) << "\" width=\"" << Num(plotW) << "\" height=\""
        << Num(plotH) << "\" fill=\"none\" stroke=\"#333\"/>\n";
    const auto xt = NiceTicks(xlo, xhi, 8), yt = NiceTicks(ylo, yhi, 6);
    const double xstep = xt.size() > 1 ? xt[1] - xt[0] : 1, ystep = yt.size() > 1 ? yt[1] - yt[0] : 1;
    for (double t : xt) {
      out << "<line x1=\"" << Num(X(t)) << "\" y1=\"" << Num(oy + kTop) << "\" x2=\"" << Num(X(t)) << "\" y2=\""
          << Num(oy + kTop + plotH) << "\" stroke=\"#ddd\"/>\n";
      out << "<text x=\"" << Num(X(t)) << "\" y=\"" << Num(oy + kTop + plotH + 16) << "\" text-anchor=\"middle\">"
          << TickText(t, xstep) << "</text>\n";
    }
    for (double t : yt) {
      out << "<line x1=\"" << Num(ox + kLeft) << "\" y1=\"" << Num(Y(t)) << "\" x2=\"" << Num(ox + kLeft + plotW)
          << "\" y2=\"" << Num(Y(t)) << "\" stroke=\"#ddd\"/>\n";
      out << "<text x=\"" << Num(ox + kLeft - 6) << "\" y=\"" << Num(Y(t) + 4) << "\" text-anchor=\"end\">"
          << TickText(t, ystep) << "</text>\n";
    }
    out << "<text x=\"" << Num(ox + kLeft + plotW / 2) << "\" y=\"" << Num(oy + kTop + plotH + 38)
        << "\" text-anchor=\"middle\">" << XmlEscaped(panel.xLabel) << "</text>\n";
    out << "<text transform=\"translate(" << Num(ox + 18) << "," << Num(oy + kTop + plotH / 2)
        << ") rotate(-90)\" text-anchor=\"middle\">" << XmlEscaped(panel.yLabel) << "</text>\n";

    for (size_t si = 0; si < panel.series.size(); ++si) {
      const Series& s = panel.series[si];
      const char* color = kColors[si % (sizeof kColors / sizeof kColors[0])];
      std::string points;
      auto flush = [&] {
        if (!points.empty()) {
          out << "<polyline fill=\"none\" stroke=\"" << color << "\" stroke-width=\"1.6\""
              << (s.steps ? " stroke-dasharray=\"5,3\"" : "") << " points=\"" << points << "\"/>\n";
        }
        points.clear();
      };
      for (size_t i = 0; i < s.x.size(); ++i) {
        if (!std::isfinite(s.y[i])) {
          flush();
          continue;
        }
        points += Num(X(s.x[i])) + "," + Num(Y(s.y[i])) + " ";
        if (s.steps) points += Num(X(s.x[i] + 1)) + "," + Num(Y(s.y[i])) + " ";
      }
      flush();
    }
    // The legend after every curve, so that no curve is drawn over it, in the corner of the plot
    // the curves cross least.
    size_t longest = 0;
    for (const Series& s : panel.series) longest = std::max(longest, s.label.size());
    const double legendW = 44 + 7.0 * static_cast<double>(longest), legendH = 16.0 * static_cast<double>(panel.series.size()) + 6;
    double bestX = ox + kLeft + 6, bestY = oy + kTop + 4;
    size_t fewest = SIZE_MAX;
    for (int corner = 0; corner < 4; ++corner) {
      const double lx = corner % 2 == 0 ? ox + kLeft + 6 : ox + kLeft + plotW - 6 - legendW;
      const double lt = corner < 2 ? oy + kTop + 4 : oy + kTop + plotH - 4 - legendH;
      size_t inside = 0;
      for (const Series& s : panel.series) {
        for (size_t i = 0; i < s.x.size(); ++i) {
          if (!std::isfinite(s.y[i])) continue;
          const double px = X(s.x[i]), py = Y(s.y[i]);
          inside += px >= lx && px <= lx + legendW && py >= lt && py <= lt + legendH;
        }
      }
      if (inside < fewest) {
        fewest = inside;
        bestX = lx;
        bestY = lt;
      }
    }
    out << "<rect x=\"" << Num(bestX) << "\" y=\"" << Num(bestY) << "\" width=\"" << Num(legendW) << "\" height=\""
        << Num(legendH) << "\" fill=\"white\" fill-opacity=\"0.85\"/>\n";
    for (size_t si = 0; si < panel.series.size(); ++si) {
      const Series& s = panel.series[si];
      const char* color = kColors[si % (sizeof kColors / sizeof kColors[0])];
      const double ly = bestY + 15 + 16.0 * static_cast<double>(si);
      out << "<line x1=\"" << Num(bestX + 4) << "\" y1=\"" << Num(ly - 4) << "\" x2=\"" << Num(bestX + 28)
          << "\" y2=\"" << Num(ly - 4) << "\" stroke=\"" << color << "\" stroke-width=\"2\""
          << (s.steps ? " stroke-dasharray=\"5,3\"" : "") << "/>\n";
      out << "<text x=\"" << Num(bestX + 34) << "\" y=\"" << Num(ly) << "\">" << XmlEscaped(s.label) << "</text>\n";
    }
    out << "</g>\n";
  }
  double cy = kPanelHeight + 44;
  for (const std::string& line : caption) {
    out << "<text x=\"" << Num(kLeft) << "\" y=\"" << Num(cy) << "\" fill=\"#444\">" << XmlEscaped(line) << "</text>\n";
    cy += 18;
  }
  out << "</svg>\n";
}

}  // namespace usrhost
