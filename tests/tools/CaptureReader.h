#pragma once
// Reads a capture back with libpcap and decodes the header fields the
// generator's tests check, independently of the generator's own code.
#include <pcap/pcap.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace trawler::test {

struct ReadFrame {
    std::uint64_t micros = 0;
    std::uint32_t wireLength = 0;
    std::vector<std::uint8_t> bytes; // the captured part

    std::uint32_t u8(std::size_t at) const { return at < bytes.size() ? bytes[at] : 0; }
    std::uint32_t u16(std::size_t at) const { return u8(at) << 8 | u8(at + 1); }
    std::uint32_t u32(std::size_t at) const { return u16(at) << 16 | u16(at + 2); }
    std::string mac(std::size_t at) const
    {
        char text[18];
        std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", u8(at), u8(at + 1), u8(at + 2), u8(at + 3),
                      u8(at + 4), u8(at + 5));
        return text;
    }

    std::uint32_t etherType() const { return u16(12); }
    bool isIpv4() const { return etherType() == 0x0800; }
    bool isArp() const { return etherType() == 0x0806; }
    std::uint32_t ipHeaderLength() const { return (u8(14) & 0x0f) * 4; }
    std::uint32_t protocol() const { return isIpv4() ? u8(23) : 0; }
    std::uint32_t srcIp() const { return u32(26); }
    std::uint32_t dstIp() const { return u32(30); }
    std::size_t l4() const { return 14 + ipHeaderLength(); }
    bool isTcp() const { return protocol() == 6; }
    bool isUdp() const { return protocol() == 17; }
    bool isIcmp() const { return protocol() == 1; }
    std::uint32_t srcPort() const { return u16(l4()); }
    std::uint32_t dstPort() const { return u16(l4() + 2); }
    std::uint32_t tcpFlags() const { return u8(l4() + 13); }
    std::uint32_t tcpSeq() const { return u32(l4() + 4); }
    std::uint32_t tcpAck() const { return u32(l4() + 8); }
    std::uint32_t icmpType() const { return u8(l4()); }
    std::uint32_t icmpCode() const { return u8(l4() + 1); }
    std::uint32_t arpOperation() const { return u16(20); }
};

struct ReadCapture {
    int linkType = -1;
    int snapLength = 0;
    std::vector<ReadFrame> frames;
};

inline ReadCapture readCapture(const std::string& path)
{
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* p = pcap_open_offline(path.c_str(), error);
    if (p == nullptr)
        throw std::runtime_error(error);
    ReadCapture capture;
    capture.linkType = pcap_datalink(p);
    capture.snapLength = pcap_snapshot(p);
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    int rc;
    while ((rc = pcap_next_ex(p, &header, &data)) == 1) {
        ReadFrame f;
        // The file's seconds are unsigned 32-bit; libpcap sign-extends them.
        f.micros = std::uint64_t{static_cast<std::uint32_t>(header->ts.tv_sec)} * 1000000 + static_cast<std::uint64_t>(header->ts.tv_usec);
        f.wireLength = header->len;
        f.bytes.assign(data, data + header->caplen);
        capture.frames.push_back(std::move(f));
    }
    const std::string message = rc == -1 ? pcap_geterr(p) : "";
    pcap_close(p);
    if (rc == -1)
        throw std::runtime_error(message);
    return capture;
}

// One's complement sum over the bytes, folded; 0xffff for a run that holds
// its own valid checksum.
inline std::uint32_t foldedSum(const std::uint8_t* data, std::size_t size, std::uint32_t sum = 0)
{
    for (std::size_t i = 0; i < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i]) << 8 | (i + 1 < size ? data[i + 1] : 0);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return sum;
}

// Empty when the frame is a complete, consistent Ethernet II frame: IPv4
// lengths and every checksum right, padding only up to the 60-byte minimum.
inline std::string frameProblem(const ReadFrame& f)
{
    const std::size_t size = f.bytes.size();
    if (size != f.wireLength)
        return "captured part differs from the wire length";
    if (size < 14 || size > 1518)
        return "frame size " + std::to_string(size);
    if (f.isArp() || f.etherType() == 0x8035)
        return size == 42 || size == 60 ? "" : "ARP frame of " + std::to_string(size) + " bytes";
    if (!f.isIpv4())
        return "";
    const std::uint32_t ihl = f.ipHeaderLength();
    const std::uint32_t total = f.u16(16);
    if ((f.u8(14) >> 4) != 4 || ihl < 20 || total < ihl || 14 + total > size)
        return "bad IPv4 header lengths";
    if (14 + total != size && size != 60)
        return "trailing bytes after the datagram in a frame longer than 60 bytes";
    for (std::size_t i = 14 + total; i < size; ++i)
        if (f.bytes[i] != 0)
            return "padding not zero";
    if (foldedSum(&f.bytes[14], ihl) != 0xffff)
        return "IPv4 header checksum";
    const std::uint8_t* l4 = &f.bytes[14 + ihl];
    const std::uint32_t l4Size = total - ihl;
    const std::uint32_t pseudo = (f.srcIp() >> 16) + (f.srcIp() & 0xffff) + (f.dstIp() >> 16) + (f.dstIp() & 0xffff) +
                                 f.protocol() + l4Size;
    if (f.isIcmp() && foldedSum(l4, l4Size) != 0xffff)
        return "ICMP checksum";
    if (f.isTcp() && (l4Size < 20 || foldedSum(l4, l4Size, pseudo) != 0xffff))
        return "TCP checksum";
    if (f.isUdp() && (l4Size < 8 || f.u16(14 + ihl + 4) != l4Size || foldedSum(l4, l4Size, pseudo) != 0xffff))
        return "UDP length or checksum";
    return "";
}

} // namespace trawler::test
