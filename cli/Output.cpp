#include "Output.h"
#include "reports/ReportError.h"
#include "reports/Messages.h"

#include "Failure.h"

#include "reports/PieLayout.h"
#include "reports/TextEscape.h"

#include <algorithm>
#include <cerrno>
#include <iostream>

namespace trawler::cli {

namespace {

// A cell wider than this does not widen its column: one stored text of
// megabytes would otherwise pad every other row to its width.
constexpr std::size_t kMaxAlignedWidth = 100;

struct FormatName {
    const char* name;
    OutputFormat format;
};
constexpr FormatName kFormats[] = {
    {"table", OutputFormat::Table}, {"tsv", OutputFormat::Tsv},   {"csv", OutputFormat::Csv},
    {"json", OutputFormat::Json},   {"html", OutputFormat::Html},
};

} // namespace

void addOutputOptions(CLI::App* command, OutputOptions& options, const char* defaultFormat)
{
    options.format = defaultFormat;
    std::vector<std::string> names;
    std::string help = "Output format:";
    for (const auto& f : kFormats) {
        help += names.empty() ? " " : &f == std::end(kFormats) - 1 ? " or " : ", ";
        help += f.name;
        names.push_back(f.name);
    }
    command->add_option("--format", options.format, help)->check(CLI::IsMember(names));
    command->add_option("--output", options.file,
                        "Write to FILE (replaced only when the whole output was written) instead of standard output");
    command->add_flag("--bom", options.byteOrderMark, "csv: begin with a UTF-8 byte-order mark (for spreadsheets)");
}

OutputFormat parseFormat(const std::string& name, bool terminal)
{
    for (const auto& f : kFormats)
        if (name == f.name)
            return f.format;
    return terminal ? OutputFormat::Table : OutputFormat::Tsv;
}

std::vector<std::string> legendLines(const reports::ShareChart& chart)
{
    std::vector<std::string> lines;
    for (const auto& wedge : reports::layoutPie(chart).wedges)
        lines.push_back(reports::displayText(wedge.legend));
    if (lines.empty() && !chart.emptyReason.empty())
        lines.push_back(chart.emptyReason);
    return lines;
}

ResultWriter::ResultWriter(OutputTarget& target, OutputFormat format, const std::vector<std::string>& titles,
                           PageText page, bool byteOrderMark)
    : m_target(target), m_format(format), m_page(std::move(page))
{
    std::ostream& out = m_target.stream();
    switch (m_format) {
    case OutputFormat::Table:
        for (const auto& t : titles)
            m_titles.push_back(reports::displayText(t));
        break;
    case OutputFormat::Tsv:
        writeLine(titles);
        break;
    case OutputFormat::Csv:
        m_csv.emplace(out, reports::CsvWriter::Options{byteOrderMark, m_target.terminal()});
        m_csv->writeRecord(titles);
        break;
    case OutputFormat::Json:
        m_json.emplace(out, titles);
        break;
    case OutputFormat::Html:
        m_html.emplace(out, reports::HtmlReportPage{m_page.title, m_page.hint, titles});
        break;
    }
    m_target.check();
}

ResultWriter::~ResultWriter() = default;

void ResultWriter::writeLine(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            line += '\t';
        line += reports::reversibleText(fields[i]);
    }
    line += '\n';
    m_target.stream() << line;
}

void ResultWriter::addRow(const reports::Row& row, bool marked)
{
    errno = 0;
    switch (m_format) {
    case OutputFormat::Table: {
        std::vector<std::string> fields;
        fields.reserve(row.size());
        for (const auto& v : row)
            fields.push_back(v ? reports::displayText(*v) : std::string());
        m_pending.push_back(std::move(fields));
        return;
    }
    case OutputFormat::Tsv: {
        std::vector<std::string> fields;
        fields.reserve(row.size());
        for (const auto& v : row)
            fields.push_back(v.value_or(std::string()));
        writeLine(fields);
        break;
    }
    case OutputFormat::Csv: m_csv->writeRecord(row); break;
    case OutputFormat::Json: m_json->addRow(row); break;
    case OutputFormat::Html: m_html->addRow(row, marked); break;
    }
    m_target.check();
}

void ResultWriter::writeTable()
{
    std::ostream& out = m_target.stream();
    std::vector<std::size_t> widths(m_titles.size(), 0);
    auto measure = [&widths](const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < fields.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], std::min(kMaxAlignedWidth, reports::displayWidth(fields[i])));
    };
    measure(m_titles);
    for (const auto& r : m_pending)
        measure(r);
    auto print = [&](const std::vector<std::string>& fields) {
        std::string line;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            line += fields[i];
            if (i + 1 < fields.size()) {
                const std::size_t w = reports::displayWidth(fields[i]);
                line.append((w < widths[i] ? widths[i] - w : 0) + 2, ' ');
            }
        }
        line += '\n';
        out << line;
        m_target.check();
    };
    errno = 0;
    print(m_titles);
    std::vector<std::string> rule;
    for (std::size_t w : widths)
        rule.emplace_back(w, '-');
    print(rule);
    for (const auto& r : m_pending)
        print(r);
    m_pending.clear();
}

void ResultWriter::writeNotes(const std::vector<std::vector<std::string>>& groups)
{
    const bool below = m_format == OutputFormat::Table;
    std::ostream& out = below ? m_target.stream() : std::cerr;
    for (const auto& lines : groups) {
        if (lines.empty())
            continue;
        if (below)
            out << '\n';
        for (const auto& line : lines)
            out << line << '\n';
    }
    if (below)
        m_target.check();
    else
        out.flush();
}

void ResultWriter::close(const reports::ShareChart* chart, const std::vector<std::string>& warnings, bool complete)
{
    std::vector<std::string> shownWarnings;
    for (const auto& w : warnings)
        shownWarnings.push_back(reports::displayText(w));
    errno = 0;
    if (m_format == OutputFormat::Html) {
        m_html->finish(complete ? chart : nullptr, warnings);
        m_target.check();
        return;
    }
    if (m_format == OutputFormat::Table)
        writeTable();
    else if (m_format == OutputFormat::Json)
        m_json->finish();
    // The data is out (or its failure known) before any note goes to standard error.
    if (m_format != OutputFormat::Table)
        m_target.stream().flush();
    m_target.check();
    std::vector<std::vector<std::string>> groups;
    if (complete && chart)
        groups.push_back(legendLines(*chart));
    groups.push_back(shownWarnings);
    if (complete && m_page.hint)
        groups.push_back({*m_page.hint});
    writeNotes(groups);
}

void ResultWriter::finish(const reports::ShareChart* chart, const std::vector<std::string>& warnings)
{
    close(chart, warnings, true);
}

void ResultWriter::finishPartial(const std::vector<std::string>& warnings)
{
    close(nullptr, warnings, false);
}

void writeRows(RowSource& source, ResultWriter& writer, std::size_t limit)
{
    constexpr std::size_t kBatch = 4096;
    std::vector<std::string> warnings;
    const reports::ShareChart* chart = nullptr;
    try {
        for (std::size_t left = limit; !source.atEnd() && left > 0;) {
            source.fetch(std::min(kBatch, left));
            const std::size_t written = source.writeFetched(writer, warnings);
            if (written == 0)
                break;
            left -= written;
        }
        // After the rows, as the view draws it; a cursor keeps both on one snapshot.
        chart = source.chart();
    } catch (const reports::ReportError&) {
        // The rows fetched before the failure are shown, then the failure.
        source.writeFetched(writer, warnings);
        writer.finishPartial(warnings);
        throw;
    }
    writer.finish(chart, warnings);
}

namespace {

class CursorRows : public RowSource {
public:
    CursorRows(reports::ReportCursor& cursor, bool withChart) : m_cursor(cursor), m_withChart(withChart) {}
    bool atEnd() const override { return m_cursor.atEnd(); }
    void fetch(std::size_t maxRows) override { m_cursor.fetch(maxRows, m_rows); }
    std::size_t writeFetched(ResultWriter& writer, std::vector<std::string>&) override
    {
        for (const auto& row : m_rows)
            writer.addRow(row);
        const std::size_t written = m_rows.size();
        m_rows.clear();
        return written;
    }
    const reports::ShareChart* chart() override { return m_withChart ? &m_cursor.shareChart() : nullptr; }

private:
    reports::ReportCursor& m_cursor;
    bool m_withChart;
    std::vector<reports::Row> m_rows;
};

} // namespace

void writeCursorRows(reports::ReportCursor& cursor, ResultWriter& writer, bool withChart, std::size_t limit)
{
    CursorRows source(cursor, withChart);
    writeRows(source, writer, limit);
}

int writeResult(const std::string& source, const std::string& file, const std::function<void(OutputTarget&)>& write)
{
    try {
        OutputTarget target(file, source);
        try {
            write(target);
        } catch (const WriteFailure&) {
            throw;
        } catch (const std::exception& e) {
            // What was written stays visible on standard output; a file is not put in place.
            if (!target.toFile())
                target.commit();
            const auto* report = dynamic_cast<const reports::ReportError*>(&e);
            reportFailure(source.empty() ? "no database" : source,
                          report && report->kind() == reports::ReportError::Kind::ParseWriting
                              ? reports::messages::kParseWritingCli
                              : e.what());
            return 1;
        }
        target.commit();
    } catch (const WriteFailure& e) {
        reportFailure(e.where(), e.what());
        return 1;
    }
    return 0;
}

} // namespace trawler::cli
