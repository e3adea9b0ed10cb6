#pragma once
#include <cstddef>
#include <cstdint>

namespace trawler::parse {

// Positions in an Ethernet II frame (byte 0 is the first byte of the
// destination MAC). The transport header starts where the IPv4 header's IHL
// field says (14 + 4 x IHL); its fields are given relative to that start.
namespace offsets {
constexpr std::size_t kEtherType = 12;        // 2 bytes
constexpr std::size_t kEthernetEnd = 14;
// ARP (RFC 826) for Ethernet/IPv4: 28 bytes after the Ethernet header.
constexpr std::size_t kArpOperation = 20;     // 2 bytes
constexpr std::size_t kArpSenderMac = 22;     // 6 bytes
constexpr std::size_t kArpSenderIp = 28;      // 4 bytes
constexpr std::size_t kArpTargetMac = 32;     // 6 bytes
constexpr std::size_t kArpTargetIp = 38;      // 4 bytes
constexpr std::size_t kArpEnd = 42;
// IPv4 (RFC 791).
constexpr std::size_t kIpVersionIhl = 14;     // version (high nibble), IHL in 32-bit words
constexpr std::size_t kIpTotalLength = 16;    // 2 bytes
constexpr std::size_t kIpFragment = 20;       // flags (3 bits), fragment offset (13 bits)
constexpr std::size_t kIpProtocol = 23;       // 1 byte
constexpr std::size_t kIpSource = 26;         // 4 bytes
constexpr std::size_t kIpDestination = 30;    // 4 bytes
constexpr std::size_t kIpEnd = 34;           // the end of a header without options
// Relative to the transport header.
// ICMP (RFC 792): type and code are the first two bytes.
constexpr std::size_t kIcmpType = 0;
constexpr std::size_t kIcmpCode = 1;
constexpr std::size_t kIcmpLength = 2;
// TCP (RFC 793) and UDP (RFC 768): ports first; TCP flags in header byte 13.
constexpr std::size_t kSourcePort = 0;        // 2 bytes
constexpr std::size_t kDestPort = 2;          // 2 bytes
constexpr std::size_t kTcpFlags = 13;
// TCP and UDP alike need 20 bytes of transport header (the minimal TCP header).
constexpr std::size_t kTransportLength = 20;
} // namespace offsets

constexpr std::uint8_t kIpVersion4 = 4;
constexpr std::uint8_t kMinimumIhl = 5; // 20 bytes, a header without options
constexpr std::uint16_t kFragmentOffsetMask = 0x1fff;

constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
constexpr std::uint16_t kEtherTypeArp = 0x0806;
constexpr std::uint8_t kProtocolIcmp = 1;
constexpr std::uint8_t kProtocolTcp = 6;
constexpr std::uint8_t kProtocolUdp = 17;
constexpr std::uint8_t kTcpFlagSyn = 0x02;

// What a frame is, as far as the run's counters and rows are concerned.
enum class FrameClass : std::uint8_t {
    Short,    // under 14 bytes (wire or captured): Corrupted, no row
    EthOther, // neither IPv4 nor ARP: Ethother, no row
    ShortArp, // ARP whose 28-byte message was not wholly captured: Corrupted, no row
    Arp,      // Arp, one arp row
    ShortIp,  // IPv4 under 34 bytes (wire or captured): Corrupted, no row
    BadIp,    // EtherType IPv4 but version not 4 or IHL under 5: Corrupted, no row
    Ip,       // Ip, one ip row; see Transport
};

enum class Transport : std::uint8_t {
    None,      // not an IPv4 datagram
    Icmp,      // Icmp: icmp row, then ip row
    Tcp,       // Tcp: ip row with ports; a syn row first when SYN is set
    Udp,       // Udp: ip row with ports
    Other,     // Ipother: ip row without ports (also every fragment but the first)
    Truncated, // ICMP, TCP or UDP too short for its fields: Corrupted, ip row without ports
};

// The fields of one frame, as numbers; texts are made when rows are written.
struct DecodedFrame {
    FrameClass frameClass = FrameClass::Short;
    Transport transport = Transport::None;

    // ARP
    std::uint16_t arpOperation = 0;
    std::uint8_t senderMac[6] = {};
    std::uint8_t targetMac[6] = {};
    std::uint32_t senderIp = 0;
    std::uint32_t targetIp = 0;

    // IPv4 and above
    std::uint32_t sourceIp = 0;
    std::uint32_t destIp = 0;
    std::uint16_t totalLength = 0;
    std::uint8_t protocol = 0;
    std::uint16_t sourcePort = 0;
    std::uint16_t destPort = 0;
    bool syn = false;
    std::uint8_t icmpType = 0;
    std::uint8_t icmpCode = 0;
};

// Decodes one frame. `data` holds `capturedLength` bytes; `wireLength` is the
// frame's length on the wire. A field is used only when both lengths reach it
// (the wire length as the length rules have it, the captured length because
// nothing else may be read). Never throws; any byte sequence is a valid input.
DecodedFrame decodeFrame(const std::uint8_t* data, std::size_t capturedLength, std::size_t wireLength);

} // namespace trawler::parse
