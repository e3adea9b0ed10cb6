#include "AlertStore.h"

#include "Statement.h"

namespace trawler::db {

namespace {

constexpr std::string_view kCreate =
    "create table if not exists alert (Id integer primary key, Tm char(30), Kind char(24), Severity char(8), "
    "Ip char(16), Mac char(18), Previousmac char(18), Vendor text, Source char(16), Count integer, "
    "Windowseconds integer, File text, Eventkey text not null, Runid integer, Acknowledged integer not null "
    "default 0, unique (Eventkey))";

constexpr std::string_view kColumns = "Id, Tm, Kind, Severity, Ip, Mac, Previousmac, Vendor, Source, Count, "
                                      "Windowseconds, File, Eventkey, Runid, Acknowledged";

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

} // namespace

AlertStore::AlertStore(Database& db) : m_db(db)
{
    m_db.execute(kCreate);
}

bool AlertStore::insert(StoredAlert& alert)
{
    Statement st = m_db.prepare(
        "insert or ignore into alert (Tm, Kind, Severity, Ip, Mac, Previousmac, Vendor, Source, Count, "
        "Windowseconds, File, Eventkey, Runid, Acknowledged) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)");
    st.bindText(1, alert.time).bindText(2, alert.kind).bindText(3, alert.severity).bindText(4, alert.ip);
    st.bindText(5, alert.mac).bindText(6, alert.previousMac).bindText(7, alert.vendor).bindText(8, alert.source);
    bindNumber(st, 9, alert.count);
    bindNumber(st, 10, alert.windowSeconds);
    st.bindText(11, alert.file).bindText(12, alert.key);
    bindNumber(st, 13, alert.runId);
    st.execute();
    if (st.changes() == 0)
        return false;
    Statement last = m_db.prepare("select last_insert_rowid()");
    last.step();
    alert.id = last.value(0).toInt();
    return true;
}

std::vector<StoredAlert> AlertStore::list(std::size_t limit)
{
    Statement st = m_db.prepare("select " + std::string(kColumns) + " from alert order by Tm desc, Id desc");
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
        out.push_back(std::move(a));
    }
    return out;
}

int AlertStore::acknowledge(std::optional<std::int64_t> id)
{
    Statement st = m_db.prepare(id ? "update alert set Acknowledged = 1 where Acknowledged = 0 and Id = ?"
                                   : "update alert set Acknowledged = 1 where Acknowledged = 0");
    if (id)
        bindNumber(st, 1, id);
    st.execute();
    return st.changes();
}

std::int64_t AlertStore::runOf(std::string_view captureFile)
{
    Statement st = m_db.prepare("select max(rowid) from history where Filename = ?");
    st.bindText(1, captureFile);
    return st.step() ? number(st, 0).value_or(0) : 0;
}

bool AlertStore::hasRuns()
{
    Statement st = m_db.prepare("select exists (select 1 from history)");
    return st.step() && st.value(0).toInt() != 0;
}

std::vector<std::pair<std::string, std::string>> AlertStore::lastSenderMacs()
{
    Statement st = m_db.prepare("select Sourceip, Sourcemac from arp where rowid in "
                                "(select max(rowid) from arp group by Sourceip) order by rowid");
    std::vector<std::pair<std::string, std::string>> out;
    while (st.step())
        out.emplace_back(text(st, 0), text(st, 1));
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
    Statement st = m_db.prepare("select distinct Sourceip, Destip from ip where Sourceport in (" + list
                                + ") or Destport in (" + list + ")");
    std::vector<std::pair<std::string, std::string>> out;
    while (st.step())
        out.emplace_back(text(st, 0), text(st, 1));
    return out;
}

} // namespace trawler::db
