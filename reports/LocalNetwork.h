#pragma once
#include <string>

namespace trawler::reports {

// The machine's own place on the LAN: sample values for the IP-MAC dialog and
// the network prefix of the destination-traffic hint.
struct LocalInterface {
    std::string ip;     // dotted IPv4
    std::string mac;    // parser form, lower case with "-"
};

inline constexpr const char* kFallbackIp = "192.168.0.7";
inline constexpr const char* kFallbackMac = "00-0c-29-3a-5f-01";

// The first interface that is up, is not a loopback and has an IPv4 address,
// in the system's order. Its MAC comes from the link layer; an interface
// without one (a tunnel) keeps the fallback MAC. No such interface: both
// fallbacks.
LocalInterface localInterface();

// First three dotted groups of an IPv4 address ("192.168.0.7" ->
// "192.168.0"); the fallback's prefix for anything that is not one.
std::string networkPrefix(const std::string& ip);

} // namespace trawler::reports
