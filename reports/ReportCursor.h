#pragma once
#include "ReportDefinition.h"
#include "ReportError.h"
#include "ShareChart.h"

#include "db/Database.h"
#include "db/Statement.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace trawler::reports {

// A cell as the list shows it: nullopt for NULL (an empty cell), otherwise
// the value's text (texts as stored, numbers in plain decimal).
using Cell = std::optional<std::string>;
using Row = std::vector<Cell>;

// A running report: its own connection to the database file and its query,
// handing out the rows in the result's order a batch at a time, so a view
// can list hundreds of thousands of rows without holding them all.
//
//   auto cursor = ReportCursor::open(dbPath, icmpScannersReport());   // throws ReportError
//   std::vector<Row> rows;
//   cursor.fetch(200, rows);              // as the list scrolls, until atEnd()
//   ShareChart chart = cursor.shareChart();  // chart reports only
//
// open() carries out the checks every report makes, in order: a database is
// chosen (an empty path gives Kind::NoDatabase), the file opens, the statement
// runs, and it has at least one row (Kind::NoRecords). Any failure of the
// database layer, then or later, is Kind::Database with the layer's own
// description.
//
// While rows remain unfetched the cursor holds a read snapshot of the file (a
// parse may go on writing it; the cursor keeps seeing the state it started
// on). The query is released as soon as the last row has been handed out and
// the connection when the cursor is destroyed; a view should drop the cursor
// of a report it replaces. A cursor is movable, not copyable, and is used by one thread at
// a time (it may be opened on a worker and handed over).
class ReportCursor {
public:
    // A fixed report: the result's fields named by the definition's columns,
    // in column order; titles are the column titles. A chart-only definition
    // (no columns) lists every field of the result under its own name.
    static ReportCursor open(const std::string& dbPath, const ReportDefinition& definition);
    // Free SQL that returns rows: every field, titled with the name the
    // database gives it. A statement that changes the database belongs to
    // FreeQuery.h, which carries it out.
    static ReportCursor openSql(const std::string& dbPath, const std::string& sql);

    ReportCursor(ReportCursor&&) noexcept = default;
    ReportCursor& operator=(ReportCursor&&) noexcept = default;
    ReportCursor(const ReportCursor&) = delete;
    ReportCursor& operator=(const ReportCursor&) = delete;

    const std::vector<std::string>& titles() const { return m_titles; }
    std::size_t columnCount() const { return m_titles.size(); }

    // Appends up to maxRows further rows to `out` and returns how many it
    // appended. On a database failure it throws ReportError (Kind::Database);
    // the rows appended before the failure stay in `out`, and the cursor is
    // then at its end.
    std::size_t fetch(std::size_t maxRows, std::vector<Row>& out);
    // Every remaining row (for the command line and small results).
    std::vector<Row> fetchAll();
    bool atEnd() const { return !m_pending; }
    // Rows handed out so far.
    std::size_t rowsFetched() const { return m_fetched; }

    // The share chart of a chart report (the definition given to open() has
    // a ChartSpec). Runs the statement once more over the whole result on
    // this connection, before the first fetch() ideally, so the chart and the
    // list describe the same snapshot. Throws ReportError on a database
    // failure, std::logic_error for a report without a chart.
    ShareChart shareChart();

    // The cursor's own connection, for lookups that belong to the same report
    // (the IP-MAC map checks each row against the reference bindings on it).
    db::Database& connection() { return m_db; }

private:
    ReportCursor() = default;
    void openFile(const std::string& dbPath);
    void runFirstStep(const std::string& sql);
    [[noreturn]] void fail(const std::exception& e);

    db::Database m_db;
    db::Statement m_stmt;
    std::vector<int> m_indices;          // statement field of each column
    std::vector<std::string> m_titles;
    std::optional<ChartSpec> m_chart;
    std::string m_sql;
    bool m_pending = false;              // the statement stands on a row not yet handed out
    std::size_t m_fetched = 0;
};

} // namespace trawler::reports
