#include "PgSensors.h"

#include "DbError.h"
#include "PgSession.h"
#include "Schema.h"
#include "SqlDialect.h"

#include "text/Hex.h"

#include <unistd.h>

#include <climits>

namespace trawler::db {

namespace {

// Any fixed number: the advisory lock that makes two writers of a new
// sensor create its tables one after the other.
constexpr const char* kSensorLock = "727617";

// A text quoted by libpq for the server's SQL: a value (PQescapeLiteral) or
// a name (PQescapeIdentifier).
std::string quoted(PgSession& session, const std::string& text, char* (*escape)(PGconn*, const char*, size_t))
{
    char* quoted = escape(session.conn(), text.c_str(), text.size());
    if (!quoted)
        throw DbError(connectionMessage(session.conn()));
    std::string out(quoted);
    PQfreemem(quoted);
    return out;
}

std::string literal(PgSession& session, const std::string& text)
{
    return quoted(session, text, &PQescapeLiteral);
}

bool exists(PgSession& session, const std::string& query)
{
    PgResult r = session.exec(query);
    return PQntuples(r.get()) == 1 && PQgetvalue(r.get(), 0, 0)[0] == 't';
}

} // namespace

SensorUri splitSensorUri(const std::string& uri)
{
    SensorUri out{uri, std::nullopt};
    const std::size_t query = uri.find('?');
    if (query == std::string::npos)
        return out;
    std::string kept;
    std::size_t start = query + 1;
    while (start <= uri.size()) {
        std::size_t end = uri.find('&', start);
        if (end == std::string::npos)
            end = uri.size();
        const std::string_view part(uri.data() + start, end - start);
        if (part.rfind("sensor=", 0) == 0)
            out.sensor = text::percentDecode(part.substr(7));
        else if (!part.empty())
            kept += (kept.empty() ? "" : "&") + std::string(part);
        start = end + 1;
    }
    out.uri = uri.substr(0, query) + (kept.empty() ? "" : "?" + kept);
    return out;
}

std::string defaultSensorName()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || !host[0])
        return "sensor";
    return host;
}

std::string sensorSchema(PgSession& session, const std::string& sensor)
{
    return quoted(session, std::string(kSensorSchemaPrefix) + sensor, &PQescapeIdentifier);
}

void selectSensorForReading(PgSession& session, const std::string& sensor)
{
    if (!exists(session, "SELECT count(*) = 1 FROM pg_namespace WHERE nspname = "
                             + literal(session, std::string(kSensorSchemaPrefix) + sensor)))
        throw DbError("No sensor named \"" + sensor + "\" has stored anything in this database.");
    session.exec("SET search_path = " + sensorSchema(session, sensor) + ", public");
}

void selectSensorForWriting(PgSession& session, const std::string& sensor)
{
    const std::string schema = sensorSchema(session, sensor);
    const std::string schemaName = literal(session, std::string(kSensorSchemaPrefix) + sensor);
    if (!exists(session, "SELECT to_regclass('public.history') IS NOT NULL"))
        return; // not initialised: nothing to store rows in yet
    if (!exists(session, "SELECT count(*) = 1 FROM pg_namespace WHERE nspname = " + schemaName)) {
        session.exec(std::string("SELECT pg_advisory_xact_lock(") + kSensorLock + ")");
        session.exec("CREATE SCHEMA IF NOT EXISTS " + schema);
    }
    const std::string arrival(kArrivalColumn);
    for (const auto& table : kCaptureTables) {
        if (table.name == "ipmac")
            continue;
        const std::string name(table.name);
        const bool numbered = name == "arp" || name == "history";
        const std::string child = literal(session, schema + "." + name);
        if (!exists(session, "SELECT to_regclass('public." + name + "') IS NOT NULL AND to_regclass(" + child
                                 + ") IS NULL")) {
            // A sensor's table from before its rows were numbered gets the
            // column now; its rows so far are numbered in the order the
            // server reads them.
            if (numbered && exists(session, "SELECT to_regclass(" + child + ") IS NOT NULL AND NOT EXISTS (SELECT 1 "
                                                "FROM pg_attribute WHERE attrelid = to_regclass(" + child
                                                + ") AND attname = lower(" + literal(session, arrival)
                                                + ") AND NOT attisdropped)")) {
                session.exec(std::string("SELECT pg_advisory_xact_lock(") + kSensorLock + ")");
                session.exec("ALTER TABLE " + schema + "." + name + " ADD COLUMN IF NOT EXISTS " + arrival
                             + " bigserial");
            }
            continue;
        }
        session.exec(std::string("SELECT pg_advisory_xact_lock(") + kSensorLock + ")");
        session.exec("CREATE TABLE IF NOT EXISTS " + schema + "." + name + " ("
                     + (numbered ? arrival + " bigserial" : std::string()) + ") INHERITS (public." + name + ")");
        // Two runs of one sensor submitting the same file at the same moment:
        // the second one's history row waits for the first and is refused.
        if (name == "history")
            session.exec("CREATE UNIQUE INDEX IF NOT EXISTS history_filename ON " + schema + ".history (Filename)");
    }
    // An event is stored once per sensor: the unique key of public.alert is
    // not inherited, so each sensor's table has its own.
    if (exists(session, "SELECT to_regclass('public.alert') IS NOT NULL AND to_regclass("
                            + literal(session, schema + ".alert") + ") IS NULL")) {
        session.exec(std::string("SELECT pg_advisory_xact_lock(") + kSensorLock + ")");
        session.exec("CREATE TABLE IF NOT EXISTS " + schema + ".alert () INHERITS (public.alert)");
        session.exec("CREATE UNIQUE INDEX IF NOT EXISTS alert_eventkey ON " + schema + ".alert (Eventkey)");
    }
    session.exec("SET LOCAL search_path = " + schema + ", public");
}

} // namespace trawler::db
