#include "tools/capgen/BulkTraffic.h"

#include "tools/capgen/AppPayloads.h"

#include <cstring>
#include <string>

namespace trawler::capgen {

namespace {

constexpr std::size_t kConnections = 48;
constexpr std::uint16_t kMss = 1460;

struct IcmpKind {
    std::uint16_t weight; // thousandths of the ICMP frames
    std::uint8_t type;
    std::uint8_t lastCode; // codes 0..lastCode drawn evenly
    std::uint8_t bodySize;
};

// Types that matter to the scan reports come often; every other named type
// and an unnamed one (40) now and then.
const IcmpKind kIcmpKinds[] = {
    {290, 8, 0, 32}, {270, 0, 0, 32}, {200, 3, 15, 28}, {80, 11, 1, 28}, {30, 5, 3, 28}, {25, 13, 0, 12},
    {20, 14, 0, 12}, {10, 17, 0, 4},  {10, 18, 0, 4},   {5, 15, 0, 0},   {5, 16, 0, 0},  {10, 4, 0, 28},
    {10, 9, 0, 8},   {10, 10, 0, 0},  {10, 12, 2, 28},  {5, 30, 0, 12},  {10, 40, 0, 8},
};

struct UdpKind {
    std::uint16_t weight;
    std::uint16_t port; // 0: a media stream between dynamic ports above 49151
};

const UdpKind kUdpKinds[] = {
    {350, 53}, {100, 137}, {50, 138}, {100, 1900}, {20, 67}, {50, 123}, {50, 514}, {280, 0},
};

template <typename Kind, std::size_t N> const Kind& draw(Random& rng, const Kind (&kinds)[N])
{
    std::uint32_t total = 0;
    for (const Kind& k : kinds)
        total += k.weight;
    std::uint32_t x = rng.below(total);
    for (const Kind& k : kinds) {
        if (x < k.weight)
            return k;
        x -= k.weight;
    }
    return kinds[N - 1];
}

} // namespace

BulkTraffic::BulkTraffic(Context& c, bool small) : m_c(c), m_small(small)
{
    m_connections.reserve(kConnections);
    for (std::size_t i = 0; i < kConnections; ++i) {
        m_connections.push_back(freshConnection());
        // Most connections are already running when the capture starts.
        if (m_c.rng.chance(800))
            m_connections.back().state = 3;
    }
}

BulkTraffic::Connection BulkTraffic::freshConnection()
{
    static const std::uint16_t kRemotePorts[] = {443, 443, 443, 443, 8443, 22, 993, 995};
    static const std::uint16_t kLocalPorts[] = {445, 139, 3389, 22, 80, 1433};
    const Host& client = m_c.lan.pick(m_c.rng);
    Endpoint a{client.mac, client.ip, static_cast<std::uint16_t>(m_c.rng.between(49152, 65535)), client.ttl};
    Endpoint b;
    if (m_c.rng.chance(700)) {
        b = Endpoint{m_c.lan.gateway().mac, m_c.lan.remote(m_c.rng), kRemotePorts[m_c.rng.below(8)],
                     static_cast<std::uint8_t>(m_c.rng.between(40, 58))};
    } else {
        const Host& server = m_c.lan.pickOther(m_c.rng, client);
        b = Endpoint{server.mac, server.ip, kLocalPorts[m_c.rng.below(6)], server.ttl};
    }
    Connection conn{TcpFlow(a, b, m_c.rng)};
    conn.left = static_cast<int>(m_c.rng.between(8, 80));
    return conn;
}

std::size_t BulkTraffic::payloadSize(std::size_t largest)
{
    if (m_small && largest > 120)
        largest = 120;
    return m_c.rng.between(1, static_cast<std::uint32_t>(largest));
}

void BulkTraffic::send(std::uint32_t gap)
{
    // Short frames arrive padded when they crossed a switch port, not when
    // the capturing host sent them itself.
    if (m_c.rng.chance(500))
        m_c.frame.padTo60();
    m_c.out.emit(m_c.frame, gap);
}

void BulkTraffic::emitOne()
{
    const std::uint32_t gap = m_c.rng.between(1, m_small ? 20000 : 200);
    std::uint32_t x = m_c.rng.below(1000);
    if (x < kTcpShare)
        tcp();
    else if ((x -= kTcpShare) < kUdpShare)
        udp();
    else if ((x -= kUdpShare) < kIcmpShare)
        icmp();
    else if ((x -= kIcmpShare) < kArpShare)
        arp();
    else
        other();
    send(gap);
}

void BulkTraffic::tcp()
{
    Connection& conn = m_connections[m_c.rng.below(kConnections)];
    FrameBuilder& f = m_c.frame;
    const std::uint8_t ack = tcpflag::kAck;
    const std::uint8_t pa = tcpflag::kPsh | tcpflag::kAck;
    const std::uint8_t fa = tcpflag::kFin | tcpflag::kAck;
    switch (conn.state) {
    case 0: conn.flow.syn(f); break;
    case 1:
        if (m_c.rng.chance(60)) { // nobody listens: refused, start over
            conn.flow.segment(f, false, tcpflag::kRst | ack);
            conn = freshConnection();
            return;
        }
        conn.flow.synAck(f);
        break;
    case 2: conn.flow.segment(f, true, ack); break;
    case 3: {
        const std::uint32_t kind = m_c.rng.below(100);
        if (kind < 55) {
            const bool full = !m_small && m_c.rng.chance(400);
            conn.flow.segment(f, false, full ? ack : pa, m_c.pool.take(m_c.rng, full ? kMss : payloadSize(600)));
        } else if (kind < 70) {
            conn.flow.segment(f, true, pa, m_c.pool.take(m_c.rng, payloadSize(500)));
        } else {
            conn.flow.segment(f, true, ack);
        }
        if (--conn.left > 0)
            return;
        break;
    }
    case 4: conn.flow.segment(f, true, fa); break;
    case 5: conn.flow.segment(f, false, fa); break;
    default:
        conn.flow.segment(f, true, ack);
        conn = freshConnection();
        return;
    }
    ++conn.state;
}

void BulkTraffic::udp()
{
    const UdpKind& kind = draw(m_c.rng, kUdpKinds);
    const Host& host = m_c.lan.pick(m_c.rng);
    Ipv4Fields ip{host.ip, 0, host.ttl, static_cast<std::uint16_t>(m_c.rng.next())};
    Link link{host.mac, m_c.lan.gateway().mac};
    std::uint16_t sport = kind.port;
    std::uint16_t dport = kind.port;
    std::string message;
    ByteView payload;
    const bool reply = m_c.rng.chance(500);
    switch (kind.port) {
    case 53: // a query to the gateway's resolver, or its answer
        ip.dst = m_c.lan.gateway().ip;
        sport = static_cast<std::uint16_t>(m_c.rng.between(49152, 65535));
        message = reply ? app::dnsAnswer(m_c.rng, static_cast<std::uint16_t>(m_c.rng.next()))
                        : app::dnsQuery(m_c.rng, static_cast<std::uint16_t>(m_c.rng.next()));
        if (reply) {
            std::swap(ip.src, ip.dst);
            std::swap(link.src, link.dst);
            std::swap(sport, dport);
            ip.ttl = 64;
        }
        break;
    case 137: {
        const Host& owner = m_c.lan.pickOther(m_c.rng, host);
        const std::uint16_t id = static_cast<std::uint16_t>(m_c.rng.next());
        if (reply) {
            ip = Ipv4Fields{owner.ip, host.ip, owner.ttl, static_cast<std::uint16_t>(m_c.rng.next())};
            link = Link{owner.mac, host.mac};
            message = app::nameAnswer(id, owner.name, owner.ip);
        } else {
            ip.dst = m_c.lan.broadcast();
            link.dst = Mac::broadcast();
            message = app::nameQuery(id, owner.name);
        }
        break;
    }
    case 138:
        ip.dst = m_c.lan.broadcast();
        link.dst = Mac::broadcast();
        message = app::browserAnnouncement(m_c.rng, host);
        break;
    case 1900:
        ip.dst = ipv4(239, 255, 255, 250);
        link.dst = Mac::ipv4Multicast(ip.dst);
        sport = static_cast<std::uint16_t>(m_c.rng.between(49152, 65535));
        ip.ttl = 2;
        message = app::ssdpSearch();
        break;
    case 67:
        ip.src = 0;
        ip.dst = 0xffffffffu;
        link.dst = Mac::broadcast();
        sport = 68;
        message = app::dhcpDiscover(m_c.rng, host.mac);
        break;
    case 123:
        ip.dst = m_c.lan.remote(m_c.rng);
        message = app::ntpPacket(m_c.rng, reply);
        if (reply) {
            std::swap(ip.src, ip.dst);
            std::swap(link.src, link.dst);
            ip.ttl = 52;
        }
        break;
    case 514:
        ip.dst = m_c.lan.hosts().front().ip;
        link.dst = m_c.lan.hosts().front().mac;
        sport = static_cast<std::uint16_t>(m_c.rng.between(1024, 65535));
        message = app::syslogLine(m_c.rng, host);
        break;
    default: { // media stream between two hosts: 12-byte RTP header and 20 ms of audio
        const Host& peer = m_c.lan.pickOther(m_c.rng, host);
        ip.dst = peer.ip;
        link.dst = peer.mac;
        sport = static_cast<std::uint16_t>(m_c.rng.between(49152, 65535));
        dport = static_cast<std::uint16_t>(m_c.rng.between(49152, 65535));
        payload = m_c.pool.take(m_c.rng, 172);
        break;
    }
    }
    if (!message.empty())
        payload = app::view(message);
    m_c.frame.udp(link, ip, sport, dport, payload);
}

void BulkTraffic::icmp()
{
    const IcmpKind& kind = draw(m_c.rng, kIcmpKinds);
    const Host& host = m_c.lan.pick(m_c.rng);
    const std::uint8_t code = static_cast<std::uint8_t>(m_c.rng.below(kind.lastCode + 1u));
    Ipv4Fields ip{host.ip, m_c.lan.remote(m_c.rng), host.ttl, static_cast<std::uint16_t>(m_c.rng.next())};
    Link link{host.mac, m_c.lan.gateway().mac};
    if (m_c.rng.chance(500)) { // inbound
        std::swap(ip.src, ip.dst);
        std::swap(link.src, link.dst);
        ip.ttl = static_cast<std::uint8_t>(m_c.rng.between(40, 250));
    }
    m_c.frame.icmp(link, ip, kind.type, code, static_cast<std::uint32_t>(m_c.rng.next()),
                   m_c.pool.take(m_c.rng, kind.bodySize));
}

void BulkTraffic::arp()
{
    const Host& asker = m_c.lan.pick(m_c.rng);
    const Host& owner = m_c.rng.chance(300) ? m_c.lan.gateway() : m_c.lan.pickOther(m_c.rng, asker);
    if (m_c.rng.chance(650))
        m_c.frame.arp(Link{asker.mac, Mac::broadcast()}, ether::kArp, 1, asker.mac, asker.ip, Mac{}, owner.ip);
    else
        m_c.frame.arp(Link{owner.mac, asker.mac}, ether::kArp, 2, owner.mac, owner.ip, asker.mac, asker.ip);
}

void BulkTraffic::other()
{
    const Host& host = m_c.lan.pick(m_c.rng);
    const std::uint32_t kind = m_c.rng.below(4);
    if (kind < 2) {
        // IPv6 (RFC 8200) neighbour solicitation (RFC 4861 4.3) to the
        // solicited-node group, with the source link-layer address option.
        std::uint8_t p[40 + 32] = {0x60, 0, 0, 0, 0, 32, 58, 255};
        p[8] = 0xfe;
        p[9] = 0x80;
        std::memcpy(p + 18, host.mac.bytes.data(), 6);
        const std::uint8_t solicitedNode[13] = {0xff, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0xff};
        std::memcpy(p + 24, solicitedNode, sizeof solicitedNode);
        const Host& peer = m_c.lan.pickOther(m_c.rng, host);
        std::memcpy(p + 37, peer.mac.bytes.data() + 3, 3);
        p[40] = 135; // type; code, checksum and reserved stay zero
        p[48] = 0xfe; // target fe80::<peer>
        p[49] = 0x80;
        std::memcpy(p + 58, peer.mac.bytes.data(), 6);
        p[64] = 1; // source link-layer address option, 8 bytes
        p[65] = 1;
        std::memcpy(p + 66, host.mac.bytes.data(), 6);
        const std::uint64_t pseudo = onesSum(p + 8, 32) + 32 + 58; // addresses, length, next header
        const std::uint16_t check = foldChecksum(onesSum(p + 40, 32, pseudo));
        p[42] = static_cast<std::uint8_t>(check >> 8);
        p[43] = static_cast<std::uint8_t>(check);
        const Mac group{{0x33, 0x33, 0xff, peer.mac.bytes[3], peer.mac.bytes[4], peer.mac.bytes[5]}};
        m_c.frame.ethernet(Link{host.mac, group}, ether::kIpv6, {p, sizeof p});
    } else if (kind == 2) {
        // Reverse ARP request (RFC 903): "what is my address?"
        m_c.frame.arp(Link{host.mac, Mac::broadcast()}, ether::kRarp, 3, host.mac, 0, host.mac, 0);
    } else {
        // An 802.1Q tagged IPv4 datagram: build it untagged, then wrap it.
        const Host& peer = m_c.lan.pickOther(m_c.rng, host);
        m_c.frame.udp(Link{host.mac, peer.mac}, Ipv4Fields{host.ip, peer.ip, host.ttl, 0}, 5004, 5004,
                      m_c.pool.take(m_c.rng, 40));
        std::uint8_t tagged[4 + 20 + 8 + 40] = {0x00, 0x0a, 0x08, 0x00}; // VLAN 10, then IPv4
        const ByteView datagram = m_c.frame.ipDatagram();
        std::memcpy(tagged + 4, datagram.data, datagram.size);
        m_c.frame.ethernet(Link{host.mac, peer.mac}, ether::kVlan, {tagged, sizeof tagged});
    }
}

} // namespace trawler::capgen
