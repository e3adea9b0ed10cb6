#pragma once
#include "Geometry.h"
#include "ReportDefinition.h"
#include "ShareMath.h"

#include <cstddef>
#include <optional>
#include <string>
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
    // Why a chart without slices draws nothing (the view, the command line
    // and exported pages say so); empty when there are slices.
    std::string emptyReason;
};

// The reason for a chart without slices: a total that cannot be shared, or
// a largest share below the report's threshold.
std::string emptyChartReason(double total, double threshold);

// Fills a chart row by row from a statement's result: label and amount
// fields by name, total over all rows, slices from the first kMaxSlices rows
// (after sorting when the chart asks for it), cut at the threshold.
class ShareChartBuilder {
public:
    // Resolves the chart's label and amount fields on the statement; throws db::DbError when
    // the result lacks one.
    ShareChartBuilder(const ChartSpec& chart, const db::Statement& statement);
    // The row the statement stands on.
    void add(const db::Statement& statement);
    ShareChart finish() const;

private:
    ChartSpec m_spec;
    std::vector<int> m_labelIndices;
    int m_amountIndex = -1;
    std::vector<ShareRow> m_rows;   // only those that can become slices
    double m_total = 0.0;
    std::size_t m_rowCount = 0;
};

// Reads a statement to its end into a chart. onFirstRow: the statement
// already stands on its first row (else it has not been stepped yet).
// Throws db::DbError.
ShareChart buildShareChart(db::Statement& statement, const ChartSpec& spec, bool onFirstRow);

} // namespace trawler::reports
