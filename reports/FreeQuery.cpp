#include "FreeQuery.h"

#include "Interruption.h"

#include "db/Database.h"
#include "db/DbError.h"

#include <cctype>

namespace trawler::reports {

namespace {

bool isBlank(const std::string& s)
{
    for (unsigned char c : s)
        if (!std::isspace(c))
            return false;
    return true;
}

} // namespace

FreeQueryOutcome runFreeQuery(const std::string& dbPath, const std::string& sql, Interruption* interruption)
{
    FreeQueryOutcome outcome;
    if (isBlank(sql))
        return outcome;
    if (dbPath.empty())
        throw ReportError::noDatabase();

    // Whether the statement yields rows is known once it is prepared; a
    // statement that only changes the database is run to its end here.
    try {
        db::Database database(dbPath, db::Database::Access::ReadOnly);
        Interruption::Scope scope(interruption, database);
        db::Statement st = database.prepareAsWritten(sql);
        if (!st.readOnly()) { // only a change needs write access
            st = db::Statement();
            database.open(dbPath);
            st = database.prepareAsWritten(sql);
        }
        if (!st.returnsRows()) {
            st.step();
            outcome.kind = FreeQueryOutcome::Kind::Changed;
            outcome.changedRows = st.changes();
            return outcome;
        }
    } catch (const db::DbError& e) {
        throw ReportError(ReportError::Kind::Database, e.what());
    }
    outcome.kind = FreeQueryOutcome::Kind::Rows;
    outcome.rows = ReportCursor::openSql(dbPath, sql, interruption);
    return outcome;
}

std::string changedRowsMessage(int changedRows)
{
    return std::to_string(changedRows) + " row(s) changed.";
}

} // namespace trawler::reports
