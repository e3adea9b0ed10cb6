#pragma once
// Builds one Ethernet II frame at a time into a reused buffer, with every
// length and checksum field filled in: the IPv4 header checksum (RFC 791),
// the ICMP checksum (RFC 792) and the TCP/UDP checksums over the pseudo
// header (RFC 793, RFC 768).
#include "tools/capgen/Packet.h"

#include <cstdint>
#include <vector>

namespace trawler::capgen {

// RFC 1071 one's complement sum of a byte run, big-endian 16-bit words;
// an odd last byte is padded with zero.
std::uint64_t onesSum(const std::uint8_t* data, std::size_t size, std::uint64_t sum = 0);
std::uint16_t foldChecksum(std::uint64_t sum);

class FrameBuilder {
public:
    FrameBuilder() { m_buf.reserve(1600); }

    // Each of these starts a new frame.
    void arp(const Link& link, std::uint16_t etherType, std::uint16_t operation, const Mac& senderMac,
             std::uint32_t senderIp, const Mac& targetMac, std::uint32_t targetIp);
    void icmp(const Link& link, const Ipv4Fields& ip, std::uint8_t type, std::uint8_t code, std::uint32_t rest,
              ByteView body);
    void tcp(const Link& link, const Ipv4Fields& ip, const TcpFields& tcp, ByteView payload);
    void udp(const Link& link, const Ipv4Fields& ip, std::uint16_t srcPort, std::uint16_t dstPort, ByteView payload);
    // An IPv4 datagram whose payload is already complete (its own checksum included).
    void ipv4(const Link& link, const Ipv4Fields& ip, std::uint8_t protocol, ByteView payload);
    // Any other EtherType with an opaque payload.
    void ethernet(const Link& link, std::uint16_t etherType, ByteView payload);

    // Zero padding up to the 60-byte Ethernet minimum (64 with the FCS, which
    // a capture does not hold), as a sending adapter adds it.
    void padTo60();

    ByteView frame() const { return {m_buf.data(), m_buf.size()}; }
    // The IPv4 datagram of the current frame (from byte 14, without padding).
    ByteView ipDatagram() const { return {m_buf.data() + 14, m_ipLength}; }

private:
    std::uint8_t* startEthernet(const Link& link, std::uint16_t etherType, std::size_t payloadSize);
    std::uint8_t* startIpv4(const Link& link, const Ipv4Fields& ip, std::uint8_t protocol, std::size_t l4Size);
    std::uint64_t pseudoHeaderSum(const Ipv4Fields& ip, std::uint8_t protocol, std::size_t l4Size) const;

    std::vector<std::uint8_t> m_buf;
    std::size_t m_ipLength = 0;
};

} // namespace trawler::capgen
