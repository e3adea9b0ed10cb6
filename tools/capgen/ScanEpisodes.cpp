// ICMP sweeps, SYN scans and the IGMP join.
#include "tools/capgen/Episodes.h"

#include <cstring>

namespace trawler::capgen {

namespace {

const std::uint8_t kEchoData[32] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p',
                                    'q', 'r', 's', 't', 'u', 'v', 'w', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'};

std::uint32_t idSeq(std::uint16_t id, std::uint16_t seq) { return static_cast<std::uint32_t>(id) << 16 | seq; }

void put32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// Milliseconds since midnight UT, the unit of RFC 792's timestamp messages.
std::uint32_t msOfDay(std::uint64_t micros) { return static_cast<std::uint32_t>(micros / 1000 % 86400000); }

// RFC 792 error messages quote the offending datagram's header and its first
// 8 data bytes; copied out of the frame just built.
struct Quote {
    std::uint8_t bytes[68];
    std::size_t size = 0;

    explicit Quote(const FrameBuilder& frame)
    {
        const ByteView d = frame.ipDatagram();
        const std::size_t headerSize = static_cast<std::size_t>(d.data[0] & 0x0f) * 4;
        size = headerSize + 8 < d.size ? headerSize + 8 : d.size;
        std::memcpy(bytes, d.data, size);
    }
    ByteView view() const { return {bytes, size}; }
};

class SweepProbe {
public:
    SweepProbe(Context& c, const Host& scanner, std::uint32_t target)
        : m_c(c), m_scanner(scanner), m_target(target), m_id(static_cast<std::uint16_t>(c.rng.next()))
    {
    }

    // From the scanner to the target, unpadded (the capturing host sends it).
    void request(std::uint8_t type, std::uint32_t rest, ByteView body, std::uint32_t gap)
    {
        Ipv4Fields ip{m_scanner.ip, m_target, m_scanner.ttl, m_id++};
        m_c.frame.icmp(Link{m_scanner.mac, m_c.lan.gateway().mac}, ip, type, 0, rest, body);
        m_c.out.emit(m_c.frame, gap);
    }
    // From the target (through the gateway) back to the scanner.
    void answer(std::uint8_t type, std::uint8_t code, std::uint32_t rest, ByteView body, std::uint32_t from)
    {
        Ipv4Fields ip{from, m_scanner.ip, 127, static_cast<std::uint16_t>(m_c.rng.next())};
        m_c.frame.icmp(Link{m_c.lan.gateway().mac, m_scanner.mac}, ip, type, code, rest, body);
        m_c.frame.padTo60();
        m_c.out.emit(m_c.frame, m_c.rng.between(150, 900));
    }

private:
    Context& m_c;
    const Host& m_scanner;
    std::uint32_t m_target;
    std::uint16_t m_id;
};

} // namespace

void icmpSweep(Context& c, const Host& scanner, const SweepPlan& plan)
{
    const std::uint16_t pingId = static_cast<std::uint16_t>(c.rng.next());
    std::uint16_t seq = 0;
    std::vector<std::uint32_t> live;

    for (std::uint32_t n = plan.first; n <= plan.last && !c.out.full(); ++n) {
        const std::uint32_t target = (plan.network & 0xffffff00u) | n;
        if (target == scanner.ip)
            continue;
        SweepProbe probe(c, scanner, target);
        const std::uint32_t rest = idSeq(pingId, ++seq);
        probe.request(8, rest, {kEchoData, sizeof kEchoData}, c.rng.between(800, 4000));
        if (c.rng.chance(plan.livePerMille)) {
            live.push_back(target);
            probe.answer(0, 0, rest, {kEchoData, sizeof kEchoData}, target);
        } else if (c.rng.chance(200)) {
            const Quote quote(c.frame);
            probe.answer(3, 1, 0, quote.view(), c.lan.gateway().ip); // host unreachable
        }
    }

    for (std::uint32_t target : live) {
        if (c.out.full())
            return;
        SweepProbe probe(c, scanner, target);
        // A UDP datagram to a port nobody listens on draws a port unreachable.
        Ipv4Fields udpIp{scanner.ip, target, scanner.ttl, static_cast<std::uint16_t>(c.rng.next())};
        c.frame.udp(Link{scanner.mac, c.lan.gateway().mac}, udpIp, static_cast<std::uint16_t>(c.rng.between(49152, 65535)),
                    static_cast<std::uint16_t>(33434 + (target & 0xff)), c.pool.take(c.rng, 12));
        c.out.emit(c.frame, c.rng.between(500, 3000));
        {
            const Quote quote(c.frame);
            probe.answer(3, 3, 0, quote.view(), target);
        }

        std::uint8_t stamps[12] = {};
        put32(stamps, msOfDay(c.out.clock()));
        probe.request(13, idSeq(pingId, ++seq), {stamps, sizeof stamps}, c.rng.between(500, 3000));
        if (c.rng.chance(700)) {
            put32(stamps + 4, msOfDay(c.out.clock()) + 1);
            put32(stamps + 8, msOfDay(c.out.clock()) + 1);
            probe.answer(14, 0, idSeq(pingId, seq), {stamps, sizeof stamps}, target);
        }

        probe.request(15, idSeq(pingId, ++seq), {}, c.rng.between(500, 3000));
        if (c.rng.chance(200))
            probe.answer(16, 0, idSeq(pingId, seq), {}, target);

        std::uint8_t mask[4] = {};
        probe.request(17, idSeq(pingId, ++seq), {mask, sizeof mask}, c.rng.between(500, 3000));
        if (c.rng.chance(300)) {
            put32(mask, 0xffffff00u);
            probe.answer(18, 0, idSeq(pingId, seq), {mask, sizeof mask}, target);
        }
    }
}

void synScan(Context& c, const Host& scanner, const Host& target, const std::vector<std::uint16_t>& ports)
{
    static const std::uint16_t kUsual[] = {21, 22, 23, 25, 80, 443, 3389, 8080};
    std::vector<std::uint16_t> open = {135, 139, 445};
    for (std::uint16_t p : kUsual)
        if (c.rng.chance(350))
            open.push_back(p);
    auto isOpen = [&open](std::uint16_t p) {
        for (std::uint16_t o : open)
            if (o == p)
                return true;
        return false;
    };

    const std::uint16_t sourcePort = static_cast<std::uint16_t>(c.rng.between(33000, 65000));
    // MSS 1460 only: the short SYN scanners send.
    static const std::uint8_t kMss[4] = {0x02, 0x04, 0x05, 0xb4};
    const Link out{scanner.mac, target.mac};
    const Link back{target.mac, scanner.mac};

    for (std::uint16_t port : ports) {
        if (c.out.full())
            return;
        const std::uint32_t seq = static_cast<std::uint32_t>(c.rng.next());
        TcpFields probe{sourcePort, port, seq, 0, tcpflag::kSyn, 1024, {kMss, sizeof kMss}};
        c.frame.tcp(out, Ipv4Fields{scanner.ip, target.ip, 47, static_cast<std::uint16_t>(c.rng.next())}, probe, {});
        c.out.emit(c.frame, c.rng.between(60, 400));

        const Ipv4Fields reply{target.ip, scanner.ip, target.ttl, static_cast<std::uint16_t>(c.rng.next()), 0, true};
        if (isOpen(port)) {
            TcpFields answer{port, sourcePort, static_cast<std::uint32_t>(c.rng.next()), seq + 1,
                             tcpflag::kSyn | tcpflag::kAck, 64240, {kMss, sizeof kMss}};
            c.frame.tcp(back, reply, answer, {});
            c.frame.padTo60();
            c.out.emit(c.frame, c.rng.between(100, 700));
            TcpFields reset{sourcePort, port, seq + 1, 0, tcpflag::kRst, 0, {}};
            c.frame.tcp(out, Ipv4Fields{scanner.ip, target.ip, 47, static_cast<std::uint16_t>(c.rng.next())}, reset, {});
            c.out.emit(c.frame, c.rng.between(20, 80));
        } else if (!c.rng.chance(40)) { // a few ports are filtered and stay silent
            TcpFields answer{port, sourcePort, 0, seq + 1, tcpflag::kRst | tcpflag::kAck, 0, {}};
            c.frame.tcp(back, reply, answer, {});
            c.frame.padTo60();
            c.out.emit(c.frame, c.rng.between(100, 700));
        }
    }
}

void igmpJoin(Context& c, const Host& host, std::uint32_t group)
{
    static const std::uint8_t kRouterAlert[4] = {0x94, 0x04, 0x00, 0x00};
    std::uint8_t report[8] = {0x16, 0x00, 0x00, 0x00}; // v2 membership report, checksum, group
    put32(report + 4, group);
    const std::uint16_t sum = foldChecksum(onesSum(report, sizeof report));
    report[2] = static_cast<std::uint8_t>(sum >> 8);
    report[3] = static_cast<std::uint8_t>(sum);
    Ipv4Fields ip{host.ip, group, 1, static_cast<std::uint16_t>(c.rng.next()), 0xc0, false, {kRouterAlert, 4}};
    c.frame.ipv4(Link{host.mac, Mac::ipv4Multicast(group)}, ip, ipproto::kIgmp, {report, sizeof report});
    c.frame.padTo60();
    c.out.emit(c.frame, c.rng.between(1000, 20000));
}

} // namespace trawler::capgen
