#pragma once
#include "FrameDecoder.h"
#include "TextForms.h"

#include "db/SummarySums.h"
#include "text/AddressText.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace trawler::parse {

// A text of at most N bytes held in place, so a row needs no allocation.
template <std::size_t N> struct InlineText {
    char text[N] = {};
    std::uint8_t size = 0;
    std::string_view view() const { return {text, size}; }
    void set(std::string_view t)
    {
        size = static_cast<std::uint8_t>(t.size() < N ? t.size() : N);
        for (std::size_t i = 0; i < size; ++i)
            text[i] = t[i];
    }
};

using TimeText = InlineText<kTimeTextSize>;
using Ipv4Text = InlineText<text::kIpv4TextSize>;
using MacText = InlineText<text::kMacTextSize>;

// The rows of a run of frames, with every text already in its stored form:
// the reading thread fills a batch, the writing thread stores it. Names
// (ARP operation, ICMP type and code) point into static tables. An empty
// time or name is stored as NULL.
struct RowBatch {
    struct Arp {
        TimeText time;
        MacText senderMac, targetMac;
        Ipv4Text senderIp, targetIp;
        std::string_view operation;
    };
    struct Icmp {
        TimeText time;
        Ipv4Text source, dest;
        std::uint16_t totalLength;
        std::string_view type, code;
    };
    struct Syn {
        TimeText time;
        Ipv4Text source, dest;
        std::uint16_t sourcePort, destPort;
    };
    enum class Layer : std::uint8_t { None, Tcp, Udp };
    struct Ip {
        TimeText time;
        Ipv4Text source, dest;
        std::uint16_t totalLength;
        Layer layer;
        std::uint16_t sourcePort, destPort;
    };

    // Frames per batch: large enough that handing a batch over costs
    // nothing per frame, small enough that a few in flight stay in cache.
    static constexpr std::size_t kFrames = 4096;

    std::vector<Arp> arp;
    std::vector<Icmp> icmp;
    std::vector<Syn> syn;
    std::vector<Ip> ip;
    std::size_t frames = 0;
    // Summary sums that filled up while this batch was read: written with it.
    std::unique_ptr<db::SummarySums> sums;

    RowBatch();
    // The rows of one decoded frame: arp; or icmp/syn, then ip.
    void add(const DecodedFrame& frame, std::string_view timeText);
    bool full() const { return frames >= kFrames; }
    void clear();
};

} // namespace trawler::parse
