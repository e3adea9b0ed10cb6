#pragma once
// Mixed LAN traffic, one frame per call, in fixed shares: 60 % TCP (from
// connections that open with SYN and SYN+ACK and close with FIN), 25 % UDP,
// 8 % ICMP of many types and codes, 5 % ARP and 2 % other EtherTypes
// (IPv6, reverse ARP, VLAN-tagged IPv4).
#include "tools/capgen/Episodes.h"
#include "tools/capgen/TcpFlow.h"

#include <vector>

namespace trawler::capgen {

class BulkTraffic {
public:
    // small: payloads stay short (for the small sample capture).
    BulkTraffic(Context& c, bool small);

    void emitOne();

    // Shares in thousandths, in the order the mix draws them.
    static constexpr std::uint32_t kTcpShare = 600;
    static constexpr std::uint32_t kUdpShare = 250;
    static constexpr std::uint32_t kIcmpShare = 80;
    static constexpr std::uint32_t kArpShare = 50;
    static constexpr std::uint32_t kOtherShare = 20;

private:
    struct Connection {
        TcpFlow flow;
        int state = 0;   // 0 SYN, 1 SYN+ACK, 2 ACK, 3 data, 4.. closing
        int left = 0;    // data segments before the close
    };

    Connection freshConnection();
    void tcp();
    void udp();
    void icmp();
    void arp();
    void other();
    std::size_t payloadSize(std::size_t largest);
    void send(std::uint32_t gap);

    Context& m_c;
    bool m_small;
    std::vector<Connection> m_connections;
};

} // namespace trawler::capgen
