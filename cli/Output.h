#pragma once
#include "reports/ReportCursor.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace trawler::cli {

enum class OutputFormat { Table, Tsv, Csv };

// "table", "tsv" or "csv"; an empty text picks table on a terminal, tsv elsewhere.
OutputFormat parseFormat(const std::string& name);
void addFormatOption(CLI::App* command, std::string& target, const char* defaultName);

// Columns as the terminal shows them: CJK characters take two cells.
std::size_t displayWidth(const std::string& utf8);

// Writes a result: a line of column titles, then one line per row, NULL as an
// empty field. tsv and csv stream row by row; table aligns its columns and so
// holds the rows until finish().
class TableWriter {
public:
    TableWriter(std::ostream& out, OutputFormat format, std::vector<std::string> titles);
    void addRow(const std::vector<std::optional<std::string>>& row);
    void finish();

private:
    void writeLine(const std::vector<std::string>& fields);

    std::ostream& m_out;
    OutputFormat m_format;
    std::vector<std::string> m_titles;
    std::vector<std::vector<std::string>> m_pending;
};

// Streams a cursor's rows (at most `limit`) into the writer, then finishes
// it. On a database error the rows fetched so far are written first and the
// error goes on to the caller.
void writeCursorRows(reports::ReportCursor& cursor, TableWriter& writer,
                     std::size_t limit = static_cast<std::size_t>(-1));

int runFreeQuery(const std::string& path, const std::string& sql, OutputFormat format);

} // namespace trawler::cli
