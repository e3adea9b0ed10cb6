#pragma once
#include "FrameDecoder.h"

#include <cstdint>

namespace trawler::parse {

// The nine counts of one run, stored as its pccount row in this order.
struct RunCounters {
    std::int64_t total = 0;
    std::int64_t ethOther = 0;
    std::int64_t corrupted = 0;
    std::int64_t arp = 0;
    std::int64_t ip = 0;
    std::int64_t tcp = 0;
    std::int64_t udp = 0;
    std::int64_t icmp = 0;
    std::int64_t ipOther = 0;

    // Counts one decoded frame in everything but `total` (the frame loop's).
    void count(const DecodedFrame& frame);
};

} // namespace trawler::parse
