#pragma once
#include "Geometry.h"

#include <optional>
#include <string>
#include <vector>

namespace trawler::reports {

// One column of a report list: the result field it shows (matched without
// regard to letter case), its title and its width in pixels.
struct ReportColumn {
    std::string field;
    std::string title;
    int width = 100;
};

// How a report turns its result into a pie chart (see ShareMath.h).
struct ChartSpec {
    // Fields whose values, trailing blanks cut, make a slice's label; several
    // are joined with "->" (an endpoint pair: "10.0.0.1->10.0.0.2").
    std::vector<std::string> labelFields;
    // Field holding the amount each row contributes; NULL contributes nothing.
    std::string amountField;
    // A slice whose share is below this ends the chart (a share equal to it stays).
    double threshold = 0.0;
    // Sort the rows by amount, largest first, before taking slices. Needed
    // where the statement itself asks for no order (ICMP type groups): an
    // unordered tiny group returned first would otherwise cut the whole chart.
    bool sortByAmount = false;
    ChartPoint centre;
    ChartRect square;   // bounding square of the pie
    int legendX = 0;    // left edge of the legend lines: square.right + 20
};

// One fixed report. Everything the view and the command line need to run and
// lay it out; the engine (ReportCursor.h) only reads `sql` and `columns`.
struct ReportDefinition {
    std::string name;      // command-line name, e.g. "icmp-scanners"
    int commandId = 0;     // menu and toolbar command id
    std::string sql;       // sent to the database unchanged (tab runs included)
    // Columns of the list, left to right. Empty for a chart-only report
    // (ICMP type shares), which shows no list, hint or query panel.
    std::vector<ReportColumn> columns;
    int listBottom = 0;                 // the list spans (0, 0)-(585, listBottom)
    std::optional<std::string> hint;    // line feeds start new lines
    ChartRect hintRect{0, 305, 585, 385};
    std::optional<ChartSpec> chart;

    bool showsTable() const { return !columns.empty(); }
    std::vector<std::string> titles() const;
    std::vector<std::string> fields() const;
};

inline constexpr int kListWidth = 585;

} // namespace trawler::reports
