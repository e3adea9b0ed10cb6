#pragma once
// Where the view places each fixed report, and the command that shows it.
// The report itself (statement, columns, hint, chart rule) is the
// catalogue's; only the window needs this.
#include <QRect>

#include <array>
#include <string_view>

// The report list spans the view's width from its top edge.
constexpr int kListWidth = 585;

struct ReportLayout {
    const char* report;   // the catalogue's name, e.g. "icmp-scanners"
    int commandId;        // the menu and toolbar command that shows it
    int listBottom;       // the list spans (0, 0)-(kListWidth, listBottom); 0: no list
    QRect hintRect;       // where the hint stands
};

extern const std::array<ReportLayout, 12> kReportLayouts;

// The layout of a catalogue report; a report missing from the table gets the
// ICMP reports' layout and no command.
const ReportLayout& reportLayout(std::string_view report);
