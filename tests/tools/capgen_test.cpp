// The capture generator: determinism, well-formed frames and what each
// scenario promises, read back through libpcap.
#include "CaptureReader.h"
#include "TempDir.h"

#include "tools/capgen/CaptureWriter.h"
#include "tools/capgen/Generator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

using namespace trawler::capgen;
using trawler::test::frameProblem;
using trawler::test::readCapture;
using trawler::test::ReadCapture;
using trawler::test::ReadFrame;
using trawler::test::TempDir;

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ReadCapture generate(const TempDir& dir, Scenario scenario, std::uint64_t seed, std::optional<std::uint64_t> frames = {},
                     std::uint32_t snapLength = 65535)
{
    Options o;
    o.scenario = scenario;
    o.seed = seed;
    o.frames = frames;
    o.snapLength = snapLength;
    o.output = dir.file("out.pcap");
    const Summary summary = generateCapture(o);
    ReadCapture capture = readCapture(o.output);
    EXPECT_EQ(summary.frames, capture.frames.size());
    return capture;
}

std::string generateBytes(const TempDir& dir, Scenario scenario, std::uint64_t seed, std::optional<std::uint64_t> frames = {})
{
    Options o;
    o.scenario = scenario;
    o.seed = seed;
    o.frames = frames;
    o.output = dir.file("bytes.pcap");
    generateCapture(o);
    return contents(o.output);
}

const std::uint32_t kSyn = 0x02, kRst = 0x04, kAck = 0x10;

} // namespace

TEST(Capgen, SameSeedGivesIdenticalBytesAndAShorterRunIsAPrefix)
{
    TempDir dir;
    for (const ScenarioInfo& info : scenarios()) {
        SCOPED_TRACE(info.name);
        const std::string a = generateBytes(dir, info.scenario, 7);
        EXPECT_EQ(a, generateBytes(dir, info.scenario, 7));
        EXPECT_NE(a, generateBytes(dir, info.scenario, 8));
    }
    // Stopping early only cuts the stream: same header, same first records.
    const std::string longer = generateBytes(dir, Scenario::Bulk, 3, 3000);
    const std::string shorter = generateBytes(dir, Scenario::Bulk, 3, 1000);
    ASSERT_LT(shorter.size(), longer.size());
    EXPECT_EQ(longer.compare(0, shorter.size(), shorter), 0);
}

TEST(Capgen, EveryScenarioWritesWellFormedEthernetFramesInTimeOrder)
{
    TempDir dir;
    for (const ScenarioInfo& info : scenarios()) {
        SCOPED_TRACE(info.name);
        const ReadCapture c = generate(dir, info.scenario, 11);
        EXPECT_EQ(c.linkType, DLT_EN10MB);
        EXPECT_EQ(c.snapLength, 65535);
        ASSERT_GT(c.frames.size(), 150u);
        EXPECT_GE(c.frames.front().micros, static_cast<std::uint64_t>(kDefaultStart) * 1000000);
        std::size_t padded = 0;
        for (std::size_t i = 0; i < c.frames.size(); ++i) {
            const ReadFrame& f = c.frames[i];
            ASSERT_EQ(frameProblem(f), "") << "frame " << i + 1;
            if (i > 0) {
                ASSERT_GT(f.micros, c.frames[i - 1].micros) << "frame " << i + 1;
            }
            padded += f.bytes.size() == 60 && !(f.isIpv4() && 14 + f.u16(16) == 60u);
        }
        EXPECT_GT(padded, 0u) << "no frame padded to the Ethernet minimum";
    }
}

TEST(Capgen, FrameCountsStartAndSnapLengthAreHonoured)
{
    TempDir dir;
    const std::size_t round = generate(dir, Scenario::IcmpSweep, 5).frames.size();
    // More frames than one round: rounds repeat and the count is exact.
    EXPECT_EQ(generate(dir, Scenario::IcmpSweep, 5, round * 2 + 17).frames.size(), round * 2 + 17);
    EXPECT_EQ(generate(dir, Scenario::ArpSpoof, 5, 1).frames.size(), 1u);
    const ReadCapture empty = generate(dir, Scenario::Bulk, 5, 0);
    EXPECT_TRUE(empty.frames.empty());
    EXPECT_EQ(empty.linkType, DLT_EN10MB);

    const ReadCapture cut = generate(dir, Scenario::Netbios, 5, {}, 54);
    EXPECT_EQ(cut.snapLength, 54);
    bool sawCut = false;
    for (const ReadFrame& f : cut.frames) {
        ASSERT_LE(f.bytes.size(), 54u);
        sawCut = sawCut || f.wireLength > 54;
    }
    EXPECT_TRUE(sawCut);

    Options o;
    o.scenario = Scenario::SynScan;
    o.start = 1000000000;
    o.frames = 3;
    o.output = dir.file("start.pcap");
    generateCapture(o);
    const std::uint64_t first = readCapture(o.output).frames.front().micros;
    EXPECT_GT(first, 1000000000ULL * 1000000);
    EXPECT_LT(first, 1000000001ULL * 1000000);

    // Every start the format's unsigned 32-bit seconds hold, past 2038 too.
    for (std::int64_t start : {std::int64_t{2147483647}, std::int64_t{2147483648}, kLatestStart}) {
        o.start = start;
        o.frames = 1;
        generateCapture(o);
        EXPECT_EQ(readCapture(o.output).frames.front().micros / 1000000, static_cast<std::uint64_t>(start));
    }
    // A capture that would run past the last second is refused, not wrapped.
    o.scenario = Scenario::IcmpSweep;
    o.frames = 3000;
    EXPECT_THROW(generateCapture(o), std::invalid_argument);
}

TEST(Capgen, IcmpSweepProbesTheWholeSubnetAndGetsEveryAnswerKind)
{
    TempDir dir;
    const ReadCapture c = generate(dir, Scenario::IcmpSweep, 2);
    std::set<std::uint32_t> sources, targets;
    std::map<std::uint32_t, std::set<std::uint32_t>> codes; // type -> codes
    for (const ReadFrame& f : c.frames) {
        if (!f.isIcmp())
            continue;
        codes[f.icmpType()].insert(f.icmpCode());
        if (f.icmpType() == 8) {
            sources.insert(f.srcIp());
            targets.insert(f.dstIp());
        }
        if (f.icmpType() == 3) {
            // RFC 792: the quoted datagram was sent by the one receiving the error.
            const std::size_t inner = f.l4() + 8;
            EXPECT_EQ(f.u32(inner + 12), f.dstIp());
            if (f.icmpCode() == 3) {
                EXPECT_EQ(f.u32(inner + 16), f.srcIp());
            }
        }
    }
    EXPECT_EQ(sources.size(), 1u);
    EXPECT_EQ(targets.size(), 254u); // a different /24 than the scanner's
    for (std::uint32_t type : {0, 3, 8, 13, 14, 15, 16, 17, 18})
        EXPECT_EQ(codes.count(type), 1u) << "type " << type;
    EXPECT_EQ(codes[3], (std::set<std::uint32_t>{1, 3}));
}

TEST(Capgen, ArpSpoofAnswersExactlyOneAddressWithTwoMacs)
{
    TempDir dir;
    for (std::uint64_t seed : {1, 2, 3}) {
        const ReadCapture c = generate(dir, Scenario::ArpSpoof, seed);
        std::map<std::uint32_t, std::set<std::string>> answeredBy;
        std::size_t requests = 0;
        for (const ReadFrame& f : c.frames) {
            ASSERT_TRUE(f.isArp());
            ASSERT_EQ(f.mac(6), f.mac(22)) << "sender MAC differs from the frame's source";
            if (f.arpOperation() == 1) {
                ++requests;
                EXPECT_EQ(f.mac(0), "ff-ff-ff-ff-ff-ff");
                EXPECT_EQ(f.mac(32), "00-00-00-00-00-00");
            } else {
                ASSERT_EQ(f.arpOperation(), 2u);
                answeredBy[f.u32(28)].insert(f.mac(22));
            }
        }
        EXPECT_GT(requests, 10u);
        std::size_t twice = 0;
        for (const auto& [ip, macs] : answeredBy) {
            EXPECT_LE(macs.size(), 2u);
            twice += macs.size() == 2;
        }
        EXPECT_EQ(twice, 1u) << "seed " << seed;
    }
}

TEST(Capgen, NetbiosUsesOnlyItsFourPortsWithCompleteHandshakes)
{
    TempDir dir;
    const ReadCapture c = generate(dir, Scenario::Netbios, 4);
    std::set<std::uint32_t> udpPorts, tcpPorts;
    std::map<std::uint64_t, std::uint32_t> synSeq; // (client ip, port) -> SYN sequence
    std::size_t answered = 0;
    for (const ReadFrame& f : c.frames) {
        ASSERT_TRUE(f.isTcp() || f.isUdp());
        const std::uint32_t port = std::min(f.srcPort(), f.dstPort());
        (f.isTcp() ? tcpPorts : udpPorts).insert(port);
        if (f.isTcp() && f.tcpFlags() == kSyn)
            synSeq[std::uint64_t{f.srcIp()} << 16 | f.srcPort()] = f.tcpSeq();
        if (f.isTcp() && f.tcpFlags() == (kSyn | kAck)) {
            const auto it = synSeq.find(std::uint64_t{f.dstIp()} << 16 | f.dstPort());
            ASSERT_NE(it, synSeq.end());
            EXPECT_EQ(f.tcpAck(), it->second + 1);
            ++answered;
        }
    }
    EXPECT_EQ(udpPorts, (std::set<std::uint32_t>{137, 138}));
    EXPECT_EQ(tcpPorts, (std::set<std::uint32_t>{139, 445}));
    EXPECT_GE(answered, 10u);
    EXPECT_EQ(synSeq.size(), answered + 1); // one connection is refused
}

TEST(Capgen, SynScanProbesEveryPortOnceAndAnswersFollowTheProbes)
{
    TempDir dir;
    const ReadCapture c = generate(dir, Scenario::SynScan, 6);
    std::map<std::uint32_t, std::uint32_t> probeSeq; // port -> sequence
    std::set<std::uint32_t> open;
    std::size_t refused = 0, resets = 0;
    std::uint32_t scanner = 0;
    for (const ReadFrame& f : c.frames) {
        ASSERT_TRUE(f.isTcp());
        if (f.tcpFlags() == kSyn) {
            scanner = f.srcIp();
            EXPECT_TRUE(probeSeq.emplace(f.dstPort(), f.tcpSeq()).second) << "port probed twice";
            continue;
        }
        if (f.srcIp() == scanner) {
            EXPECT_EQ(f.tcpFlags(), kRst);
            EXPECT_EQ(open.count(f.dstPort()), 1u) << "reset of a port that did not answer";
            ++resets;
            continue;
        }
        ASSERT_EQ(probeSeq.count(f.srcPort()), 1u) << "answer before its probe";
        EXPECT_EQ(f.tcpAck(), probeSeq[f.srcPort()] + 1);
        if (f.tcpFlags() == (kSyn | kAck))
            open.insert(f.srcPort());
        else if (f.tcpFlags() == (kRst | kAck))
            ++refused;
        else
            ADD_FAILURE() << "unexpected flags " << f.tcpFlags();
    }
    EXPECT_EQ(probeSeq.size(), 1024u + 7);
    EXPECT_EQ(probeSeq.count(65535), 1u);
    EXPECT_TRUE(open.count(445) && open.count(139) && open.count(135));
    EXPECT_EQ(resets, open.size());
    EXPECT_GT(refused, 900u);
    EXPECT_LT(refused + open.size(), probeSeq.size()); // some ports filtered
}

TEST(Capgen, BulkKeepsItsMixAndCarriesSynsAndManyIcmpTypes)
{
    TempDir dir;
    const ReadCapture c = generate(dir, Scenario::Bulk, 9, 40000);
    std::map<std::string, double> share;
    std::set<std::uint32_t> icmpTypes, otherTypes;
    std::size_t syn = 0, synAck = 0, full = 0, small = 0;
    for (const ReadFrame& f : c.frames) {
        const char* kind = f.isTcp() ? "tcp" : f.isUdp() ? "udp" : f.isIcmp() ? "icmp" : f.isArp() ? "arp" : "other";
        share[kind] += 100.0 / c.frames.size();
        if (f.isIcmp())
            icmpTypes.insert(f.icmpType());
        if (!f.isIpv4() && !f.isArp())
            otherTypes.insert(f.etherType());
        if (f.isIpv4()) {
            EXPECT_EQ(f.ipHeaderLength(), 20u);
        }
        syn += f.isTcp() && f.tcpFlags() == kSyn;
        synAck += f.isTcp() && f.tcpFlags() == (kSyn | kAck);
        full += f.bytes.size() == 1514;
        small += f.bytes.size() <= 60;
    }
    EXPECT_NEAR(share["tcp"], 60, 1.0);
    EXPECT_NEAR(share["udp"], 25, 1.0);
    EXPECT_NEAR(share["icmp"], 8, 0.6);
    EXPECT_NEAR(share["arp"], 5, 0.5);
    EXPECT_NEAR(share["other"], 2, 0.3);
    EXPECT_GT(syn, 100u);
    EXPECT_GT(synAck, 100u);
    EXPECT_LT(syn, c.frames.size() / 20);
    EXPECT_GE(icmpTypes.size(), 15u);
    EXPECT_EQ(otherTypes, (std::set<std::uint32_t>{0x8035, 0x8100, 0x86DD}));
    EXPECT_GT(full, c.frames.size() / 20);
    EXPECT_GT(small, c.frames.size() / 20);
}

TEST(Capgen, DemoIsSmallAndMixesEveryScenario)
{
    TempDir dir;
    const ReadCapture c = generate(dir, Scenario::Demo, 1);
    EXPECT_LT(std::filesystem::file_size(dir.file("out.pcap")), 64u * 1024);
    EXPECT_GT(c.frames.size(), 200u);
    std::set<std::uint32_t> icmpTypes, ports, etherTypes;
    std::map<std::uint32_t, std::set<std::string>> arpAnswers;
    bool synAck = false, ipOptions = false;
    for (const ReadFrame& f : c.frames) {
        etherTypes.insert(f.etherType());
        if (f.isIcmp())
            icmpTypes.insert(f.icmpType());
        if (f.isTcp() || f.isUdp())
            ports.insert(std::min(f.srcPort(), f.dstPort()));
        if (f.isArp() && f.arpOperation() == 2)
            arpAnswers[f.u32(28)].insert(f.mac(22));
        synAck = synAck || (f.isTcp() && f.tcpFlags() == (kSyn | kAck));
        ipOptions = ipOptions || (f.isIpv4() && f.ipHeaderLength() > 20);
    }
    for (std::uint32_t type : {0, 3, 8, 13, 15, 17})
        EXPECT_EQ(icmpTypes.count(type), 1u) << "ICMP type " << type;
    for (std::uint32_t port : {137, 138, 139, 445})
        EXPECT_EQ(ports.count(port), 1u) << "port " << port;
    std::size_t twice = 0;
    for (const auto& [ip, macs] : arpAnswers)
        twice += macs.size() > 1;
    EXPECT_EQ(twice, 1u);
    EXPECT_TRUE(synAck);
    EXPECT_TRUE(ipOptions);
    EXPECT_EQ(etherTypes.count(0x86DD), 1u);
}

TEST(Capgen, AFailedRunLeavesNoFileAndKeepsAnOldOne)
{
    TempDir dir;
    Options o;
    o.scenario = Scenario::Demo;
    o.output = dir.file("missing-folder/out.pcap");
    EXPECT_THROW(generateCapture(o), CaptureWriteError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing-folder")));

    o.output = dir.file("keep.pcap");
    std::ofstream(o.output) << "old";
    o.snapLength = 5;
    EXPECT_THROW(generateCapture(o), std::invalid_argument);
    o.snapLength = 65535;
    o.start = kLatestStart + 1;
    EXPECT_THROW(generateCapture(o), std::invalid_argument);
    EXPECT_EQ(contents(o.output), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "a temporary file stayed";
}

TEST(CapgenCommand, WritesTheLibrarysBytesAndRefusesBadArguments)
{
    TempDir dir;
    const std::string tool = std::string(TRAWLER_BINARY_DIR) + "/bin/trawler-capgen";
    const std::string out = dir.file("cli.pcap");
    auto run = [&](const std::string& args) {
        return std::system((tool + " " + args + " >" + dir.file("log") + " 2>&1").c_str());
    };
    ASSERT_EQ(run("--scenario syn-scan --seed 12 --frames 500 --start 1100000000 -o " + out), 0);
    Options o;
    o.scenario = Scenario::SynScan;
    o.seed = 12;
    o.frames = 500;
    o.start = 1100000000;
    o.output = dir.file("lib.pcap");
    generateCapture(o);
    EXPECT_EQ(contents(out), contents(o.output));

    EXPECT_NE(run("--scenario nosuch --seed 1 -o " + dir.file("x.pcap")), 0);
    EXPECT_NE(run("--scenario demo -o " + dir.file("x.pcap")), 0); // no seed
    EXPECT_NE(run("--scenario demo --seed 1 -o " + dir.file("none/x.pcap")), 0);
    EXPECT_NE(contents(dir.file("log")).find("none/x.pcap"), std::string::npos) << "the error names the file";
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.pcap")));
}

TEST(Capgen, TheCommittedSampleIsWhatItsCommandWrites)
{
    const std::string sample = std::string(TRAWLER_SOURCE_DIR) + "/samples/demo.cap";
    if (!std::filesystem::exists(sample))
        GTEST_SKIP() << "samples/demo.cap is not in this tree";
    TempDir dir;
    EXPECT_EQ(generateBytes(dir, Scenario::Demo, 1), contents(sample))
        << "samples/demo.cap is stale: remake it with trawler-capgen --scenario demo --seed 1 -o samples/demo.cap";
}
