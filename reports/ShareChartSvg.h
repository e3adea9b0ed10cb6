#pragma once
#include "ShareChart.h"

#include <ostream>
#include <string>

namespace trawler::reports {

// A share chart as SVG: the pie's wedges in the slice colours, as the view
// paints them, and the legend, each line after a swatch of its slice's
// colour, on the view's grey. A chart without slices shows its reason.
// standalone: a document of its own (an .svg file); otherwise an <svg>
// element for an HTML page. Numbers are written locale-free.
void writeShareChartSvg(std::ostream& out, const ShareChart& chart, bool standalone);
std::string shareChartSvg(const ShareChart& chart, bool standalone = true);

} // namespace trawler::reports
