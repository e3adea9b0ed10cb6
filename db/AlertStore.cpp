#include "AlertStore.h"

#include "DbError.h"
#include "PgSensors.h"
#include "SqlDialect.h"
#include "Statement.h"

#include <filesystem>

namespace trawler::db {

namespace {

std::string text(const Statement& st, int column)
{
    return st.value(column).toText().value_or(std::string());
}

std::optional<std::int64_t> number(const Statement& st, int column)
{
    const Value v = st.value(column);
    if (v.kind() == Value::Kind::Null)
        return std::nullopt;
    return v.toInt();
}

void bindNumber(Statement& st, int index, const std::optional<std::int64_t>& value)
{
    // Counts are frame and address counts of one window: far inside 32 bits.
    if (value)
        st.bindInt(index, static_cast<std::int32_t>(*value));
    else
        st.bindNull(index);
}

bool tableExists(Database& db, const std::string& query)
{
    Statement st = db.prepare(query);
    return st.step() && st.value(0).toInt() != 0;
}

// What a server's writer asks runs in a writing transaction of its own (when
// not in one already): that is where the connection sees its sensor's tables.
// A file has one sensor; its reads need no transaction (and must not take the
// write lock).
class SensorScope {
public:
    SensorScope(Database& db, bool server)
    {
        if (server && !db.inTransaction())
            m_transaction.emplace(db);
    }
    void done()
    {
        if (m_transaction)
            m_transaction->commit();
    }

private:
    std::optional<Transaction> m_transaction;
};

} // namespace

AlertStore::AlertStore(Database& db) : m_db(db), m_server(isServerName(db.path()))
{
    const AlertStatements& sql = alertStatements(m_server);
    // Checked first on a server, where a connection that only reads may not
    // even ask to create what is there already.
    if (!sql.exists.empty() && tableExists(m_db, sql.exists))
        return;
    try {
        for (const std::string& statement : sql.create)
            m_db.execute(statement);
    } catch (const DbError&) {
        // Two sensors starting at once: the other one's table is as good.
        if (sql.exists.empty() || !tableExists(m_db, sql.exists))
            throw;
    }
}

bool AlertStore::insert(StoredAlert& alert)
{
    SensorScope scope(m_db, m_server);
    Statement st = m_db.prepare(alertStatements(m_server).insert);
    st.bindText(1, alert.time).bindText(2, alert.kind).bindText(3, alert.severity).bindText(4, alert.ip);
    st.bindText(5, alert.mac).bindText(6, alert.previousMac).bindText(7, alert.vendor).bindText(8, alert.source);
    bindNumber(st, 9, alert.count);
    bindNumber(st, 10, alert.windowSeconds);
    st.bindText(11, alert.file).bindText(12, alert.key);
    st.bindInt64(13, alert.runId);
    // A row comes back only when the event was not stored before.
    const bool stored = st.step();
    if (stored) {
        alert.id = st.value(0).toInt();
        alert.sensor = sensorOfSchema(text(st, 1));
    }
    st.reset();
    scope.done();
    return stored;
}

std::vector<StoredAlert> AlertStore::list(std::size_t limit)
{
    Statement st = m_db.prepare(alertStatements(m_server).list);
    std::vector<StoredAlert> out;
    while (out.size() < limit && st.step()) {
        StoredAlert a;
        a.id = st.value(0).toInt();
        a.time = text(st, 1);
        a.kind = text(st, 2);
        a.severity = text(st, 3);
        a.ip = text(st, 4);
        a.mac = text(st, 5);
        a.previousMac = text(st, 6);
        a.vendor = text(st, 7);
        a.source = text(st, 8);
        a.count = number(st, 9);
        a.windowSeconds = number(st, 10);
        a.file = text(st, 11);
        a.key = text(st, 12);
        a.runId = number(st, 13).value_or(0);
        a.acknowledged = number(st, 14).value_or(0) != 0;
        a.sensor = sensorOfSchema(text(st, 15));
        out.push_back(std::move(a));
    }
    return out;
}

int AlertStore::acknowledge(std::optional<std::int64_t> id)
{
    Statement st = m_db.prepare(id ? "update alert set Acknowledged = 1 where Acknowledged = 0 and Id = ?"
                                   : "update alert set Acknowledged = 1 where Acknowledged = 0");
    if (id)
        st.bindInt64(1, *id);
    st.execute();
    return st.changes();
}

std::int64_t AlertStore::runOf(std::string_view captureFile)
{
    // A run records the file's canonical path; the path as given is what
    // runs recorded before they did.
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(std::filesystem::path(captureFile), error);
    std::vector<std::string> names;
    if (!error)
        names.push_back(canonical.string());
    names.emplace_back(captureFile);
    SensorScope scope(m_db, m_server);
    Statement st = m_db.prepare(alertStatements(m_server).runOf);
    std::int64_t run = 0;
    for (const std::string& name : names) {
        st.bindText(1, name);
        run = st.step() ? number(st, 0).value_or(0) : 0;
        st.reset();
        if (run != 0)
            break;
    }
    scope.done();
    return run;
}

bool AlertStore::hasRuns()
{
    SensorScope scope(m_db, m_server);
    Statement st = m_db.prepare("select exists (select 1 from history)");
    const bool any = st.step() && st.value(0).toInt() != 0;
    st.reset();
    scope.done();
    return any;
}

std::vector<std::pair<std::string, std::string>> AlertStore::lastSenderMacs()
{
    SensorScope scope(m_db, m_server);
    Statement st = m_db.prepare(alertStatements(m_server).lastSenderMacs);
    std::vector<std::pair<std::string, std::string>> out;
    while (st.step())
        out.emplace_back(text(st, 0), text(st, 1));
    scope.done();
    return out;
}

std::vector<std::pair<std::string, std::string>> AlertStore::referenceBindings()
{
    Statement st = m_db.prepare("select Ip, Mac from ipmac");
    std::vector<std::pair<std::string, std::string>> out;
    while (st.step())
        out.emplace_back(text(st, 0), text(st, 1));
    return out;
}

std::vector<std::pair<std::string, std::string>> AlertStore::pairsOnPorts(const std::vector<std::uint16_t>& ports)
{
    std::string list;
    for (std::size_t i = 0; i < ports.size(); ++i)
        list += (i ? ", " : "") + std::to_string(ports[i]);
    SensorScope scope(m_db, m_server);
    Statement st = m_db.prepare("select distinct Sourceip, Destip from ip where Sourceport in (" + list
                                + ") or Destport in (" + list + ")");
    std::vector<std::pair<std::string, std::string>> out;
    while (st.step())
        out.emplace_back(text(st, 0), text(st, 1));
    scope.done();
    return out;
}

} // namespace trawler::db
