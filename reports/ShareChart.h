#pragma once
#include "Geometry.h"
#include "ReportDefinition.h"
#include "ShareMath.h"

#include <cstddef>
#include <vector>

namespace trawler::db {
class Statement;
}

namespace trawler::reports {

// A filled share chart: what the view keeps to draw (and redraw) the pie.
struct ShareChart {
    std::vector<Slice> slices;   // at most kMaxSlices, in drawing order
    double total = 0.0;          // over every row of the result
    std::size_t rowCount = 0;    // rows of the result
    ChartPoint centre;
    ChartRect square;
    int legendX = 0;
};

// Reads a freshly prepared (or reset) statement to its end and fills the
// chart by the spec: label and amount fields by name, total over all rows,
// slices from the first kMaxSlices rows (after sorting when the spec asks),
// cut at the threshold. Throws db::DbError.
ShareChart buildShareChart(db::Statement& statement, const ChartSpec& spec);

} // namespace trawler::reports
