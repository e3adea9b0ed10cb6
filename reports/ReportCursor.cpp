#include "ReportCursor.h"

#include "Interruption.h"
#include "TrafficReports.h"

#include "db/DbError.h"
#include "db/ParseWriting.h"

#include <stdexcept>

namespace trawler::reports {

namespace {

// The summaries' update stops for the caller's observer and for a cancel
// through the report's interruption alike.
class CancellableSummary : public db::SummaryObserver {
public:
    CancellableSummary(db::SummaryObserver* observer, const Interruption* interruption)
        : m_observer(observer), m_interruption(interruption)
    {
    }
    void summaryProgress(std::uint64_t done, std::uint64_t total) override
    {
        if (m_observer)
            m_observer->summaryProgress(done, total);
    }
    bool summaryCancelled() override
    {
        return (m_interruption && m_interruption->cancelled()) || (m_observer && m_observer->summaryCancelled());
    }

private:
    db::SummaryObserver* m_observer;
    const Interruption* m_interruption;
};

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
        m_db.open(dbPath, db::Database::Access::ReadOnly);
    } catch (const db::DbError& e) {
        throw databaseError(e);
    }
}

void ReportCursor::runFirstStep(const std::string& sql)
{
    try {
        m_sql = sql;
        m_stmt = m_asWritten ? m_db.prepareAsWritten(sql) : m_db.prepare(sql);
        m_pending = m_stmt.step();
        if (m_pending && m_chartSpec)
            m_chartFromRows.emplace(*m_chartSpec, m_stmt);
    } catch (const db::DbError& e) {
        throw databaseError(e);
    }
    if (!m_pending)
        throw db::parseIsWriting(m_db.path()) ? ReportError::parseWriting() : ReportError::noRecords();
}

std::string ReportCursor::statementFor(const ReportDefinition& definition, db::SummaryObserver* observer)
{
    const std::optional<SummaryRoute> route = summaryStatement(definition);
    if (!route)
        return definition.sql;
    // Without usable summaries (no ip table; a parse holding the file) the
    // raw statement gives the same rows, or the same error.
    try {
        // Current sums are only read: the report's own connection is read-only.
        return db::refreshSummaries(m_db, observer, route->use) ? route->sql : definition.sql;
    } catch (const db::DbError& e) {
        if (e.interrupted())
            throw databaseError(e);
    }
    try {
        // Sums to bring up to date are written through a connection of their
        // own, committed before this one reads them.
        db::Database writer(m_db.path());
        return db::refreshSummaries(writer, observer, route->use) ? route->sql : definition.sql;
    } catch (const db::DbError& e) {
        if (e.interrupted())
            throw databaseError(e);
        // Sums that cannot be written (a read-only file, a full disk) must
        // not cost the report: the raw statement still gives its rows.
        return definition.sql;
    }
}

ReportCursor ReportCursor::open(const std::string& dbPath, const ReportDefinition& definition,
                                db::SummaryObserver* observer, Interruption* interruption)
{
    return openCursor(dbPath, definition, observer, interruption, false);
}

ReportCursor ReportCursor::openCursor(const std::string& dbPath, const ReportDefinition& definition,
                                      db::SummaryObserver* observer, Interruption* interruption, bool asWritten)
{
    ReportCursor c;
    c.m_asWritten = asWritten;
    c.m_chartSpec = definition.chart;
    c.m_listed = definition.showsTable() || !definition.chart;
    c.openFile(dbPath);
    Interruption::Scope scope(interruption, c.m_db);
    CancellableSummary summary(observer, interruption);
    c.runFirstStep(c.statementFor(definition, &summary));
    if (definition.showsTable()) {
        // Fields are looked up once, by name and without regard to case; a
        // field the result lacks is the database's error, before any row.
        for (const auto& column : definition.columns) {
            const int index = c.m_stmt.fieldIndex(column.field);
            if (index < 0)
                throw ReportError(ReportError::Kind::Database, db::DbError::missingField(column.field).what());
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
    // The operator writes the engine's own SQL here: it goes as written.
    return openCursor(dbPath, free, nullptr, interruption, true);
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
            db::Statement st = m_asWritten ? m_db.prepareAsWritten(m_sql) : m_db.prepare(m_sql);
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
