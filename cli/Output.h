#pragma once
#include "OutputTarget.h"

#include "reports/CsvWriter.h"
#include "reports/HtmlReportWriter.h"
#include "reports/JsonWriter.h"
#include "reports/ReportCursor.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace trawler::cli {

enum class OutputFormat { Table, Tsv, Csv, Json, Html };

// The output options a printing command takes: --format, --output, --bom.
struct OutputOptions {
    std::string format;   // empty: table on a terminal, tsv elsewhere
    std::string file;     // empty: standard output
    bool byteOrderMark = false;
};
void addOutputOptions(CLI::App* command, OutputOptions& options, const char* defaultFormat);
OutputFormat parseFormat(const std::string& name, bool terminal);

// What a page shows besides the rows (html), and the hint other formats put
// after them.
struct PageText {
    std::string title;
    std::optional<std::string> hint;
};

// Writes a result in one format: a line of column titles, then one line per
// row, NULL as an empty field (null in json). Texts from the database reach
// the output escaped as the format needs: table and tsv escape control
// characters (TextEscape.h), csv keeps them inside quotes but escapes them
// for a terminal, json and html carry them in their own escapes. tsv, csv,
// json and html stream row by row; table aligns its columns and so holds the
// rows until finish(). Every row is checked against the target, so output
// that cannot be written stops the run with WriteFailure.
//
// What follows the rows (legend or the chart's reason, warnings, hint):
// under the table for table, on standard error for tsv, csv and json, in the
// page for html.
class ResultWriter {
public:
    ResultWriter(OutputTarget& target, OutputFormat format, const std::vector<std::string>& titles, PageText page,
                 bool byteOrderMark = false);
    ~ResultWriter();
    // marked: a row the view paints red (html marks it).
    void addRow(const reports::Row& row, bool marked = false);
    // The rows are complete: the chart (if the report has one) and the hint follow.
    void finish(const reports::ShareChart* chart, const std::vector<std::string>& warnings);
    // The run failed after some rows: those rows and the warnings they raised, no chart, no hint.
    void finishPartial(const std::vector<std::string>& warnings);

private:
    void writeLine(const std::vector<std::string>& fields);
    void writeTable();
    void writeNotes(const std::vector<std::vector<std::string>>& groups);
    void close(const reports::ShareChart* chart, const std::vector<std::string>& warnings, bool complete);

    OutputTarget& m_target;
    OutputFormat m_format;
    PageText m_page;
    std::vector<std::string> m_titles;
    std::vector<std::vector<std::string>> m_pending;   // table rows, escaped
    std::optional<reports::CsvWriter> m_csv;
    std::optional<reports::JsonRowWriter> m_json;
    std::optional<reports::HtmlReportWriter> m_html;
};

// Legend lines of a chart as the command line prints them (escaped), or its
// reason when it has no slice.
std::vector<std::string> legendLines(const reports::ShareChart& chart);

// The rows of a result as writeRows takes them, a batch at a time.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual bool atEnd() const = 0;
    // Fetches up to maxRows rows; on a database failure keeps the rows
    // fetched before it and throws ReportError.
    virtual void fetch(std::size_t maxRows) = 0;
    // Writes the rows fetched since the last call and adds the warnings they
    // raise; returns how many it wrote.
    virtual std::size_t writeFetched(ResultWriter& writer, std::vector<std::string>& warnings) = 0;
    // What follows the rows (the report's chart, or none), read after them.
    virtual const reports::ShareChart* chart() { return nullptr; }
};

// Streams a source's rows (at most `limit`) into the writer, then finishes
// it with the chart and the warnings. On a database error the rows fetched
// so far and their warnings are written first and the error goes on to the
// caller.
void writeRows(RowSource& source, ResultWriter& writer, std::size_t limit = static_cast<std::size_t>(-1));

// writeRows over a report's cursor (chart: the report's, or none).
void writeCursorRows(reports::ReportCursor& cursor, ResultWriter& writer, bool withChart,
                     std::size_t limit = static_cast<std::size_t>(-1));

int runFreeQuery(const std::string& path, const std::string& sql, const OutputOptions& options);

// Runs `write` against the output named by `file` (empty: standard output)
// for a result read from `source`, and gives the command's exit status. The
// output is put in place once complete. A failure of the database (a
// ReportError or DbError thrown by `write`) leaves what standard output got
// visible, puts no file in place and is one failure line naming `source`;
// output that cannot be written is one naming the output. Both: status 1.
int writeResult(const std::string& source, const std::string& file, const std::function<void(OutputTarget&)>& write);

} // namespace trawler::cli
