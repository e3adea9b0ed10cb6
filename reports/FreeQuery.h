#pragma once
#include "ReportCursor.h"

#include <optional>
#include <string>

namespace trawler::reports {

// The operator's own SQL, typed into the query panel or given on the command
// line.
struct FreeQueryOutcome {
    enum class Kind {
        Nothing,   // the text was empty (or only white space): nothing was done
        Rows,      // a query with at least one row: `rows` lists it
        Changed,   // a statement without a result was carried out: `changedRows`
    };
    Kind kind = Kind::Nothing;
    std::optional<ReportCursor> rows;   // titles are the field names the database gives
    int changedRows = 0;
};

// Runs `sql` unchanged against the database file. An empty text does nothing
// at all (not even the database check). Otherwise the checks of every report
// apply and throw ReportError: no database chosen, the database's own
// description for a failure, and "没有符合条件的记录." for a query without rows.
// An update, insert, delete or table definition is carried out and reported
// with the count of rows it changed (0 for a table definition).
// `interruption` (optional) can stop the statement from another thread.
FreeQueryOutcome runFreeQuery(const std::string& dbPath, const std::string& sql,
                              Interruption* interruption = nullptr);

// What the operator is told after a statement without a result.
std::string changedRowsMessage(int changedRows);

} // namespace trawler::reports
