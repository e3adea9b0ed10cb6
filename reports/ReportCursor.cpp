#include "ReportCursor.h"

#include "db/DbError.h"

#include <stdexcept>

namespace trawler::reports {

namespace {

ReportError databaseError(const std::exception& e)
{
    return ReportError(ReportError::Kind::Database, e.what());
}

} // namespace

void ReportCursor::openFile(const std::string& dbPath)
{
    if (dbPath.empty())
        throw ReportError::noDatabase();
    try {
        m_db.open(dbPath);
    } catch (const db::DbError& e) {
        throw databaseError(e);
    }
}

void ReportCursor::runFirstStep(const std::string& sql)
{
    try {
        m_sql = sql;
        m_stmt = m_db.prepare(sql);
        m_pending = m_stmt.step();
    } catch (const db::DbError& e) {
        throw databaseError(e);
    }
    if (!m_pending)
        throw ReportError::noRecords();
}

ReportCursor ReportCursor::open(const std::string& dbPath, const ReportDefinition& definition)
{
    ReportCursor c;
    c.openFile(dbPath);
    c.runFirstStep(definition.sql);
    c.m_chart = definition.chart;
    if (definition.showsTable()) {
        // Fields are looked up once, by name and without regard to case; a
        // field the result lacks is the database's error, before any row.
        for (const auto& column : definition.columns) {
            const int index = c.m_stmt.fieldIndex(column.field);
            if (index < 0)
                throw ReportError(ReportError::Kind::Database,
                                  "Item cannot be found in the collection corresponding to the requested name or "
                                  "ordinal: "
                                      + column.field + ".");
            c.m_indices.push_back(index);
            c.m_titles.push_back(column.title);
        }
    } else {
        c.m_titles = c.m_stmt.fieldNames();
        for (int i = 0; i < c.m_stmt.fieldCount(); ++i)
            c.m_indices.push_back(i);
    }
    return c;
}

ReportCursor ReportCursor::openSql(const std::string& dbPath, const std::string& sql)
{
    ReportDefinition free;
    free.sql = sql;
    return open(dbPath, free);
}

void ReportCursor::fail(const std::exception& e)
{
    m_pending = false;
    m_stmt = db::Statement();
    throw databaseError(e);
}

std::size_t ReportCursor::fetch(std::size_t maxRows, std::vector<Row>& out)
{
    std::size_t added = 0;
    try {
        while (m_pending && added < maxRows) {
            Row row;
            row.reserve(m_indices.size());
            for (int index : m_indices)
                row.push_back(m_stmt.value(index).toText());
            out.push_back(std::move(row));
            ++added;
            ++m_fetched;
            m_pending = m_stmt.step();
        }
    } catch (const db::DbError& e) {
        fail(e);
    }
    // Finalising the finished query ends its read snapshot at once, so a
    // parse writing the same file is not held back by a list left open.
    if (!m_pending)
        m_stmt = db::Statement();
    return added;
}

std::vector<Row> ReportCursor::fetchAll()
{
    std::vector<Row> rows;
    fetch(static_cast<std::size_t>(-1), rows);
    return rows;
}

ShareChart ReportCursor::shareChart()
{
    if (!m_chart)
        throw std::logic_error("This report has no share chart.");
    try {
        db::Statement st = m_db.prepare(m_sql);
        return buildShareChart(st, *m_chart);
    } catch (const db::DbError& e) {
        throw databaseError(e);
    }
}

} // namespace trawler::reports
