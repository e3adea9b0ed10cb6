#pragma once
#include "ReportDefinition.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trawler::reports {

// The fixed reports, one function per report. Each returns a fresh
// value; nothing here touches a database.
ReportDefinition icmpScannersReport();
ReportDefinition icmpScannedReport();
ReportDefinition icmpRelationsReport();
ReportDefinition icmpProbeLengthReport();
ReportDefinition icmpShowAllReport();
ReportDefinition icmpTypeShareReport();     // chart only
ReportDefinition synShowAllReport();
ReportDefinition ipMacMapReport();          // run through IpMacMap.h
// networkPrefix: first three groups of the local network's address
// ("192.168.0"), shown in the hint's capture-filter example (LocalNetwork.h).
ReportDefinition destIpTrafficReport(const std::string& networkPrefix);
ReportDefinition tcpPairTrafficReport();
ReportDefinition udpPairTrafficReport();
ReportDefinition lanAccessReport();

// The ICMP types (stored names) the scanner report counts as probes, and the
// ports the LAN-access report counts as file sharing. The reports' statements
// are built from these, and so is any other check of the same thing.
const std::vector<std::string_view>& icmpProbeTypes();
const std::vector<std::uint16_t>& fileSharingPorts();

std::string destIpTrafficHint(const std::string& networkPrefix);

// Every report above, in menu order (ICMP, SYN, ARP, IP traffic).
std::vector<ReportDefinition> reportCatalogue(const std::string& networkPrefix);
// By command-line name; nullopt for an unknown name.
std::optional<ReportDefinition> findReport(std::string_view name, const std::string& networkPrefix);

// The IP-MAC maintenance statements; values are bound as parameters
// (1 = first placeholder), never written into the text.
namespace ipmac_sql {
extern const char* const kLookup;      // ?1 ip
extern const char* const kInsert;      // ?1 ip, ?2 mac
extern const char* const kUpdate;      // ?1 mac, ?2 ip
extern const char* const kReference;   // ?1 ip -> field mac
} // namespace ipmac_sql

} // namespace trawler::reports
