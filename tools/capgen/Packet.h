#pragma once
// Plain values that describe the headers of a synthetic frame.
#include <array>
#include <cstddef>
#include <cstdint>

namespace trawler::capgen {

struct ByteView {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

struct Mac {
    std::array<std::uint8_t, 6> bytes{};

    static Mac broadcast() { return Mac{{0xff, 0xff, 0xff, 0xff, 0xff, 0xff}}; }
    // RFC 1112 6.4: 01-00-5e followed by the group's low 23 bits.
    static Mac ipv4Multicast(std::uint32_t group)
    {
        return Mac{{0x01, 0x00, 0x5e, static_cast<std::uint8_t>((group >> 16) & 0x7f),
                    static_cast<std::uint8_t>(group >> 8), static_cast<std::uint8_t>(group)}};
    }
    bool operator==(const Mac& o) const { return bytes == o.bytes; }
    bool operator!=(const Mac& o) const { return bytes != o.bytes; }
};

// IPv4 addresses are kept in host order: a.b.c.d is (a << 24) | ... | d.
constexpr std::uint32_t ipv4(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return (a << 24) | (b << 16) | (c << 8) | d;
}

namespace ether {
constexpr std::uint16_t kIpv4 = 0x0800;
constexpr std::uint16_t kArp = 0x0806;
constexpr std::uint16_t kRarp = 0x8035;
constexpr std::uint16_t kVlan = 0x8100;
constexpr std::uint16_t kIpv6 = 0x86DD;
} // namespace ether

namespace ipproto {
constexpr std::uint8_t kIcmp = 1;
constexpr std::uint8_t kIgmp = 2;
constexpr std::uint8_t kTcp = 6;
constexpr std::uint8_t kUdp = 17;
} // namespace ipproto

namespace tcpflag {
constexpr std::uint8_t kFin = 0x01;
constexpr std::uint8_t kSyn = 0x02;
constexpr std::uint8_t kRst = 0x04;
constexpr std::uint8_t kPsh = 0x08;
constexpr std::uint8_t kAck = 0x10;
} // namespace tcpflag

struct Link {
    Mac src;
    Mac dst;
};

struct Ipv4Fields {
    Ipv4Fields() = default;
    Ipv4Fields(std::uint32_t src_, std::uint32_t dst_, std::uint8_t ttl_, std::uint16_t id_, std::uint8_t tos_ = 0,
               bool dontFragment_ = false, ByteView options_ = {})
        : src(src_), dst(dst_), ttl(ttl_), id(id_), tos(tos_), dontFragment(dontFragment_), options(options_)
    {
    }

    std::uint32_t src = 0;
    std::uint32_t dst = 0;
    std::uint8_t ttl = 64;
    std::uint16_t id = 0;
    std::uint8_t tos = 0;
    bool dontFragment = false;
    ByteView options; // a multiple of 4 bytes, at most 40 (RFC 791 3.1)
};

struct TcpFields {
    std::uint16_t srcPort = 0;
    std::uint16_t dstPort = 0;
    std::uint32_t seq = 0;
    std::uint32_t ack = 0;
    std::uint8_t flags = 0;
    std::uint16_t window = 64240;
    ByteView options; // a multiple of 4 bytes, at most 40 (RFC 793 3.1)
};

} // namespace trawler::capgen
