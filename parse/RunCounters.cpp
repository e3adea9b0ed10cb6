#include "RunCounters.h"

namespace trawler::parse {

void RunCounters::count(const DecodedFrame& frame)
{
    switch (frame.frameClass) {
    case FrameClass::Short:
    case FrameClass::ShortArp:
    case FrameClass::ShortIp:
    case FrameClass::BadIp:
        ++corrupted;
        return;
    case FrameClass::EthOther:
        ++ethOther;
        return;
    case FrameClass::Arp:
        ++arp;
        return;
    case FrameClass::Ip:
        ++ip;
        break;
    }
    switch (frame.transport) {
    case Transport::Icmp:
        ++icmp;
        break;
    case Transport::Tcp:
        ++tcp;
        break;
    case Transport::Udp:
        ++udp;
        break;
    case Transport::Other:
        ++ipOther;
        break;
    case Transport::Truncated:
        // Still an IPv4 datagram (counted in ip above), but too short for
        // its transport fields.
        ++corrupted;
        break;
    case Transport::None:
        break;
    }
}

} // namespace trawler::parse
