#pragma once
// The synthetic network a scenario runs on: a /24 with a gateway at .1 and a
// set of live hosts with distinct, locally administered MAC addresses.
#include "tools/capgen/Packet.h"
#include "tools/capgen/Random.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trawler::capgen {

struct Host {
    Mac mac;
    std::uint32_t ip = 0;
    std::string name; // NetBIOS name, at most 15 characters
    std::uint8_t ttl = 128;
};

class Lan {
public:
    Lan(Random& rng, std::uint32_t network, std::size_t hostCount);

    const Host& gateway() const { return m_gateway; }
    const std::vector<Host>& hosts() const { return m_hosts; }
    const Host& pick(Random& rng) const { return rng.pick(m_hosts); }
    // A host other than `other` (the network has at least two hosts).
    const Host& pickOther(Random& rng, const Host& other) const;
    const Host* find(std::uint32_t ip) const;

    std::uint32_t network() const { return m_network; }
    std::uint32_t broadcast() const { return m_network | 0xff; }
    // An address outside the LAN, reached through the gateway (documentation
    // ranges of RFC 5737, so nothing real is named).
    std::uint32_t remote(Random& rng) const;

private:
    Mac freshMac(Random& rng);

    std::uint32_t m_network;
    Host m_gateway;
    std::vector<Host> m_hosts;
};

} // namespace trawler::capgen
