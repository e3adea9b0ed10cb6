#pragma once
#include "ShareChart.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace trawler::reports {

// What a report page shows above its rows.
struct HtmlReportPage {
    std::string title;
    std::optional<std::string> hint;         // line feeds start new lines
    std::vector<std::string> columnTitles;   // empty: a chart-only report, no table
};

// A report as one self-contained HTML page (no script, no outside file): the
// title, the hint, the table and, for a chart report, the chart as inline
// SVG with its legend. Written as the rows come, so a result of any size
// streams. Every text from the database is escaped for display and markup.
//
//   HtmlReportWriter page(out, {title, definition.hint, cursor.titles()});
//   for (const Row& r : rows) page.addRow(r);
//   page.finish(&cursor.shareChart(), warnings);
class HtmlReportWriter {
public:
    HtmlReportWriter(std::ostream& out, const HtmlReportPage& page);
    // marked: a row the view paints red (an IP whose MAC changed).
    void addRow(const std::vector<std::optional<std::string>>& row, bool marked = false);
    // Ends the table, then the chart (if any) and the notes (warnings), and the page.
    void finish(const ShareChart* chart, const std::vector<std::string>& notes = {});

private:
    std::ostream& m_out;
    bool m_table = false;
};

} // namespace trawler::reports
