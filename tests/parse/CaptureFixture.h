#pragma once
// Hand-built Ethernet frames and small capture files for the parser's tests.
#include <pcap/pcap.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace trawler::test {

// A frame of a given size, zero-filled, with setters at byte offsets
// (multi-byte values in network byte order).
class Frame {
public:
    explicit Frame(std::size_t size) : m_bytes(size, 0) {}

    Frame& u8(std::size_t at, std::uint8_t v)
    {
        if (at < m_bytes.size())
            m_bytes[at] = v;
        return *this;
    }
    Frame& u16(std::size_t at, std::uint16_t v) { return u8(at, v >> 8).u8(at + 1, v & 0xff); }
    Frame& bytes(std::size_t at, std::initializer_list<std::uint8_t> v)
    {
        for (std::uint8_t b : v)
            u8(at++, b);
        return *this;
    }
    Frame& etherType(std::uint16_t t) { return u16(12, t); }

    // An IPv4 header at byte 14 (version 4, IHL 5 unless told).
    Frame& ipv4(std::uint8_t protocol, std::initializer_list<std::uint8_t> src,
                std::initializer_list<std::uint8_t> dst, std::uint16_t totalLength, std::uint8_t ihl = 5)
    {
        etherType(0x0800);
        u8(14, static_cast<std::uint8_t>(0x40 | ihl));
        u16(16, totalLength);
        u8(23, protocol);
        bytes(26, src);
        return bytes(30, dst);
    }

    // An Ethernet/IPv4 ARP message at byte 14.
    Frame& arp(std::uint16_t operation, std::initializer_list<std::uint8_t> senderMac,
               std::initializer_list<std::uint8_t> senderIp, std::initializer_list<std::uint8_t> targetMac,
               std::initializer_list<std::uint8_t> targetIp)
    {
        etherType(0x0806);
        u16(14, 1).u16(16, 0x0800).u8(18, 6).u8(19, 4);
        u16(20, operation);
        bytes(22, senderMac).bytes(28, senderIp).bytes(32, targetMac);
        return bytes(38, targetIp);
    }

    const std::vector<std::uint8_t>& data() const { return m_bytes; }
    std::size_t size() const { return m_bytes.size(); }

private:
    std::vector<std::uint8_t> m_bytes;
};

// One record of a capture file: its time, its frame bytes and, when the
// record was cut by the snapshot length, the longer wire length.
struct Record {
    std::int64_t seconds;
    Frame frame;
    std::uint32_t wireLength = 0; // 0: the frame's own size
};

// Writes a libpcap capture file with the given link type.
inline void writeCapture(const std::string& path, const std::vector<Record>& records, int linkType = DLT_EN10MB)
{
    pcap_t* dead = pcap_open_dead(linkType, 65535);
    pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
    if (!dumper) {
        const std::string message = pcap_geterr(dead);
        pcap_close(dead);
        throw std::runtime_error("cannot write " + path + ": " + message);
    }
    for (const Record& r : records) {
        pcap_pkthdr header {};
        header.ts.tv_sec = static_cast<time_t>(r.seconds);
        header.caplen = static_cast<bpf_u_int32>(r.frame.size());
        header.len = r.wireLength ? r.wireLength : header.caplen;
        pcap_dump(reinterpret_cast<u_char*>(dumper), &header, r.frame.data().data());
    }
    pcap_dump_close(dumper);
    pcap_close(dead);
}

} // namespace trawler::test
