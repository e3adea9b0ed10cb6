#include "FrameDecoder.h"

#include "FrameView.h"

namespace trawler::parse {

namespace {

void decodeArp(const FrameView& frame, DecodedFrame& out)
{
    // All five fields must be there; a partial ARP message writes nothing.
    if (!frame.has(0, offsets::kArpEnd)) {
        out.frameClass = FrameClass::ShortArp;
        return;
    }
    out.frameClass = FrameClass::Arp;
    out.arpOperation = frame.be16(offsets::kArpOperation);
    frame.copy(offsets::kArpSenderMac, 6, out.senderMac);
    frame.copy(offsets::kArpTargetMac, 6, out.targetMac);
    out.senderIp = frame.be32(offsets::kArpSenderIp);
    out.targetIp = frame.be32(offsets::kArpTargetIp);
}

void decodeIpv4(const FrameView& frame, std::size_t wireLength, DecodedFrame& out)
{
    if (wireLength < offsets::kIpEnd || !frame.has(0, offsets::kIpEnd)) {
        out.frameClass = FrameClass::ShortIp;
        return;
    }
    const std::uint8_t versionIhl = frame.u8(offsets::kIpVersionIhl);
    const std::uint8_t ihl = versionIhl & 0x0f;
    if ((versionIhl >> 4) != kIpVersion4 || ihl < kMinimumIhl) {
        out.frameClass = FrameClass::BadIp;
        return;
    }
    out.frameClass = FrameClass::Ip;
    out.totalLength = frame.be16(offsets::kIpTotalLength);
    out.protocol = frame.u8(offsets::kIpProtocol);
    out.sourceIp = frame.be32(offsets::kIpSource);
    out.destIp = frame.be32(offsets::kIpDestination);

    // A later fragment carries no transport header, only the middle of the
    // datagram's payload (RFC 791): nothing more is read from it.
    if ((frame.be16(offsets::kIpFragment) & kFragmentOffsetMask) != 0) {
        out.transport = Transport::Other;
        return;
    }

    const std::size_t transport = offsets::kEthernetEnd + std::size_t{4} * ihl;
    switch (out.protocol) {
    case kProtocolIcmp:
        // Only the two bytes that are named must have been captured.
        if (!frame.has(transport, offsets::kIcmpLength)) {
            out.transport = Transport::Truncated;
            return;
        }
        out.transport = Transport::Icmp;
        out.icmpType = frame.u8(transport + offsets::kIcmpType);
        out.icmpCode = frame.u8(transport + offsets::kIcmpCode);
        return;
    case kProtocolTcp:
    case kProtocolUdp:
        if (wireLength < transport + offsets::kTransportLength || !frame.has(transport, offsets::kTransportLength)) {
            out.transport = Transport::Truncated;
            return;
        }
        out.sourcePort = frame.be16(transport + offsets::kSourcePort);
        out.destPort = frame.be16(transport + offsets::kDestPort);
        if (out.protocol == kProtocolTcp) {
            out.transport = Transport::Tcp;
            out.syn = (frame.u8(transport + offsets::kTcpFlags) & kTcpFlagSyn) != 0;
        } else {
            out.transport = Transport::Udp;
        }
        return;
    default:
        out.transport = Transport::Other;
        return;
    }
}

} // namespace

DecodedFrame decodeFrame(const std::uint8_t* data, std::size_t capturedLength, std::size_t wireLength)
{
    const FrameView frame(data, capturedLength);
    DecodedFrame out;
    if (wireLength < offsets::kEthernetEnd || !frame.has(0, offsets::kEthernetEnd)) {
        out.frameClass = FrameClass::Short;
        return out;
    }
    switch (frame.be16(offsets::kEtherType)) {
    case kEtherTypeArp:
        decodeArp(frame, out);
        break;
    case kEtherTypeIpv4:
        decodeIpv4(frame, wireLength, out);
        break;
    default:
        out.frameClass = FrameClass::EthOther;
        break;
    }
    return out;
}

} // namespace trawler::parse
