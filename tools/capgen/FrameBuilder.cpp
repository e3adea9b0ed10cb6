#include "tools/capgen/FrameBuilder.h"

#include <cstring>
#include <stdexcept>

namespace trawler::capgen {

namespace {

constexpr std::size_t kEthernetHeader = 14;
constexpr std::size_t kMinimumFrame = 60;

void put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, static_cast<std::uint16_t>(v >> 16));
    put16(p + 2, static_cast<std::uint16_t>(v));
}

void putMac(std::uint8_t* p, const Mac& mac) { std::memcpy(p, mac.bytes.data(), 6); }

void copy(std::uint8_t* p, ByteView v)
{
    if (v.size != 0)
        std::memcpy(p, v.data, v.size);
}

void checkOptions(ByteView options)
{
    if (options.size % 4 != 0 || options.size > 40)
        throw std::invalid_argument("header options must be a multiple of 4 bytes, at most 40");
}

} // namespace

std::uint64_t onesSum(const std::uint8_t* data, std::size_t size, std::uint64_t sum)
{
    std::size_t i = 0;
    for (; i + 1 < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i]) << 8 | data[i + 1];
    if (i < size)
        sum += static_cast<std::uint32_t>(data[i]) << 8;
    return sum;
}

std::uint16_t foldChecksum(std::uint64_t sum)
{
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::uint8_t* FrameBuilder::startEthernet(const Link& link, std::uint16_t etherType, std::size_t payloadSize)
{
    m_buf.resize(kEthernetHeader + payloadSize);
    m_ipLength = 0;
    std::uint8_t* p = m_buf.data();
    putMac(p, link.dst);
    putMac(p + 6, link.src);
    put16(p + 12, etherType);
    return p + kEthernetHeader;
}

std::uint8_t* FrameBuilder::startIpv4(const Link& link, const Ipv4Fields& ip, std::uint8_t protocol, std::size_t l4Size)
{
    checkOptions(ip.options);
    const std::size_t headerSize = 20 + ip.options.size;
    const std::size_t total = headerSize + l4Size;
    if (total > 0xffff)
        throw std::invalid_argument("IPv4 datagram longer than 65535 bytes");
    std::uint8_t* h = startEthernet(link, ether::kIpv4, total);
    m_ipLength = total;
    h[0] = static_cast<std::uint8_t>(0x40 | headerSize / 4); // version 4, IHL in 32-bit words
    h[1] = ip.tos;
    put16(h + 2, static_cast<std::uint16_t>(total));
    put16(h + 4, ip.id);
    put16(h + 6, ip.dontFragment ? 0x4000 : 0); // flags + fragment offset
    h[8] = ip.ttl;
    h[9] = protocol;
    put16(h + 10, 0);
    put32(h + 12, ip.src);
    put32(h + 16, ip.dst);
    copy(h + 20, ip.options);
    put16(h + 10, foldChecksum(onesSum(h, headerSize)));
    return h + headerSize;
}

std::uint64_t FrameBuilder::pseudoHeaderSum(const Ipv4Fields& ip, std::uint8_t protocol, std::size_t l4Size) const
{
    return (ip.src >> 16) + (ip.src & 0xffff) + (ip.dst >> 16) + (ip.dst & 0xffff) + protocol + l4Size;
}

void FrameBuilder::arp(const Link& link, std::uint16_t etherType, std::uint16_t operation, const Mac& senderMac,
                       std::uint32_t senderIp, const Mac& targetMac, std::uint32_t targetIp)
{
    // RFC 826 for Ethernet (hardware type 1) and IPv4 (protocol type 0x0800).
    std::uint8_t* a = startEthernet(link, etherType, 28);
    put16(a, 1);
    put16(a + 2, ether::kIpv4);
    a[4] = 6;
    a[5] = 4;
    put16(a + 6, operation);
    putMac(a + 8, senderMac);
    put32(a + 14, senderIp);
    putMac(a + 18, targetMac);
    put32(a + 24, targetIp);
}

void FrameBuilder::icmp(const Link& link, const Ipv4Fields& ip, std::uint8_t type, std::uint8_t code,
                        std::uint32_t rest, ByteView body)
{
    const std::size_t size = 8 + body.size;
    std::uint8_t* m = startIpv4(link, ip, ipproto::kIcmp, size);
    m[0] = type;
    m[1] = code;
    put16(m + 2, 0);
    put32(m + 4, rest);
    copy(m + 8, body);
    put16(m + 2, foldChecksum(onesSum(m, size)));
}

void FrameBuilder::tcp(const Link& link, const Ipv4Fields& ip, const TcpFields& tcp, ByteView payload)
{
    checkOptions(tcp.options);
    const std::size_t headerSize = 20 + tcp.options.size;
    const std::size_t size = headerSize + payload.size;
    std::uint8_t* t = startIpv4(link, ip, ipproto::kTcp, size);
    put16(t, tcp.srcPort);
    put16(t + 2, tcp.dstPort);
    put32(t + 4, tcp.seq);
    put32(t + 8, tcp.ack);
    t[12] = static_cast<std::uint8_t>(headerSize / 4 << 4); // data offset
    t[13] = tcp.flags;
    put16(t + 14, tcp.window);
    put16(t + 16, 0);
    put16(t + 18, 0); // urgent pointer
    copy(t + 20, tcp.options);
    copy(t + headerSize, payload);
    put16(t + 16, foldChecksum(onesSum(t, size, pseudoHeaderSum(ip, ipproto::kTcp, size))));
}

void FrameBuilder::udp(const Link& link, const Ipv4Fields& ip, std::uint16_t srcPort, std::uint16_t dstPort,
                       ByteView payload)
{
    const std::size_t size = 8 + payload.size;
    std::uint8_t* u = startIpv4(link, ip, ipproto::kUdp, size);
    put16(u, srcPort);
    put16(u + 2, dstPort);
    put16(u + 4, static_cast<std::uint16_t>(size));
    put16(u + 6, 0);
    copy(u + 8, payload);
    std::uint16_t sum = foldChecksum(onesSum(u, size, pseudoHeaderSum(ip, ipproto::kUdp, size)));
    put16(u + 6, sum == 0 ? 0xffff : sum); // RFC 768: a computed zero is sent as all ones
}

void FrameBuilder::ipv4(const Link& link, const Ipv4Fields& ip, std::uint8_t protocol, ByteView payload)
{
    copy(startIpv4(link, ip, protocol, payload.size), payload);
}

void FrameBuilder::ethernet(const Link& link, std::uint16_t etherType, ByteView payload)
{
    copy(startEthernet(link, etherType, payload.size), payload);
}

void FrameBuilder::padTo60()
{
    if (m_buf.size() < kMinimumFrame)
        m_buf.resize(kMinimumFrame, 0);
}

} // namespace trawler::capgen
