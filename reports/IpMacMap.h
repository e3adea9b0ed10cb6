#pragma once
#include "ReportCursor.h"

#include <cstddef>
#include <string>
#include <vector>

namespace trawler::reports {

// One row of the IP-MAC map: the observed pair as the arp table holds it
// (cells untrimmed, NULL as nullopt) and the warnings it raised against the
// reference binding of its IP. A row with warnings is one whose MAC differs
// from its binding: the view paints it red and shows each warning.
struct IpMacMapRow {
    Row cells;                           // [0] Sourceip, [1] Sourcemac
    std::vector<std::string> warnings;   // "The ip address %s's mac has changed from %s to %s"
    bool changed() const { return !warnings.empty(); }
};

// The IP-MAC map report (ipMacMapReport()): every distinct sender IP and MAC
// of the arp table, in the result's order, each checked against the ipmac
// table as it is fetched. Errors and their order are those of ReportCursor.
class IpMacMapCursor {
public:
    static IpMacMapCursor open(const std::string& dbPath);

    const std::vector<std::string>& titles() const { return m_cursor.titles(); }
    // Appends up to maxRows rows; on a database failure throws ReportError
    // and keeps the rows appended before it.
    std::size_t fetch(std::size_t maxRows, std::vector<IpMacMapRow>& out);
    bool atEnd() const { return m_cursor.atEnd(); }

private:
    explicit IpMacMapCursor(ReportCursor cursor) : m_cursor(std::move(cursor)) {}
    std::vector<std::string> check(const Row& cells);

    ReportCursor m_cursor;
    db::Statement m_lookup;   // the reference lookup, prepared once
};

// The whole map at once (command line): rows in order and every warning in
// the order the rows raised them.
struct IpMacMap {
    std::vector<std::string> titles;
    std::vector<IpMacMapRow> rows;
    std::vector<std::string> warnings;
};
IpMacMap readIpMacMap(const std::string& dbPath);

std::string ipMacChangedWarning(const std::string& ip, const std::string& referenceMac, const std::string& observedMac);

} // namespace trawler::reports
