#include "tools/capgen/Generator.h"

#include "tools/capgen/BulkTraffic.h"
#include "tools/capgen/CaptureWriter.h"
#include "tools/capgen/Episodes.h"

#include <functional>
#include <memory>
#include <stdexcept>

namespace trawler::capgen {

namespace {

constexpr std::uint32_t kLanNetwork = ipv4(192, 168, 1, 0);
constexpr std::size_t kLanHosts = 40;
constexpr std::uint64_t kBulkRound = 10000;

std::vector<std::uint16_t> scanPorts(Random& rng, std::uint16_t upTo)
{
    std::vector<std::uint16_t> ports;
    for (std::uint16_t p = 1; p <= upTo; ++p)
        ports.push_back(p);
    for (std::uint16_t p : {1433, 3306, 3389, 5900, 8080, 49152, 65535})
        ports.push_back(p);
    rng.shuffle(ports);
    return ports;
}

const Host& scannerOf(const Lan& lan) { return lan.hosts().back(); }

// One round of a scenario; rounds repeat until the requested frame count.
using Round = std::function<void(std::uint64_t)>;

Round makeRound(Scenario scenario, Context& c)
{
    switch (scenario) {
    case Scenario::IcmpSweep:
        return [&c](std::uint64_t r) {
            // The neighbouring subnets behind the gateway, one per round.
            const std::uint32_t net = kLanNetwork + ((1 + static_cast<std::uint32_t>(r % 200)) << 8);
            icmpSweep(c, scannerOf(c.lan), SweepPlan{net, 1, 254, 250});
            c.out.idle(30000000);
        };
    case Scenario::ArpSpoof:
        return [&c](std::uint64_t) {
            arpSpoof(c, 8, 14);
            c.out.idle(10000000);
        };
    case Scenario::Netbios:
        return [&c](std::uint64_t) {
            netbiosActivity(c, 12, 1460, 400);
            c.out.idle(5000000);
        };
    case Scenario::SynScan:
        return [&c](std::uint64_t) {
            const Host& target = c.lan.pickOther(c.rng, scannerOf(c.lan));
            synScan(c, scannerOf(c.lan), target, scanPorts(c.rng, 1024));
            c.out.idle(20000000);
        };
    case Scenario::Bulk: {
        auto bulk = std::make_shared<BulkTraffic>(c, false);
        return [&c, bulk](std::uint64_t) {
            for (std::uint64_t i = 0; i < kBulkRound && !c.out.full(); ++i)
                bulk->emitOne();
        };
    }
    case Scenario::Demo: {
        auto bulk = std::make_shared<BulkTraffic>(c, true);
        return [&c, bulk](std::uint64_t) {
            auto background = [&](int n) {
                for (int i = 0; i < n && !c.out.full(); ++i)
                    bulk->emitOne();
            };
            const Host& scanner = scannerOf(c.lan);
            background(40);
            icmpSweep(c, scanner, SweepPlan{kLanNetwork + (2u << 8), 1, 40, 300});
            background(20);
            arpSpoof(c, 4, 5);
            background(30);
            netbiosActivity(c, 2, 200, 100);
            igmpJoin(c, c.lan.pick(c.rng), ipv4(239, 255, 255, 250));
            background(20);
            std::vector<std::uint16_t> ports = scanPorts(c.rng, 40);
            synScan(c, scanner, c.lan.pickOther(c.rng, scanner), ports);
            background(30);
        };
    }
    }
    throw std::invalid_argument("unknown scenario");
}

} // namespace

const std::vector<ScenarioInfo>& scenarios()
{
    static const std::vector<ScenarioInfo> kAll = {
        {"icmp-sweep", Scenario::IcmpSweep,
         "echo sweep of a /24 with replies and unreachables, timestamp, information and address-mask probes"},
        {"arp-spoof", Scenario::ArpSpoof, "ARP traffic in which the gateway's address is answered by two MACs"},
        {"netbios", Scenario::Netbios, "NetBIOS and SMB traffic on UDP 137/138 and TCP 139/445"},
        {"syn-scan", Scenario::SynScan, "TCP SYN port scan with SYN+ACK and RST answers"},
        {"bulk", Scenario::Bulk, "mixed LAN traffic: 60% TCP, 25% UDP, 8% ICMP, 5% ARP, 2% other (10000 a round)"},
        {"demo", Scenario::Demo, "a few hundred frames mixing all of the above"},
    };
    return kAll;
}

std::optional<Scenario> scenarioByName(const std::string& name)
{
    for (const ScenarioInfo& info : scenarios())
        if (name == info.name)
            return info.scenario;
    return std::nullopt;
}

Summary generateCapture(const Options& options)
{
    if (options.start < 0 || options.start > kLatestStart)
        throw std::invalid_argument("the start time must lie between 0 and " + std::to_string(kLatestStart));
    if (options.snapLength < 14 || options.snapLength > 262144)
        throw std::invalid_argument("the snapshot length must lie between 14 and 262144");
    if (options.output.empty())
        throw std::invalid_argument("no output file given");

    // Separate streams for the network's layout and for its traffic, so a
    // scenario's frames do not shift the hosts of another.
    Random layoutRng(options.seed ^ 0x6c616e5f6c61796fULL);
    Random trafficRng(options.seed);
    const Lan lan(layoutRng, kLanNetwork, kLanHosts);
    const PayloadPool pool(layoutRng);

    CaptureWriter writer(options.output, options.snapLength);
    const std::uint64_t limit = options.frames.value_or(~std::uint64_t{0});
    Emitter out(writer, static_cast<std::uint64_t>(options.start) * 1000000, limit);
    FrameBuilder frame;
    Context context{out, trafficRng, lan, frame, pool};
    const Round round = makeRound(options.scenario, context);

    if (!options.frames) {
        round(0);
    } else {
        for (std::uint64_t r = 0; !out.full(); ++r) {
            const std::uint64_t before = out.count();
            round(r);
            if (out.count() == before)
                throw std::logic_error("a scenario round produced no frames");
        }
    }
    writer.commit();
    return Summary{writer.frames(), writer.bytes()};
}

} // namespace trawler::capgen
