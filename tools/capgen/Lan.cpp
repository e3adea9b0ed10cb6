#include "tools/capgen/Lan.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace trawler::capgen {

Lan::Lan(Random& rng, std::uint32_t network, std::size_t hostCount) : m_network(network & 0xffffff00u)
{
    if (hostCount < 2 || hostCount > 250)
        throw std::invalid_argument("a LAN has 2 to 250 hosts");
    m_gateway.mac = freshMac(rng);
    m_gateway.ip = m_network | 1;
    m_gateway.name = "GATEWAY";
    m_gateway.ttl = 255;

    std::vector<std::uint32_t> numbers;
    for (std::uint32_t n = 2; n <= 254; ++n)
        numbers.push_back(n);
    rng.shuffle(numbers);
    numbers.resize(hostCount);
    std::sort(numbers.begin(), numbers.end());
    for (std::uint32_t n : numbers) {
        Host host;
        host.mac = freshMac(rng);
        host.ip = m_network | n;
        char name[16];
        std::snprintf(name, sizeof name, "PC-%03u", static_cast<unsigned>(n));
        host.name = name;
        host.ttl = rng.chance(700) ? 128 : 64;
        m_hosts.push_back(host);
    }
    m_hosts.front().name = "FILESRV";
}

Mac Lan::freshMac(Random& rng)
{
    for (;;) {
        const std::uint64_t v = rng.next();
        Mac mac;
        for (int i = 0; i < 6; ++i)
            mac.bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
        mac.bytes[0] = static_cast<std::uint8_t>((mac.bytes[0] & 0xfc) | 0x02); // unicast, locally administered
        bool taken = mac == m_gateway.mac;
        for (const Host& h : m_hosts)
            taken = taken || h.mac == mac;
        if (!taken)
            return mac;
    }
}

const Host& Lan::pickOther(Random& rng, const Host& other) const
{
    for (;;) {
        const Host& h = pick(rng);
        if (h.ip != other.ip)
            return h;
    }
}

const Host* Lan::find(std::uint32_t ip) const
{
    if (ip == m_gateway.ip)
        return &m_gateway;
    for (const Host& h : m_hosts)
        if (h.ip == ip)
            return &h;
    return nullptr;
}

std::uint32_t Lan::remote(Random& rng) const
{
    static const std::uint32_t kNets[] = {ipv4(198, 51, 100, 0), ipv4(203, 0, 113, 0), ipv4(192, 0, 2, 0)};
    return kNets[rng.below(3)] | rng.between(1, 254);
}

} // namespace trawler::capgen
