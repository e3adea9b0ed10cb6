#include "HtmlReportWriter.h"

#include "ShareChartSvg.h"
#include "TextEscape.h"

namespace trawler::reports {

namespace {

constexpr const char* kStyle = "body{font-family:sans-serif;margin:1em}"
                               "table{border-collapse:collapse}"
                               "th,td{border:1px solid #999;padding:2px 6px;text-align:left;"
                               "white-space:pre;color:#0000ff}"
                               "tr.marked td{color:#ff0000}"
                               "p.hint{color:#0000ff;background:#dedfde;padding:4px}"
                               "figure{margin:1em 0}";

} // namespace

HtmlReportWriter::HtmlReportWriter(std::ostream& out, const HtmlReportPage& page) : m_out(out)
{
    const std::string title = markupText(page.title);
    m_out << "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" << title
          << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n<h1>" << title << "</h1>\n";
    if (page.hint) {
        m_out << "<p class=\"hint\">";
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = page.hint->find('\n', start);
            m_out << markupText(page.hint->substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos)
                break;
            m_out << "<br>";
            start = end + 1;
        }
        m_out << "</p>\n";
    }
    if (!page.columnTitles.empty()) {
        m_table = true;
        m_out << "<table>\n<thead><tr>";
        for (const auto& t : page.columnTitles)
            m_out << "<th>" << markupText(t) << "</th>";
        m_out << "</tr></thead>\n<tbody>\n";
    }
}

void HtmlReportWriter::addRow(const std::vector<std::optional<std::string>>& row, bool marked)
{
    std::string line = marked ? "<tr class=\"marked\">" : "<tr>";
    for (const auto& cell : row) {
        line += "<td>";
        if (cell)
            line += markupText(*cell);
        line += "</td>";
    }
    line += "</tr>\n";
    m_out << line;
}

void HtmlReportWriter::finish(const ShareChart* chart, const std::vector<std::string>& notes)
{
    if (m_table)
        m_out << "</tbody>\n</table>\n";
    if (chart) {
        m_out << "<figure>\n";
        writeShareChartSvg(m_out, *chart, false);
        m_out << "</figure>\n";
    }
    if (!notes.empty()) {
        m_out << "<ul class=\"notes\">\n";
        for (const auto& n : notes)
            m_out << "<li>" << markupText(n) << "</li>\n";
        m_out << "</ul>\n";
    }
    m_out << "</body>\n</html>\n";
}

} // namespace trawler::reports
