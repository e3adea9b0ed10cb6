#include "IpMacMap.h"

#include "Catalogue.h"
#include "IpMacInput.h"
#include "Messages.h"

#include "db/DbError.h"
#include "text/Trim.h"

namespace trawler::reports {

std::string ipMacChangedWarning(const std::string& ip, const std::string& referenceMac, const std::string& observedMac)
{
    return "The ip address " + ip + "'s mac has changed from " + referenceMac + " to " + observedMac;
}

IpMacMapCursor IpMacMapCursor::open(const std::string& dbPath)
{
    return IpMacMapCursor(ReportCursor::open(dbPath, ipMacMapReport()));
}

std::vector<std::string> IpMacMapCursor::check(const Row& cells)
{
    std::vector<std::string> warnings;
    if (!cells[0])
        return warnings;
    const std::string ip = text::trimTrailingBlanks(*cells[0]);
    const std::string observed = text::trimTrailingBlanks(cells[1].value_or(std::string()));
    if (!m_lookup.valid())
        m_lookup = m_cursor.connection().prepare(ipmac_sql::kReference);
    m_lookup.reset();
    m_lookup.bindText(1, ip);
    while (m_lookup.step()) {
        const auto reference = m_lookup.value("mac").toText();
        if (!reference || reference->empty())
            continue;
        const std::string trimmed = text::trimTrailingBlanks(*reference);
        if (!sameMac(trimmed, observed))
            warnings.push_back(ipMacChangedWarning(ip, trimmed, observed));
    }
    return warnings;
}

std::size_t IpMacMapCursor::fetch(std::size_t maxRows, std::vector<IpMacMapRow>& out)
{
    std::vector<Row> rows;
    std::size_t added = 0;
    // Rows are fetched one at a time so that a failure keeps every row that
    // was listed before it, together with its warnings.
    while (added < maxRows && !m_cursor.atEnd()) {
        rows.clear();
        m_cursor.fetch(1, rows);
        if (rows.empty())
            break;
        IpMacMapRow row{std::move(rows.front()), {}};
        try {
            row.warnings = check(row.cells);
        } catch (const db::DbError& e) {
            out.push_back(std::move(row));
            throw ReportError(ReportError::Kind::Database, e.what());
        }
        out.push_back(std::move(row));
        ++added;
    }
    return added;
}

IpMacMap readIpMacMap(const std::string& dbPath)
{
    IpMacMapCursor cursor = IpMacMapCursor::open(dbPath);
    IpMacMap map;
    map.titles = cursor.titles();
    cursor.fetch(static_cast<std::size_t>(-1), map.rows);
    for (const auto& row : map.rows)
        map.warnings.insert(map.warnings.end(), row.warnings.begin(), row.warnings.end());
    return map;
}

} // namespace trawler::reports
