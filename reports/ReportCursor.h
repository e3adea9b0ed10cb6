#pragma once
#include "ReportDefinition.h"
#include "ReportError.h"
#include "ShareChart.h"

#include "db/Database.h"
#include "db/Statement.h"
#include "db/Summary.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace trawler::reports {

class Interruption;

// A cell as the list shows it: nullopt for NULL (an empty cell), otherwise
// the value's text (texts as stored, numbers in plain decimal).
using Cell = std::optional<std::string>;
using Row = std::vector<Cell>;

// A running report: its own connection to the database file and its query,
// handing out the rows in the result's order a batch at a time, so a view
// can list hundreds of thousands of rows without holding them all.
//
//   ReportCursor cursor = ReportCursor::open(dbPath, destIpTrafficReport(prefix));  // throws ReportError
//   std::vector<Row> rows;
//   cursor.fetch(200, rows);                  // first screenful: show it
//   ShareChart chart = cursor.shareChart();   // chart reports: then draw the pie
//   cursor.fetch(200, rows);                  // further rows as the list scrolls, until atEnd()
//
// open() carries out the checks every report makes, in order: a database is
// chosen (an empty path gives Kind::NoDatabase), the file opens, the statement
// runs, and it has at least one row (Kind::NoRecords). Any failure of the
// database layer, then or later, is Kind::Database with the layer's own
// description.
//
// Snapshot: the list and its chart describe the file as it was when open()
// ran, even while a parse goes on writing it: a second pass for the chart
// runs on the same connection while the list's query is still open, and once
// every row has been fetched the chart comes from those rows. The snapshot is
// released as soon as the last row has been handed out; the connection closes
// with the cursor. A view
// should drop the cursor of a report it replaces.
//
// A cursor is movable, not copyable, and used by one thread at a time (it
// may be opened on a worker and handed over).
class ReportCursor {
public:
    // A fixed report: the result's fields named by the definition's columns,
    // in column order; titles are the column titles. A chart-only definition
    // (no columns) lists every field of the result under its own name.
    //
    // The traffic reports read the traffic summaries; when those must first
    // be brought up to date (a file made before they existed, rows changed
    // since), `observer` hears the progress and may cancel (Kind::Database).
    // `interruption` (optional) can stop the query's first run, and the
    // summaries' update, from another thread; later fetches are covered by
    // attaching connection() to it.
    static ReportCursor open(const std::string& dbPath, const ReportDefinition& definition,
                             db::SummaryObserver* observer = nullptr, Interruption* interruption = nullptr);
    // Free SQL that returns rows: every field, titled with the name the
    // database gives it. A statement that changes the database belongs to
    // FreeQuery.h, which carries it out.
    static ReportCursor openSql(const std::string& dbPath, const std::string& sql,
                                Interruption* interruption = nullptr);

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
    // a ChartSpec), over the whole result of the cursor's snapshot, whenever
    // it is asked for. Free once every row has been fetched (the rows feed it
    // as they go by); before that it takes a second pass over the result (for
    // a chart-only report whose rows were never fetched, the cursor's own
    // pass). Computed once, then kept. Throws ReportError on a database failure,
    // std::logic_error for a report without a chart.
    const ShareChart& shareChart();

    // The query the cursor runs (for counting its rows elsewhere).
    const std::string& sql() const { return m_sql; }

    // The cursor's own connection, for lookups that belong to the same report
    // (the IP-MAC map checks each row against the reference bindings on it).
    db::Database& connection() { return m_db; }

private:
    static ReportCursor openCursor(const std::string& dbPath, const ReportDefinition& definition,
                                   db::SummaryObserver* observer, Interruption* interruption, bool asWritten);
    ReportCursor() = default;
    void openFile(const std::string& dbPath);
    void runFirstStep(const std::string& sql);
    std::string statementFor(const ReportDefinition& definition, db::SummaryObserver* observer);
    void releaseWhenDone();
    [[noreturn]] void fail(const std::exception& e);

    db::Database m_db;
    db::Statement m_stmt;
    std::vector<int> m_indices;          // statement field of each column
    std::vector<std::string> m_titles;
    std::optional<ChartSpec> m_chartSpec;
    std::optional<ShareChart> m_chart;
    std::optional<ShareChartBuilder> m_chartFromRows;   // fed by fetch()
    bool m_listed = true;                // the rows are meant to be listed
    bool m_asWritten = false;            // free SQL: the engine's own, not translated
    std::string m_sql;
    bool m_pending = false;              // the statement stands on a row not yet handed out
    std::size_t m_fetched = 0;
};

} // namespace trawler::reports
