// The frame decoder, the run counters, the ICMP names and the stored text forms.
#include "CaptureFixture.h"

#include "parse/FrameDecoder.h"
#include "parse/IcmpNames.h"
#include "parse/RunCounters.h"
#include "parse/TextForms.h"
#include "text/AddressText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace trawler::parse;
using namespace trawler::text;
using trawler::test::Frame;

namespace {

// Decodes from an exact-size heap copy, so a read past the captured bytes is
// caught by the sanitizer build.
DecodedFrame decode(const Frame& frame, std::size_t captured, std::size_t wire)
{
    std::vector<std::uint8_t> copy(frame.data().begin(), frame.data().begin() + static_cast<long>(captured));
    return decodeFrame(copy.data(), copy.size(), wire);
}

DecodedFrame decode(const Frame& frame) { return decode(frame, frame.size(), frame.size()); }

Frame tcp(std::uint8_t flags, std::uint16_t sport = 1025, std::uint16_t dport = 80, std::size_t size = 60)
{
    Frame f(size);
    f.ipv4(6, {10, 0, 0, 1}, {10, 0, 0, 2}, 40).u16(34, sport).u16(36, dport).u8(47, flags);
    return f;
}

// A template of each frame kind, 60 bytes long, and the sizes at which its
// class changes: below `ip` (or `arp`) it is short; below `transport` its
// transport fields are missing.
struct Kind {
    const char* name;
    Frame frame;
    FrameClass whole;
    Transport transport;
};

std::vector<Kind> kinds()
{
    Frame arp(60);
    arp.arp(1, {0, 1, 2, 3, 4, 5}, {10, 0, 0, 1}, {0, 0, 0, 0, 0, 0}, {10, 0, 0, 2});
    Frame icmp(60);
    icmp.ipv4(1, {10, 0, 0, 1}, {10, 0, 0, 2}, 28).u8(34, 8);
    Frame udp(60);
    udp.ipv4(17, {10, 0, 0, 1}, {10, 0, 0, 2}, 28).u16(34, 137).u16(36, 137);
    Frame gre(60);
    gre.ipv4(47, {10, 0, 0, 1}, {10, 0, 0, 2}, 46);
    Frame rarp(60);
    rarp.arp(3, {0, 1, 2, 3, 4, 5}, {0, 0, 0, 0}, {0, 1, 2, 3, 4, 5}, {0, 0, 0, 0}).etherType(0x8035);
    return {
        {"arp", arp, FrameClass::Arp, Transport::None},
        {"icmp", icmp, FrameClass::Ip, Transport::Icmp},
        {"tcp", tcp(0x02), FrameClass::Ip, Transport::Tcp},
        {"udp", udp, FrameClass::Ip, Transport::Udp},
        {"other ip", gre, FrameClass::Ip, Transport::Other},
        {"reverse arp", rarp, FrameClass::EthOther, Transport::None},
    };
}

// Class and transport expected of a kind's frame when only `n` bytes reach
// the decoder (captured and on the wire alike).
std::pair<FrameClass, Transport> expectedAt(const Kind& k, std::size_t n)
{
    if (n < 14)
        return {FrameClass::Short, Transport::None};
    if (k.whole == FrameClass::EthOther)
        return {FrameClass::EthOther, Transport::None};
    if (k.whole == FrameClass::Arp)
        return {n < 42 ? FrameClass::ShortArp : FrameClass::Arp, Transport::None};
    if (n < 34)
        return {FrameClass::ShortIp, Transport::None};
    const std::size_t needed = k.transport == Transport::Icmp ? 36 : k.transport == Transport::Other ? 34 : 54;
    return {FrameClass::Ip, n < needed ? Transport::Truncated : k.transport};
}

} // namespace

TEST(FrameDecoder, EveryTruncationPointOfEveryKindIsClassifiedWithoutReadingPastTheCapture)
{
    for (const Kind& k : kinds()) {
        for (std::size_t n = 0; n <= k.frame.size(); ++n) {
            const auto [cls, transport] = expectedAt(k, n);
            // Whole frames of n bytes, and 60-byte frames of which n were captured.
            for (std::size_t wire : {n, k.frame.size()}) {
                SCOPED_TRACE(std::string(k.name) + " captured " + std::to_string(n) + " wire " + std::to_string(wire));
                const DecodedFrame d = decode(k.frame, n, wire);
                EXPECT_EQ(d.frameClass, cls);
                EXPECT_EQ(d.transport, transport);
            }
        }
    }
}

TEST(FrameDecoder, WireLengthRulesApplyEvenWhenMoreBytesWereCaptured)
{
    // A record may claim a wire length below its captured length; the wire
    // tests of 14, 34 and 54 bytes still hold, while ARP and ICMP have no wire
    // test beyond the Ethernet header.
    const Frame syn = tcp(0x02);
    EXPECT_EQ(decode(syn, 60, 13).frameClass, FrameClass::Short);
    EXPECT_EQ(decode(syn, 60, 33).frameClass, FrameClass::ShortIp);
    EXPECT_EQ(decode(syn, 60, 53).transport, Transport::Truncated);
    EXPECT_EQ(decode(syn, 60, 54).transport, Transport::Tcp);

    Frame arp(60);
    arp.arp(2, {0, 1, 2, 3, 4, 5}, {10, 0, 0, 1}, {6, 7, 8, 9, 10, 11}, {10, 0, 0, 2});
    EXPECT_EQ(decode(arp, 60, 14).frameClass, FrameClass::Arp);
    Frame icmp(60);
    icmp.ipv4(1, {10, 0, 0, 1}, {10, 0, 0, 2}, 28);
    EXPECT_EQ(decode(icmp, 60, 34).transport, Transport::Icmp);
}

TEST(FrameDecoder, CountersKeepTheirRelationsOverEveryShortAndWholeFrame)
{
    RunCounters c;
    std::int64_t shortOutsideIp = 0; // corrupted frames not counted in Ip
    std::int64_t truncated = 0;      // counted in Ip and Corrupted
    for (const Kind& k : kinds()) {
        for (std::size_t n = 0; n <= k.frame.size(); ++n) {
            const DecodedFrame d = decode(k.frame, n, k.frame.size());
            ++c.total;
            c.count(d);
            if (d.frameClass == FrameClass::Short || d.frameClass == FrameClass::ShortArp
                || d.frameClass == FrameClass::ShortIp)
                ++shortOutsideIp;
            if (d.transport == Transport::Truncated)
                ++truncated;
        }
    }
    EXPECT_EQ(c.total, c.ethOther + c.arp + c.ip + shortOutsideIp);
    EXPECT_EQ(c.ip, c.tcp + c.udp + c.icmp + c.ipOther + truncated);
    EXPECT_EQ(c.corrupted, shortOutsideIp + truncated);
    EXPECT_GT(truncated, 0);
    EXPECT_GT(c.tcp, 0);
}

TEST(FrameDecoder, TcpFlagsPortsAndHeaderOptions)
{
    struct Case {
        std::uint8_t flags;
        bool syn;
    } cases[] = {{0x02, true}, {0x12, true}, {0x10, false}, {0xfd, false}, {0xff, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.flags));
        EXPECT_EQ(decode(tcp(c.flags)).syn, c.syn);
    }

    // Ports above 32767 keep their unsigned value.
    const DecodedFrame high = decode(tcp(0x02, 65535, 40000));
    EXPECT_EQ(high.sourcePort, 65535);
    EXPECT_EQ(high.destPort, 40000);

}

// A datagram with an IPv4 header of `ihl` words whose transport header holds
// ports 1234 -> 4321 (TCP: SYN; ICMP: type 3, code 1); the option bytes, where
// the transport header would sit without options, hold decoys.
Frame withHeaderLength(std::uint8_t protocol, std::uint8_t ihl, std::size_t size)
{
    Frame f(size);
    f.ipv4(protocol, {192, 168, 0, 7}, {192, 168, 0, 255}, 50, ihl);
    for (std::size_t at = 34; at < 14 + 4u * ihl; ++at)
        f.u8(at, 0xee);
    const std::size_t t = 14 + 4u * ihl;
    if (protocol == 1)
        return f.u8(t, 3).u8(t + 1, 1);
    return f.u16(t, 1234).u16(t + 2, 4321).u8(t + 13, 0x02);
}

TEST(FrameDecoder, TheTransportHeaderStartsWhereTheIhlSays)
{
    for (std::uint8_t ihl = 5; ihl <= 15; ++ihl) {
        SCOPED_TRACE("IHL " + std::to_string(ihl));
        const std::size_t t = 14 + 4u * ihl;
        for (std::uint8_t protocol : {6, 17}) {
            const DecodedFrame whole = decode(withHeaderLength(protocol, ihl, t + 20));
            EXPECT_EQ(whole.transport, protocol == 6 ? Transport::Tcp : Transport::Udp);
            EXPECT_EQ(whole.sourcePort, 1234);
            EXPECT_EQ(whole.destPort, 4321);
            EXPECT_EQ(whole.syn, protocol == 6);
            // 20 transport bytes are needed on the wire and in the capture.
            const Frame cut = withHeaderLength(protocol, ihl, t + 19);
            EXPECT_EQ(decode(cut).transport, Transport::Truncated);
            EXPECT_EQ(decode(withHeaderLength(protocol, ihl, t + 20), t + 20, t + 19).transport, Transport::Truncated);
            EXPECT_EQ(decode(withHeaderLength(protocol, ihl, t + 20), t + 19, t + 20).transport, Transport::Truncated);
        }
        const DecodedFrame icmp = decode(withHeaderLength(1, ihl, t + 2));
        EXPECT_EQ(icmp.transport, Transport::Icmp);
        EXPECT_EQ(icmp.icmpType, 3);
        EXPECT_EQ(icmp.icmpCode, 1);
        EXPECT_EQ(decode(withHeaderLength(1, ihl, t + 1)).transport, Transport::Truncated);
        // The addresses and length come from the fixed part whatever the IHL.
        EXPECT_EQ(icmp.sourceIp, 0xc0a80007u);
        EXPECT_EQ(icmp.destIp, 0xc0a800ffu);
        EXPECT_EQ(icmp.totalLength, 50);
        // A protocol without transport fields needs no more than 34 bytes.
        EXPECT_EQ(decode(withHeaderLength(47, ihl, 34)).transport, Transport::Other);
    }
}

TEST(FrameDecoder, OnlyAFirstFragmentIsDecodedBeyondTheIpHeader)
{
    // The flags and fragment offset field (bytes 20-21): MF is 0x2000, DF 0x4000.
    struct Case {
        const char* name;
        std::uint16_t fragment;
        bool decoded;
    } cases[] = {
        {"whole", 0x0000, true},       {"don't fragment", 0x4000, true}, {"first", 0x2000, true},
        {"middle", 0x2000 | 185, false}, {"last", 370, false},          {"largest offset", 0x1fff, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Frame tcp = withHeaderLength(6, 5, 60);
        tcp.u16(20, c.fragment);
        const DecodedFrame d = decode(tcp);
        EXPECT_EQ(d.frameClass, FrameClass::Ip);
        EXPECT_EQ(d.transport, c.decoded ? Transport::Tcp : Transport::Other);
        EXPECT_EQ(d.syn, c.decoded);
        EXPECT_EQ(d.sourcePort, c.decoded ? 1234 : 0);
        Frame icmp = withHeaderLength(1, 5, 42);
        icmp.u16(20, c.fragment);
        EXPECT_EQ(decode(icmp).transport, c.decoded ? Transport::Icmp : Transport::Other);
        // A later fragment cut short is not corrupted: nothing past the IP header is needed.
        Frame cut = withHeaderLength(17, 5, 40);
        cut.u16(20, c.fragment);
        EXPECT_EQ(decode(cut).transport, c.decoded ? Transport::Truncated : Transport::Other);
    }
}

TEST(FrameDecoder, AHeaderThatIsNotIpv4sIsCorruptedAndWritesNothing)
{
    struct Case {
        std::uint8_t versionIhl;
        FrameClass expected;
    } cases[] = {{0x45, FrameClass::Ip}, {0x4f, FrameClass::Ip}, {0x44, FrameClass::BadIp},
                 {0x40, FrameClass::BadIp}, {0x65, FrameClass::BadIp}, {0x60, FrameClass::BadIp},
                 {0x05, FrameClass::BadIp}, {0xf5, FrameClass::BadIp}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.versionIhl));
        Frame f = withHeaderLength(17, 5, 100);
        f.u8(14, c.versionIhl);
        const DecodedFrame d = decode(f);
        EXPECT_EQ(d.frameClass, c.expected);
        RunCounters counters;
        counters.count(d);
        EXPECT_EQ(counters.corrupted, c.expected == FrameClass::BadIp ? 1 : 0);
        EXPECT_EQ(counters.ip, c.expected == FrameClass::Ip ? 1 : 0);
    }
}

TEST(FrameDecoder, ArpFieldsComeFromTheMessageNotTheEthernetHeader)
{
    Frame f(42);
    f.bytes(0, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xde, 0xad, 0xbe, 0xef, 0, 1});
    f.arp(5, {0x00, 0x0c, 0x29, 0x3a, 0x5f, 0x01}, {192, 168, 1, 1}, {0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff},
          {192, 168, 1, 200});
    const DecodedFrame d = decode(f);
    ASSERT_EQ(d.frameClass, FrameClass::Arp);
    EXPECT_EQ(d.arpOperation, 5);
    EXPECT_EQ(d.senderIp, 0xc0a80101u);
    EXPECT_EQ(d.targetIp, 0xc0a801c8u);
    char mac[kMacTextSize];
    formatMac(d.senderMac, mac);
    EXPECT_STREQ(mac, "00-0c-29-3a-5f-01");
    formatMac(d.targetMac, mac);
    EXPECT_STREQ(mac, "aa-bb-cc-dd-ee-ff");
}

TEST(IcmpNames, TypesCodesAndTheirLetterCase)
{
    struct Case {
        int type, code;
        const char* typeText;
        const char* codeText; // "" : no code
    } cases[] = {
        {0, 9, "Echo Reply", "No Code"},
        {8, 200, "Echo Request", "No Code"},
        {3, 0, "Destination Unreachable", "Net Unreachable"},
        {3, 3, "Destination Unreachable", "Port Unreachable"},
        {3, 4, "Destination Unreachable", "Fragmentation needed and DF set"},
        {3, 15, "Destination Unreachable", "Precedence cutoff in effect"},
        {3, 16, "Destination Unreachable", "Other reasons"},
        {3, 255, "Destination Unreachable", "Other reasons"},
        {4, 1, "Source Quench", "No Code"},
        {5, 3, "Redirect", "Redirect datagram for type of service and host"},
        {5, 4, "Redirect", "other reasons"},
        {6, 0, "Alternate Host Address", "No Code"},
        {9, 0, "Router Advertisement", "No Code"},
        {10, 0, "Router Selection", "No Code"},
        {11, 0, "Time Exceeded", "TTL exceeded in Transit"},
        {11, 1, "Time Exceeded", "Fragment Reassembly Time Exceeded"},
        {11, 2, "Time Exceeded", "other reasons"},
        {12, 2, "Parameter Problem", "Bad lenth"},
        {12, 3, "Parameter Problem", "other reasons"},
        {13, 0, "TimeStamp", "No Code"},
        {14, 0, "Timestamp Reply", "No Code"},
        {15, 0, "Information Request", "No Code"},
        {16, 0, "Information Reply", "No Code"},
        {17, 0, "Address Mask Request", "No Code"},
        {18, 0, "Address Mask Reply", "No Code"},
        {30, 7, "Traceroute", "No Code"},
        {1, 0, "Other Types", ""},
        {2, 0, "Other Types", ""},
        {7, 0, "Other Types", ""},
        {19, 0, "Other Types", ""},
        {29, 0, "Other Types", ""},
        {31, 0, "Other Types", ""},
        {255, 255, "Other Types", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.code));
        const IcmpName n = icmpName(static_cast<std::uint8_t>(c.type), static_cast<std::uint8_t>(c.code));
        EXPECT_EQ(n.type, c.typeText);
        EXPECT_EQ(n.code, c.codeText);
    }
    // Every text fits the char(50) columns.
    for (int t = 0; t < 256; ++t)
        for (int c = 0; c < 256; ++c) {
            const IcmpName n = icmpName(static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(c));
            ASSERT_LE(n.type.size(), 49u);
            ASSERT_LE(n.code.size(), 49u);
        }
}

TEST(TextForms, AddressesAndTimes)
{
    char ip[kIpv4TextSize];
    EXPECT_EQ(formatIpv4(0, ip), 7u);
    EXPECT_STREQ(ip, "0.0.0.0");
    EXPECT_EQ(formatIpv4(0xffffffffu, ip), 15u);
    EXPECT_STREQ(ip, "255.255.255.255");
    formatIpv4(0x0a006407u, ip);
    EXPECT_STREQ(ip, "10.0.100.7");

    char mac[kMacTextSize];
    const std::uint8_t bytes[6] = {0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc};
    EXPECT_EQ(formatMac(bytes, mac), 17u);
    EXPECT_STREQ(mac, "00-11-22-aa-bb-cc");

    // Tests run with TZ=UTC.
    TimeTextCache times;
    EXPECT_EQ(times.text(1083827289), "2004-05-06 07:08:09");
    EXPECT_EQ(times.text(1083827289), "2004-05-06 07:08:09");
    EXPECT_EQ(times.text(1084784587), "2004-05-17 09:03:07");
    EXPECT_EQ(times.text(1104537599), "2004-12-31 23:59:59");
    EXPECT_EQ(times.text(1104537600), "2005-01-01 00:00:00");
    EXPECT_EQ(times.text(0), "1970-01-01 00:00:00");
}
