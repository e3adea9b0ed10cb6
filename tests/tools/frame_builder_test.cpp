// Frame building: lengths, checksums and padding of single frames.
#include "CaptureReader.h"

#include "tools/capgen/FrameBuilder.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace trawler::capgen;
using trawler::test::frameProblem;
using trawler::test::ReadFrame;

namespace {

ReadFrame asRead(const FrameBuilder& b)
{
    ReadFrame f;
    const ByteView v = b.frame();
    f.bytes.assign(v.data, v.data + v.size);
    f.wireLength = static_cast<std::uint32_t>(v.size);
    return f;
}

const Link kLink{Mac{{0x02, 0x11, 0x22, 0xaa, 0xbb, 0xcc}}, Mac{{0x02, 0, 0, 0, 0, 1}}};

} // namespace

TEST(Checksum, MatchesTheWorkedExampleOfRfc1071AndPadsOddBytes)
{
    const std::uint8_t words[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(foldChecksum(onesSum(words, sizeof words)), 0x220d); // ~0xddf2
    const std::uint8_t odd[] = {0x12, 0x34, 0x56};
    EXPECT_EQ(onesSum(odd, 3), 0x1234u + 0x5600u);
    EXPECT_EQ(foldChecksum(0x1fffe), 0x0000); // carries fold back in
}

TEST(FrameBuilder, FillsLengthsAndChecksumsOfEveryKind)
{
    FrameBuilder b;
    const std::uint8_t body[5] = {1, 2, 3, 4, 5};
    const Ipv4Fields ip{ipv4(192, 168, 1, 10), ipv4(198, 51, 100, 7), 128, 0x1234};

    b.udp(kLink, ip, 53, 65535, {body, 5});
    ReadFrame f = asRead(b);
    EXPECT_EQ(frameProblem(f), "");
    EXPECT_EQ(f.bytes.size(), 14u + 20 + 8 + 5);
    EXPECT_EQ(f.u16(16), 20u + 8 + 5);
    EXPECT_EQ(f.dstPort(), 65535u);
    EXPECT_EQ(f.mac(6), "02-11-22-aa-bb-cc");

    static const std::uint8_t mss[4] = {2, 4, 5, 0xb4};
    b.tcp(kLink, ip, TcpFields{40000, 445, 7, 9, tcpflag::kSyn | tcpflag::kAck, 1024, {mss, 4}}, {body, 5});
    f = asRead(b);
    EXPECT_EQ(frameProblem(f), "");
    EXPECT_EQ(f.u8(46) >> 4, 6u); // data offset counts the option word
    EXPECT_EQ(f.tcpFlags(), 0x12u);
    EXPECT_EQ(f.tcpSeq(), 7u);
    EXPECT_EQ(f.tcpAck(), 9u);

    b.icmp(kLink, ip, 3, 3, 0, {body, 5});
    f = asRead(b);
    EXPECT_EQ(frameProblem(f), "");
    EXPECT_EQ(f.icmpType(), 3u);
    EXPECT_EQ(f.icmpCode(), 3u);
    EXPECT_EQ(b.ipDatagram().size, 20u + 8 + 5);

    b.arp(kLink, ether::kArp, 2, kLink.src, ipv4(192, 168, 1, 1), kLink.dst, ipv4(192, 168, 1, 2));
    f = asRead(b);
    EXPECT_EQ(f.bytes.size(), 42u);
    EXPECT_EQ(f.arpOperation(), 2u);
    EXPECT_EQ(f.u32(28), ipv4(192, 168, 1, 1));
    EXPECT_EQ(f.mac(32), "02-00-00-00-00-01");
}

TEST(FrameBuilder, IpOptionsMoveTheTransportHeader)
{
    FrameBuilder b;
    static const std::uint8_t alert[4] = {0x94, 0x04, 0, 0};
    const std::uint8_t report[8] = {0x16, 0, 0, 0, 239, 1, 2, 3};
    b.ipv4(kLink, Ipv4Fields{ipv4(10, 0, 0, 1), ipv4(239, 1, 2, 3), 1, 0, 0, false, {alert, 4}}, 2, {report, 8});
    const ReadFrame f = asRead(b);
    EXPECT_EQ(frameProblem(f), "");
    EXPECT_EQ(f.ipHeaderLength(), 24u);
    EXPECT_EQ(f.u8(38), 0x16u);

    EXPECT_THROW(b.ipv4(kLink, Ipv4Fields{1, 2, 3, 4, 0, false, {alert, 3}}, 2, {}), std::invalid_argument);
    EXPECT_THROW(b.tcp(kLink, Ipv4Fields{}, TcpFields{1, 2, 3, 4, 0, 0, {alert, 2}}, {}), std::invalid_argument);
}

TEST(FrameBuilder, PaddingIsZeroEvenAfterALongerFrameInTheSameBuffer)
{
    FrameBuilder b;
    std::vector<std::uint8_t> junk(1400, 0xee);
    b.udp(kLink, Ipv4Fields{1, 2, 64, 0}, 1, 2, {junk.data(), junk.size()});
    b.arp(kLink, ether::kArp, 1, kLink.src, 1, Mac{}, 2);
    b.padTo60();
    const ReadFrame f = asRead(b);
    ASSERT_EQ(f.bytes.size(), 60u);
    for (std::size_t i = 42; i < 60; ++i)
        EXPECT_EQ(f.bytes[i], 0) << "byte " << i;
    EXPECT_EQ(frameProblem(f), "");

    b.udp(kLink, Ipv4Fields{1, 2, 64, 0}, 1, 2, {junk.data(), junk.size()});
    b.padTo60(); // already longer: unchanged
    EXPECT_EQ(b.frame().size, 14u + 20 + 8 + 1400);
}
