#include "PieLayout.h"

#include "NumberText.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace trawler::reports {

const std::array<Rgb, 10> kSliceColours = {{
    {255, 0, 0},
    {0, 255, 0},
    {0, 0, 255},
    {255, 200, 200},
    {255, 255, 0},
    {0, 255, 255},
    {255, 0, 255},
    {20, 100, 100},
    {150, 200, 10},
    {10, 200, 255},
}};

Rgb sliceColour(std::size_t index)
{
    return kSliceColours[index % kSliceColours.size()];
}

std::string legendLine(const std::string& label, double share)
{
    return label + ":" + fixedDecimal(share * 100.0, 1) + "%";
}

namespace {

// Truncation toward zero, after a nudge of far less than a pixel: a coordinate
// that is a whole number in exact arithmetic (sin(pi) * r) must not fall to
// the pixel below because the double came out a hair short.
// A value an int cannot hold (NaN, or far off the view) is clamped rather
// than converted: that conversion is undefined.
int toPixel(double v)
{
    if (std::isnan(v))
        return 0;
    const double nudged = v + (v >= 0 ? 1e-9 : -1e-9);
    if (nudged >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (nudged <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(nudged);
}

ChartPoint radialPoint(const ChartPoint& centre, float radius, double angle)
{
    return ChartPoint{toPixel(centre.x + radius * std::cos(angle)), toPixel(centre.y - radius * std::sin(angle))};
}

// Shares that add up to one close the pie exactly, whatever the rounding of
// their sum (0.6 + 0.3 + 0.1 is a hair below one in doubles).
constexpr double kClosingTolerance = 1e-9;

} // namespace

PieLayout layoutPie(const std::vector<Slice>& slices, const ChartRect& square, const ChartPoint& centre)
{
    PieLayout layout;
    layout.square = square;
    layout.centre = centre;
    layout.radius = static_cast<float>(square.width()) * 0.5f;

    double angle = 0.0;
    const ChartPoint first{toPixel(centre.x + layout.radius), centre.y};
    ChartPoint start = first;
    for (std::size_t i = 0; i < slices.size(); ++i) {
        PieWedge w;
        w.colour = sliceColour(i);
        w.startAngle = angle;
        // Shares outside 0..1 (amounts of mixed sign) never turn the pie
        // backwards or past its start; the legend keeps the true share.
        const double share = std::isfinite(slices[i].share) ? std::clamp(slices[i].share, 0.0, 1.0) : 0.0;
        angle = std::min(angle + share * kFullTurn, kFullTurn);
        const bool closes = std::fabs(angle - kFullTurn) < kClosingTolerance;
        if (closes)
            angle = kFullTurn;
        w.endAngle = angle;
        w.startPoint = start;
        w.endPoint = closes ? first : radialPoint(centre, layout.radius, angle);
        w.legend = legendLine(slices[i].label, slices[i].share);
        w.legendTopLeft = ChartPoint{square.right + 20, square.top + 20 * static_cast<int>(i)};
        start = w.endPoint;
        layout.wedges.push_back(std::move(w));
    }
    return layout;
}

PieLayout layoutPie(const ShareChart& chart)
{
    return layoutPie(chart.slices, chart.square, chart.centre);
}

} // namespace trawler::reports
