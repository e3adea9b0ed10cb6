#include "RowCount.h"

#include "Interruption.h"
#include "ReportError.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"

#include <cctype>

namespace trawler::reports {

namespace {

// The query without the white space and semicolons that may end it: a
// sub-query cannot carry them.
std::string bareQuery(const std::string& sql)
{
    std::size_t end = sql.size();
    while (end > 0 && (std::isspace(static_cast<unsigned char>(sql[end - 1])) || sql[end - 1] == ';'))
        --end;
    return sql.substr(0, end);
}

} // namespace

std::optional<std::size_t> countRows(const std::string& dbPath, const std::string& sql, Interruption* interruption)
{
    if (dbPath.empty())
        throw ReportError::noDatabase();
    const std::string query = bareQuery(sql);
    if (query.empty())
        return std::nullopt;
    db::Database database;
    try {
        database.open(dbPath);
    } catch (const db::DbError& e) {
        throw ReportError(ReportError::Kind::Database, e.what());
    }
    Interruption::Scope scope(interruption, database);
    db::Statement st;
    try {
        // The line break keeps a trailing comment in the query from hiding
        // the closing parenthesis.
        st = database.prepare("SELECT COUNT(*) FROM (" + query + "\n)");
    } catch (const db::DbError& e) {
        // Not a query that can stand as a sub-query (several statements,
        // a pragma): the count stays unknown.
        if (e.interrupted())
            throw ReportError(ReportError::Kind::Database, e.what());
        return std::nullopt;
    }
    try {
        if (!st.step())
            return std::nullopt;
        const auto text = st.value(0).toText();
        return text ? std::optional<std::size_t>(std::stoull(*text)) : std::nullopt;
    } catch (const db::DbError& e) {
        throw ReportError(ReportError::Kind::Database, e.what());
    }
}

} // namespace trawler::reports
