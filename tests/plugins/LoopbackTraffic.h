#pragma once
// Test traffic on the loopback interface only: ICMP echo requests (RFC 792)
// and UDP datagrams to 127.0.0.1, and a reader for the capture files.
#include <pcap/pcap.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace trawler::test {

inline std::uint16_t internetChecksum(const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        sum += (bytes[i] << 8) + (i + 1 < bytes.size() ? bytes[i + 1] : 0);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

// Tests of other processes may capture on lo at the same time: this
// process's echoes carry its own identifier, its datagrams its own payload.
inline std::uint16_t ownEchoIdentifier()
{
    return static_cast<std::uint16_t>(::getpid() & 0xffff);
}

inline std::string ownUdpPayload()
{
    return "udp datagram " + std::to_string(::getpid());
}

inline sockaddr_in loopbackAddress(std::uint16_t port)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return to;
}

// Echo requests to 127.0.0.1 through a raw socket (needs root); the kernel
// answers each with an echo reply. False when the socket cannot be opened.
inline bool pingLoopback(int count)
{
    const int fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (fd < 0)
        return false;
    const sockaddr_in to = loopbackAddress(0);
    for (int seq = 1; seq <= count; ++seq) {
        // type 8, code 0, checksum, identifier, sequence number, payload
        const std::uint16_t id = ownEchoIdentifier();
        std::vector<std::uint8_t> message{8, 0, 0, 0, static_cast<std::uint8_t>(id >> 8),
                                          static_cast<std::uint8_t>(id & 0xff), 0, static_cast<std::uint8_t>(seq),
                                          'p', 'i', 'n', 'g'};
        const std::uint16_t sum = internetChecksum(message);
        message[2] = static_cast<std::uint8_t>(sum >> 8);
        message[3] = static_cast<std::uint8_t>(sum & 0xff);
        ::sendto(fd, message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    ::close(fd);
    return true;
}

// Datagrams to a socket bound on 127.0.0.1, so that no ICMP "port
// unreachable" (which would quote the UDP datagram) comes back.
inline bool sendUdpOverLoopback(int count)
{
    const int receiver = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int sender = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in bound = loopbackAddress(0);
    socklen_t length = sizeof bound;
    bool ok = receiver >= 0 && sender >= 0 &&
              ::bind(receiver, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) == 0 &&
              ::getsockname(receiver, reinterpret_cast<sockaddr*>(&bound), &length) == 0;
    for (int i = 0; ok && i < count; ++i) {
        const std::string payload = ownUdpPayload();
        ok = ::sendto(sender, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&bound),
                      sizeof bound) > 0;
    }
    if (sender >= 0)
        ::close(sender);
    if (receiver >= 0)
        ::close(receiver);
    return ok;
}

struct CapturedFile {
    bool opened = false;
    int linkType = -1;
    std::vector<std::vector<std::uint8_t>> frames;
};

// Every complete record of a capture file (a file still being written may
// end in a partial one, which is not counted).
inline CapturedFile readCaptureFile(const std::string& path)
{
    CapturedFile result;
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline(path.c_str(), errbuf);
    if (!handle)
        return result;
    result.opened = true;
    result.linkType = pcap_datalink(handle);
    pcap_pkthdr* header = nullptr;
    const u_char* bytes = nullptr;
    while (pcap_next_ex(handle, &header, &bytes) == 1)
        result.frames.emplace_back(bytes, bytes + header->caplen);
    pcap_close(handle);
    return result;
}

// IPv4 protocol number of an Ethernet II frame (bytes 12-13 ethertype,
// byte 23 the IPv4 protocol field, RFC 791); -1 for anything else.
inline int ipProtocol(const std::vector<std::uint8_t>& frame)
{
    if (frame.size() < 34 || frame[12] != 0x08 || frame[13] != 0x00)
        return -1;
    return frame[23];
}

// ICMP type of an IPv4 frame with a 20-byte header (byte 34); -1 otherwise.
inline int icmpType(const std::vector<std::uint8_t>& frame)
{
    if (ipProtocol(frame) != 1 || (frame[14] & 0x0f) != 5 || frame.size() < 35)
        return -1;
    return frame[34];
}

// Echo requests (type 8) or replies (type 0) of this process in `frames`.
inline int countOwnEchoes(const std::vector<std::vector<std::uint8_t>>& frames, int type)
{
    int count = 0;
    for (const auto& frame : frames) {
        // identifier: bytes 4-5 of the ICMP header at offset 34
        if (icmpType(frame) == type && frame.size() >= 40 &&
            ((frame[38] << 8) | frame[39]) == ownEchoIdentifier())
            ++count;
    }
    return count;
}

inline int countOwnEchoes(const std::vector<std::vector<std::uint8_t>>& frames)
{
    return countOwnEchoes(frames, 8) + countOwnEchoes(frames, 0);
}

inline int countOwnUdp(const std::vector<std::vector<std::uint8_t>>& frames)
{
    const std::string payload = ownUdpPayload();
    int count = 0;
    for (const auto& frame : frames) {
        if (ipProtocol(frame) == 17 &&
            std::string(frame.begin(), frame.end()).find(payload) != std::string::npos)
            ++count;
    }
    return count;
}

} // namespace trawler::test
