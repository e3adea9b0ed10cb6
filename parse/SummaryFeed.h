#pragma once
// Hands the ip row of a decoded frame to the traffic summaries, with exactly
// the values the row writer stores for it.
#include "FrameDecoder.h"

#include "db/SummarySums.h"
#include "db/SummaryWriter.h"

#include <string_view>

namespace trawler::parse {

inline void feedSummary(db::SummarySums& sums, const DecodedFrame& frame, std::string_view timeText)
{
    if (frame.frameClass != FrameClass::Ip)
        return;
    using Layer = db::SummarySums::Layer;
    const Layer layer = frame.transport == Transport::Tcp   ? Layer::Tcp
                        : frame.transport == Transport::Udp ? Layer::Udp
                                                            : Layer::Other;
    sums.add(frame.sourceIp, frame.destIp, layer, frame.sourcePort, frame.destPort, frame.totalLength, timeText);
}

} // namespace trawler::parse
