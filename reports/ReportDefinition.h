#pragma once
#include "Geometry.h"

#include <optional>
#include <string>
#include <vector>

namespace trawler::reports {

// One column of a report list: the result field it shows (matched without
// regard to letter case) and its title.
struct ReportColumn {
    std::string field;
    std::string title;
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
};

// One fixed report: what the view and the command line both need to run and
// show it (where the window places it is the window's own business); the
// engine (ReportCursor.h) only reads `sql` and `columns`.
struct ReportDefinition {
    std::string name;      // command-line name, e.g. "icmp-scanners"
    std::string sql;       // sent to the database unchanged (tab runs included)
    // Columns of the list, left to right. Empty for a chart-only report
    // (ICMP type shares), which shows no list, hint or query panel.
    std::vector<ReportColumn> columns;
    std::optional<std::string> hint;    // line feeds start new lines
    std::optional<ChartSpec> chart;

    bool showsTable() const { return !columns.empty(); }
    std::vector<std::string> titles() const;
    std::vector<std::string> fields() const;
};

} // namespace trawler::reports
