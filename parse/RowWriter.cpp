#include "RowWriter.h"

#include "IcmpNames.h"
#include "TextForms.h"

#include "db/DbError.h"
#include "text/AddressText.h"

#include <array>
#include <limits>

namespace trawler::parse {

using text::formatIpv4;
using text::formatMac;
using text::kIpv4TextSize;
using text::kMacTextSize;

namespace {

// The ARP operation codes (RFC 826, RFC 903) that have a stored text.
constexpr std::array<std::string_view, 5> kArpOperationNames = {
    "", "Arp Request", "Arp Reply", "Rarp Request", "Rarp Reply",
};

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
      m_history(database.prepare("insert into history (Filename) values (?)")),
      m_arp(database.prepare("insert into arp (Tm, Sourcemac, Destmac, Sourceip, Destip, Type) values (?, ?, ?, ?, ?, ?)")),
      m_ip(database.prepare(
          "insert into ip (Tm, Sourceip, Destip, Totallen, Upperlayer, Sourceport, Destport) values (?, ?, ?, ?, ?, ?, ?)")),
      m_icmp(database.prepare("insert into icmp (Tm, Sourceip, Destip, Totallen, Type, Code) values (?, ?, ?, ?, ?, ?)")),
      m_syn(database.prepare("insert into syn (Tm, Sourceip, Destip, Sourceport, Destport) values (?, ?, ?, ?, ?)"))
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

void RowWriter::writeFrame(const DecodedFrame& frame, std::string_view timeText)
{
    if (frame.frameClass == FrameClass::Arp)
        writeArp(frame, timeText);
    else if (frame.frameClass == FrameClass::Ip)
        writeIp(frame, timeText);
}

void RowWriter::writeArp(const DecodedFrame& frame, std::string_view timeText)
{
    char senderMac[kMacTextSize];
    char targetMac[kMacTextSize];
    char senderIp[kIpv4TextSize];
    char targetIp[kIpv4TextSize];
    const std::size_t senderMacLength = formatMac(frame.senderMac, senderMac);
    const std::size_t targetMacLength = formatMac(frame.targetMac, targetMac);
    const std::size_t senderIpLength = formatIpv4(frame.senderIp, senderIp);
    const std::size_t targetIpLength = formatIpv4(frame.targetIp, targetIp);

    bindTextOrNull(m_arp, 1, timeText);
    m_arp.bindTextUnowned(2, {senderMac, senderMacLength});
    m_arp.bindTextUnowned(3, {targetMac, targetMacLength});
    m_arp.bindTextUnowned(4, {senderIp, senderIpLength});
    m_arp.bindTextUnowned(5, {targetIp, targetIpLength});
    bindTextOrNull(m_arp, 6,
                   frame.arpOperation < kArpOperationNames.size() ? kArpOperationNames[frame.arpOperation] : "");
    m_arp.execute();
}

void RowWriter::writeIp(const DecodedFrame& frame, std::string_view timeText)
{
    char sourceBuf[kIpv4TextSize];
    char destBuf[kIpv4TextSize];
    const std::string_view source(sourceBuf, formatIpv4(frame.sourceIp, sourceBuf));
    const std::string_view dest(destBuf, formatIpv4(frame.destIp, destBuf));

    // The frame's second row comes first: icmp or syn, then ip.
    if (frame.transport == Transport::Icmp) {
        const IcmpName name = icmpName(frame.icmpType, frame.icmpCode);
        bindTextOrNull(m_icmp, 1, timeText);
        m_icmp.bindTextUnowned(2, source);
        m_icmp.bindTextUnowned(3, dest);
        m_icmp.bindInt(4, frame.totalLength);
        m_icmp.bindTextUnowned(5, name.type);
        bindTextOrNull(m_icmp, 6, name.code);
        m_icmp.execute();
    } else if (frame.transport == Transport::Tcp && frame.syn) {
        bindTextOrNull(m_syn, 1, timeText);
        m_syn.bindTextUnowned(2, source);
        m_syn.bindTextUnowned(3, dest);
        m_syn.bindInt(4, frame.sourcePort);
        m_syn.bindInt(5, frame.destPort);
        m_syn.execute();
    }

    bindTextOrNull(m_ip, 1, timeText);
    m_ip.bindTextUnowned(2, source);
    m_ip.bindTextUnowned(3, dest);
    m_ip.bindInt(4, frame.totalLength);
    if (frame.transport == Transport::Tcp || frame.transport == Transport::Udp) {
        m_ip.bindTextUnowned(5, frame.transport == Transport::Tcp ? "TCP" : "UDP");
        m_ip.bindInt(6, frame.sourcePort);
        m_ip.bindInt(7, frame.destPort);
    } else {
        m_ip.bindNull(5);
        m_ip.bindNull(6);
        m_ip.bindNull(7);
    }
    m_ip.execute();
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
