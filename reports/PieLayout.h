#pragma once
#include "Geometry.h"
#include "ShareChart.h"
#include "ShareMath.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace trawler::reports {

// Where and how to paint a share chart. Pure numbers: the view turns them
// into painter calls.

// One full turn: a set of shares that adds up to one closes the pie.
inline constexpr double kFullTurn = 6.283185307179586476925286766559;

// Slice i takes entry i mod 10.
extern const std::array<Rgb, 10> kSliceColours;
Rgb sliceColour(std::size_t index);

// "%s:%.1f%%" of the label and share * 100, e.g. "Echo Request:60.0%",
// with "." as the decimal point in every locale. No length limit. The label
// is as stored: a caller that prints it escapes it (TextEscape.h).
std::string legendLine(const std::string& label, double share);

struct PieWedge {
    Rgb colour;           // fill and 1-pixel outline
    // Running angles in radians, counter-clockwise from 3 o'clock (y grows
    // down on screen, so counter-clockwise on screen). For a painter taking
    // degrees: start = startAngle * 180 / pi, span = (endAngle - startAngle) *
    // 180 / pi; a span of a full turn is the whole disc.
    double startAngle = 0.0;
    double endAngle = 0.0;
    // Points on the circle where the wedge's two radii end, each coordinate
    // truncated toward zero: (centre.x + r cos A, centre.y - r sin A).
    ChartPoint startPoint;
    ChartPoint endPoint;
    std::string legend;          // legendLine(label, share)
    ChartPoint legendTopLeft;    // (square.right + 20, square.top + 20 * i): top-left of the text
};

struct PieLayout {
    ChartRect square;      // the pie is the ellipse inscribed in it
    ChartPoint centre;
    float radius = 0.0f;   // half the square's width
    std::vector<PieWedge> wedges;   // empty: nothing is drawn, not even a legend
};

PieLayout layoutPie(const std::vector<Slice>& slices, const ChartRect& square, const ChartPoint& centre);
PieLayout layoutPie(const ShareChart& chart);

// The legend's text colour and background, and the view's background.
inline constexpr Rgb kLegendText{255, 255, 0};
inline constexpr Rgb kLegendBackground{128, 128, 128};

} // namespace trawler::reports
