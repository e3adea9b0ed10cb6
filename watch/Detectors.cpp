#include "Detectors.h"

#include "parse/FrameView.h"
#include "parse/IcmpNames.h"
#include "reports/Catalogue.h"
#include "reports/IpMacInput.h"
#include "text/AddressText.h"
#include "text/Trim.h"

#include <algorithm>

namespace trawler::watch {

namespace {

constexpr std::uint8_t kTcpFlagAck = 0x10; // RFC 793

std::uint64_t pairKey(std::uint32_t a, std::uint32_t b)
{
    return (std::uint64_t{a} << 32) | b;
}

// Dotted text back to the four bytes, first byte on top; false for anything else.
bool ipValue(const std::string& stored, std::uint32_t& out)
{
    const auto value = text::parseIpv4(text::trimTrailingBlanks(stored));
    if (value)
        out = *value;
    return value.has_value();
}

} // namespace

Detectors::Detectors(DetectorSettings settings) : m_settings(settings)
{
    // The scanner report's probe types and the LAN-access report's ports.
    const auto& probes = reports::icmpProbeTypes();
    for (int type = 0; type < 256; ++type) {
        const std::string_view name = parse::icmpName(static_cast<std::uint8_t>(type), 0).type;
        m_probeType[type] = std::find(probes.begin(), probes.end(), name) != probes.end();
    }
    for (std::uint16_t port : reports::fileSharingPorts())
        m_sharePort[port] = true;
}

void Detectors::loadHistory(const DetectorHistory& history)
{
    for (const auto& [ip, mac] : history.lastMacs)
        m_stations[text::trimTrailingBlanks(ip)].mac = text::trimTrailingBlanks(mac);
    for (const auto& [source, dest] : history.sharePairs) {
        std::uint32_t s = 0;
        std::uint32_t d = 0;
        if (ipValue(source, s) && ipValue(dest, d))
            m_sharePairs.insert(pairKey(s, d));
    }
}

void Detectors::beginRun(const std::string& captureFile,
                         const std::vector<std::pair<std::string, std::string>>& references, bool learning)
{
    m_file = captureFile;
    m_learning = learning;
    m_references.clear();
    for (const auto& [ip, mac] : references)
        m_references[text::trimTrailingBlanks(ip)] = mac;
    m_pending.clear();
}

std::string Detectors::ipText(std::uint32_t ip)
{
    char buffer[text::kIpv4TextSize];
    return std::string(buffer, text::formatIpv4(ip, buffer));
}

void Detectors::raise(db::StoredAlert alert, std::int64_t seconds)
{
    if (!m_raised.insert(alert.key).second)
        return;
    alert.time = std::string(m_times.text(seconds));
    alert.file = m_file;
    m_pending.push_back(std::move(alert));
}

void Detectors::frame(const parse::DecodedFrame& frame, std::int64_t seconds, const std::uint8_t* data,
                      std::size_t capturedLength)
{
    using parse::Transport;
    if (frame.frameClass == parse::FrameClass::Arp) {
        arp(frame, seconds);
        return;
    }
    if (frame.frameClass != parse::FrameClass::Ip)
        return;

    if (frame.transport == Transport::Icmp && m_probeType[frame.icmpType]) {
        if (m_sweeps[frame.sourceIp].add(seconds, frame.destIp, m_settings.sweepSeconds,
                                         static_cast<std::size_t>(std::max(1, m_settings.sweepDestinations)))) {
            db::StoredAlert a;
            a.kind = kind::kIcmpSweep;
            a.severity = "medium";
            a.source = ipText(frame.sourceIp);
            a.count = static_cast<std::int64_t>(m_sweeps[frame.sourceIp].distinct());
            a.windowSeconds = m_settings.sweepSeconds;
            a.key = "sweep " + a.source + ' ' + std::to_string(seconds);
            raise(std::move(a), seconds);
        }
        return;
    }
    if (frame.transport != Transport::Tcp && frame.transport != Transport::Udp)
        return;

    if (frame.transport == Transport::Tcp && frame.syn
        && (parse::FrameView(data, capturedLength).u8(parse::offsets::kTcpFlags) & kTcpFlagAck) == 0) {
        const std::uint64_t target = pairKey(frame.destIp, frame.destPort);
        if (m_synScans[frame.sourceIp].add(seconds, target, m_settings.synSeconds,
                                           static_cast<std::size_t>(std::max(1, m_settings.synTargets)))) {
            db::StoredAlert a;
            a.kind = kind::kSynScan;
            a.severity = "high";
            a.source = ipText(frame.sourceIp);
            a.count = static_cast<std::int64_t>(m_synScans[frame.sourceIp].distinct());
            a.windowSeconds = m_settings.synSeconds;
            a.key = "syn " + a.source + ' ' + std::to_string(seconds);
            raise(std::move(a), seconds);
        }
    }

    if (!m_sharePort[frame.sourcePort] && !m_sharePort[frame.destPort])
        return;
    const std::uint64_t pair = pairKey(frame.sourceIp, frame.destIp);
    // Nearly every sharing frame belongs to a pair seen before: look before inserting.
    if (m_sharePairs.find(pair) == m_sharePairs.end()) {
        m_sharePairs.insert(pair);
        db::StoredAlert a;
        a.kind = kind::kShareAccess;
        a.severity = "low";
        a.source = ipText(frame.sourceIp);
        a.ip = ipText(frame.destIp);
        a.key = "share " + a.source + ' ' + a.ip;
        raise(std::move(a), seconds);
    }
}

void Detectors::arp(const parse::DecodedFrame& frame, std::int64_t seconds)
{
    // A sender without an address (an ARP probe, RFC 5227) binds nothing.
    if (frame.senderIp == 0)
        return;
    const std::string ip = ipText(frame.senderIp);
    char macBuffer[text::kMacTextSize];
    const std::string mac(macBuffer, text::formatMac(frame.senderMac, macBuffer));

    const auto reference = m_references.find(ip);
    if (reference != m_references.end() && !reports::sameMac(reference->second, mac)) {
        db::StoredAlert a;
        a.kind = kind::kReferenceMismatch;
        a.severity = "high";
        a.ip = ip;
        a.mac = mac;
        const std::string bound = text::trimTrailingBlanks(reference->second);
        a.previousMac = reports::normaliseMac(bound).value_or(bound);
        a.key = "reference " + ip + ' ' + mac;
        raise(std::move(a), seconds);
    }

    auto [it, isNew] = m_stations.try_emplace(ip);
    Station& station = it->second;
    if (isNew) {
        station.mac = mac;
        if (!m_learning || m_settings.newStationsWhileLearning) {
            db::StoredAlert a;
            a.kind = kind::kNewStation;
            a.severity = "low";
            a.ip = ip;
            a.mac = mac;
            a.key = "station " + ip;
            raise(std::move(a), seconds);
        }
        return;
    }
    if (reports::sameMac(station.mac, mac))
        return;

    const bool back = !station.previousMac.empty() && reports::sameMac(station.previousMac, mac)
        && seconds - station.changedAt <= m_settings.flipFlopSeconds;
    db::StoredAlert a;
    a.kind = back ? kind::kFlipFlop : kind::kMacChanged;
    a.severity = back ? "high" : "medium";
    a.ip = ip;
    a.mac = mac;
    a.previousMac = station.mac;
    // A change and a flip-flop between the same MACs are the same event:
    // after a restart the MAC before the last change is not known.
    a.key = "change " + ip + ' ' + station.mac + ' ' + mac;
    station.previousMac = station.mac;
    station.mac = mac;
    station.changedAt = seconds;
    raise(std::move(a), seconds);
}

std::vector<db::StoredAlert> Detectors::takePending()
{
    std::vector<db::StoredAlert> out;
    out.swap(m_pending);
    return out;
}

} // namespace trawler::watch
