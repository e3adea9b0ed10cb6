#include "ReportCursor.h"

#include "Interruption.h"

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
        if (m_pending && m_chartSpec)
            m_chartFromRows.emplace(*m_chartSpec, m_stmt);
    } catch (const db::DbError& e) {
        throw databaseError(e);
    }
    if (!m_pending)
        throw ReportError::noRecords();
}

ReportCursor ReportCursor::open(const std::string& dbPath, const ReportDefinition& definition,
                                Interruption* interruption)
{
    ReportCursor c;
    c.m_chartSpec = definition.chart;
    c.m_listed = definition.showsTable() || !definition.chart;
    c.openFile(dbPath);
    Interruption::Scope scope(interruption, c.m_db);
    c.runFirstStep(definition.sql);
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

ReportCursor ReportCursor::openSql(const std::string& dbPath, const std::string& sql, Interruption* interruption)
{
    ReportDefinition free;
    free.sql = sql;
    return open(dbPath, free, interruption);
}

void ReportCursor::releaseWhenDone()
{
    // Finalising the finished query ends its read snapshot, so the file's
    // log can be checkpointed: a list left open on screen does not hold a
    // parse back. A chart still to come needs no snapshot then: the rows
    // have fed it on their way.
    if (!m_pending)
        m_stmt = db::Statement();
}

void ReportCursor::fail(const std::exception& e)
{
    m_pending = false;
    m_chartFromRows.reset();
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
            if (m_chartFromRows)
                m_chartFromRows->add(m_stmt);
            ++added;
            ++m_fetched;
            m_pending = m_stmt.step();
        }
        if (!m_pending && m_chartFromRows && !m_chart) {
            m_chart = m_chartFromRows->finish();
            m_chartFromRows.reset();
        }
    } catch (const db::DbError& e) {
        fail(e);
    }
    releaseWhenDone();
    return added;
}

std::vector<Row> ReportCursor::fetchAll()
{
    std::vector<Row> rows;
    fetch(static_cast<std::size_t>(-1), rows);
    return rows;
}

const ShareChart& ReportCursor::shareChart()
{
    if (!m_chartSpec)
        throw std::logic_error("This report has no share chart.");
    if (m_chart)
        return *m_chart;
    try {
        if (!m_listed && m_pending && m_fetched == 0) {
            // Nothing is listed: the chart takes the cursor's own pass.
            m_chart = buildShareChart(m_stmt, *m_chartSpec, true);
            m_pending = false;
        } else {
            db::Statement st = m_db.prepare(m_sql);
            m_chart = buildShareChart(st, *m_chartSpec, false);
        }
    } catch (const db::DbError& e) {
        fail(e);
    }
    m_chartFromRows.reset();
    releaseWhenDone();
    return *m_chart;
}

} // namespace trawler::reports
