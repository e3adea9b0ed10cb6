#include "RowWriter.h"

#include "db/DbError.h"

#include <limits>

namespace trawler::parse {

namespace {

void bindTextOrNull(db::Statement& st, int index, std::string_view text)
{
    if (text.empty())
        st.bindNull(index);
    else
        st.bindTextUnowned(index, text);
}

void bindCount(db::Statement& st, int index, std::int64_t value, const char* column)
{
    // The column holds a 32-bit count; a larger one is refused rather than wrapped.
    if (value > std::numeric_limits<std::int32_t>::max())
        throw db::DbError(std::string(column) + " is not a 32-bit integer");
    st.bindInt(index, static_cast<std::int32_t>(value));
}

} // namespace

RowWriter::RowWriter(db::Database& database)
    : m_db(database),
      m_history(database.prepare("insert into history (Filename) values (?)"))
{
}

bool RowWriter::isRecorded(std::string_view canonicalPath, std::string_view givenPath)
{
    // Names are compared byte for byte: "a.cap " is another file than
    // "a.cap". A stored name matches when it is the path exactly, or the path
    // padded with blanks as fixed-width columns may hold it; both comparisons
    // are binary, not the column's blank-insensitive collation. Runs record
    // the canonical path; names recorded before that are the paths as the
    // operator gave them, so the given spelling is looked for as well.
    db::Statement st = m_db.prepare("select count(*) from history where Filename = ?1 collate binary "
                                    "or rtrim(Filename, ' ') = ?1 or Filename = ?2 collate binary "
                                    "or rtrim(Filename, ' ') = ?2");
    st.bindTextUnowned(1, canonicalPath);
    st.bindTextUnowned(2, givenPath);
    return st.step() && st.value(0).toInt() > 0;
}

void RowWriter::recordHistory(std::string_view captureFile)
{
    m_history.bindTextUnowned(1, captureFile);
    m_history.execute();
}

void RowWriter::writeCounters(const RunCounters& counters, const std::optional<std::string>& startTime,
                              const std::optional<std::string>& endTime)
{
    db::Statement st = m_db.prepare("insert into pccount (Starttm, Endtm, Total, Ethother, Corrupted, Arp, Ip, Tcp, "
                                    "Udp, Icmp, Ipother) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    // A time without a text form (see TimeTextCache) is NULL here as in Tm.
    const std::string start = startTime.value_or(std::string());
    const std::string end = endTime.value_or(std::string());
    bindTextOrNull(st, 1, start);
    bindTextOrNull(st, 2, end);
    bindCount(st, 3, counters.total, "Total");
    bindCount(st, 4, counters.ethOther, "Ethother");
    bindCount(st, 5, counters.corrupted, "Corrupted");
    bindCount(st, 6, counters.arp, "Arp");
    bindCount(st, 7, counters.ip, "Ip");
    bindCount(st, 8, counters.tcp, "Tcp");
    bindCount(st, 9, counters.udp, "Udp");
    bindCount(st, 10, counters.icmp, "Icmp");
    bindCount(st, 11, counters.ipOther, "Ipother");
    st.execute();
}

} // namespace trawler::parse
