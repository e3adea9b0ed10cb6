#pragma once
// Application messages carried in the synthetic UDP datagrams, so that the
// frames read as plausible traffic and not only as correct headers.
#include "tools/capgen/Lan.h"
#include "tools/capgen/Random.h"

#include <cstdint>
#include <string>

namespace trawler::capgen::app {

inline ByteView view(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

void put16(std::string& out, std::uint32_t v);
void put32(std::string& out, std::uint32_t v);

// RFC 1001 14.1 first-level encoding of a NetBIOS name with its suffix byte.
void putNetbiosName(std::string& out, const std::string& name, std::uint8_t suffix);

// RFC 1002 4.2.12 broadcast name query and 4.2.13 positive answer.
std::string nameQuery(std::uint16_t id, const std::string& name);
std::string nameAnswer(std::uint16_t id, const std::string& name, std::uint32_t ip);

// RFC 1002 4.4.1 direct group datagram to WORKGROUP<1d> with a browser host
// announcement in an SMB mailslot transaction.
std::string browserAnnouncement(Random& rng, const Host& from);

// RFC 1035 A query for a name under example.net, and its answer.
std::string dnsQuery(Random& rng, std::uint16_t id);
std::string dnsAnswer(Random& rng, std::uint16_t id);

std::string ssdpSearch();                      // UPnP discovery request over HTTP/UDP
std::string ntpPacket(Random& rng, bool reply); // RFC 5905, 48 bytes
std::string dhcpDiscover(Random& rng, const Mac& client); // RFC 2131
std::string syslogLine(Random& rng, const Host& from);    // RFC 3164

} // namespace trawler::capgen::app
