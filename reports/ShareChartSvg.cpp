#include "ShareChartSvg.h"

#include "NumberText.h"
#include "PieLayout.h"
#include "TextEscape.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace trawler::reports {

namespace {

constexpr int kMargin = 10;
constexpr int kLineHeight = 20;
constexpr int kSwatch = 12;
constexpr int kSwatchGap = 4;
// An estimate of the legend font's advance per terminal cell, to size the
// picture; the text itself is not cut.
constexpr int kCellWidth = 7;

std::string num(double v)
{
    return fixedDecimal(v, 2);
}

std::string colour(const Rgb& c)
{
    return "rgb(" + std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue) + ")";
}

long textWidth(const std::string& shown)
{
    return static_cast<long>(std::min<std::size_t>(displayWidth(shown), 1000000)) * kCellWidth;
}

void writeWedge(std::ostream& out, const PieLayout& layout, const PieWedge& w)
{
    const double span = w.endAngle - w.startAngle;
    if (!(span > 0.0))
        return;
    const double cx = layout.square.left + layout.square.width() / 2.0;
    const double cy = layout.square.top + layout.square.height() / 2.0;
    const double r = layout.radius;
    const std::string fill = colour(w.colour);
    if (span >= kFullTurn - 1e-9) {
        out << "<circle cx=\"" << num(cx) << "\" cy=\"" << num(cy) << "\" r=\"" << num(r) << "\" fill=\"" << fill
            << "\" stroke=\"" << fill << "\"/>\n";
        return;
    }
    // y grows downward: counter-clockwise on screen is SVG's negative sweep.
    const double sx = cx + r * std::cos(w.startAngle);
    const double sy = cy - r * std::sin(w.startAngle);
    const double ex = cx + r * std::cos(w.endAngle);
    const double ey = cy - r * std::sin(w.endAngle);
    out << "<path d=\"M" << num(cx) << ' ' << num(cy) << " L" << num(sx) << ' ' << num(sy) << " A" << num(r) << ' '
        << num(r) << " 0 " << (span > kFullTurn / 2 ? 1 : 0) << " 0 " << num(ex) << ' ' << num(ey) << " Z\" fill=\""
        << fill << "\" stroke=\"" << fill << "\"/>\n";
}

} // namespace

void writeShareChartSvg(std::ostream& out, const ShareChart& chart, bool standalone)
{
    const PieLayout layout = layoutPie(chart);
    const long left = static_cast<long>(chart.square.left) - kMargin;
    const long top = static_cast<long>(chart.square.top) - kMargin;
    long right = static_cast<long>(chart.square.right) + kMargin;
    long bottom = static_cast<long>(chart.square.bottom) + kMargin;

    std::vector<std::string> lines;
    for (const auto& w : layout.wedges)
        lines.push_back(displayText(w.legend));
    if (lines.empty() && !chart.emptyReason.empty())
        lines.push_back(displayText(chart.emptyReason));
    const long legendX = layout.wedges.empty() ? chart.square.left : static_cast<long>(chart.square.right) + 20;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        right = std::max(right, legendX + kSwatch + kSwatchGap + textWidth(lines[i]) + kMargin);
        bottom = std::max(bottom, static_cast<long>(chart.square.top) + kLineHeight * static_cast<long>(i + 1) + kMargin);
    }
    const long width = right - left;
    const long height = bottom - top;

    if (standalone)
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\" viewBox=\"" << left << ' ' << top << ' ' << width << ' ' << height << "\">\n";
    out << "<rect x=\"" << left << "\" y=\"" << top << "\" width=\"" << width << "\" height=\"" << height
        << "\" fill=\"" << colour(kLegendBackground) << "\"/>\n";
    for (const auto& w : layout.wedges)
        writeWedge(out, layout, w);
    out << "<g font-family=\"sans-serif\" font-size=\"12\" fill=\"" << colour(kLegendText) << "\">\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const long y = static_cast<long>(chart.square.top) + kLineHeight * static_cast<long>(i);
        long textX = legendX;
        if (i < layout.wedges.size()) {
            out << "<rect x=\"" << legendX << "\" y=\"" << y + 2 << "\" width=\"" << kSwatch << "\" height=\"" << kSwatch
                << "\" fill=\"" << colour(layout.wedges[i].colour) << "\" stroke=\"black\"/>\n";
            textX += kSwatch + kSwatchGap;
        }
        out << "<text x=\"" << textX << "\" y=\"" << y + 13 << "\" xml:space=\"preserve\">" << markupText(lines[i])
            << "</text>\n";
    }
    out << "</g>\n</svg>\n";
}

std::string shareChartSvg(const ShareChart& chart, bool standalone)
{
    std::ostringstream out;
    writeShareChartSvg(out, chart, standalone);
    return out.str();
}

} // namespace trawler::reports
