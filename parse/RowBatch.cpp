#include "RowBatch.h"

#include "IcmpNames.h"

#include <array>

namespace trawler::parse {

namespace {

// The ARP operation codes (RFC 826, RFC 903) that have a stored text.
constexpr std::array<std::string_view, 5> kArpOperationNames = {
    "", "Arp Request", "Arp Reply", "Rarp Request", "Rarp Reply",
};

void setAddress(Ipv4Text& out, std::uint32_t address)
{
    out.size = static_cast<std::uint8_t>(text::formatIpv4(address, out.text));
}

void setMac(MacText& out, const std::uint8_t (&mac)[6])
{
    out.size = static_cast<std::uint8_t>(text::formatMac(mac, out.text));
}

} // namespace

RowBatch::RowBatch()
{
    ip.reserve(kFrames);
}

void RowBatch::add(const DecodedFrame& frame, std::string_view timeText)
{
    ++frames;
    if (frame.frameClass == FrameClass::Arp) {
        Arp& row = arp.emplace_back();
        row.time.set(timeText);
        setMac(row.senderMac, frame.senderMac);
        setMac(row.targetMac, frame.targetMac);
        setAddress(row.senderIp, frame.senderIp);
        setAddress(row.targetIp, frame.targetIp);
        row.operation = frame.arpOperation < kArpOperationNames.size() ? kArpOperationNames[frame.arpOperation] : "";
        return;
    }
    if (frame.frameClass != FrameClass::Ip)
        return;
    Ip& row = ip.emplace_back();
    row.time.set(timeText);
    setAddress(row.source, frame.sourceIp);
    setAddress(row.dest, frame.destIp);
    row.totalLength = frame.totalLength;
    row.layer = frame.transport == Transport::Tcp   ? Layer::Tcp
                : frame.transport == Transport::Udp ? Layer::Udp
                                                    : Layer::None;
    row.sourcePort = frame.sourcePort;
    row.destPort = frame.destPort;
    // The frame's second row: icmp or syn.
    if (frame.transport == Transport::Icmp) {
        const IcmpName name = icmpName(frame.icmpType, frame.icmpCode);
        icmp.push_back({row.time, row.source, row.dest, frame.totalLength, name.type, name.code});
    } else if (frame.transport == Transport::Tcp && frame.syn) {
        syn.push_back({row.time, row.source, row.dest, frame.sourcePort, frame.destPort});
    }
}

void RowBatch::clear()
{
    arp.clear();
    icmp.clear();
    syn.clear();
    ip.clear();
    frames = 0;
    sums.reset();
}

} // namespace trawler::parse
