#include "LocalNetwork.h"

#include "IpMacInput.h"

#include "text/AddressText.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>

#include <algorithm>
#include <cstdint>
#include <fstream>

namespace trawler::reports {

namespace {

std::string macFromLinkLayer(const ifaddrs* list, const std::string& name)
{
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_PACKET || name != a->ifa_name)
            continue;
        const auto* ll = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
        if (ll->sll_halen != 6)
            return {};
        std::uint8_t bytes[6];
        std::copy(ll->sll_addr, ll->sll_addr + 6, bytes);
        char mac[text::kMacTextSize];
        return std::string(mac, text::formatMac(bytes, mac));
    }
    // Some containers hide AF_PACKET entries; sysfs still knows the address.
    std::ifstream in("/sys/class/net/" + name + "/address");
    std::string line;
    if (in && std::getline(in, line)) {
        if (auto mac = normaliseMac(line))
            return *mac;
    }
    return {};
}

} // namespace

LocalInterface localInterface()
{
    LocalInterface found{kFallbackIp, kFallbackMac};
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return found;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
            continue;
        if (!(a->ifa_flags & IFF_UP) || (a->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        char ip[text::kIpv4TextSize];
        found.ip.assign(ip, text::formatIpv4(ntohl(in->sin_addr.s_addr), ip));
        const std::string mac = macFromLinkLayer(list, a->ifa_name);
        if (!mac.empty() && mac != "00-00-00-00-00-00")
            found.mac = mac;
        break;
    }
    ::freeifaddrs(list);
    return found;
}

std::string networkPrefix(const std::string& ip)
{
    const std::string address = normaliseIpv4(ip) ? ip : std::string(kFallbackIp);
    return address.substr(0, address.rfind('.'));
}

} // namespace trawler::reports
