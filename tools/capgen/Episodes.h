#pragma once
// The traffic episodes scenarios are made of. Each emits its frames through
// the context's emitter and returns early once the emitter is full.
#include "tools/capgen/Emitter.h"
#include "tools/capgen/FrameBuilder.h"
#include "tools/capgen/Lan.h"
#include "tools/capgen/PayloadPool.h"
#include "tools/capgen/Random.h"

#include <cstdint>
#include <vector>

namespace trawler::capgen {

struct Context {
    Emitter& out;
    Random& rng;
    const Lan& lan;
    FrameBuilder& frame;
    const PayloadPool& pool;
};

struct SweepPlan {
    std::uint32_t network = 0;  // the /24 swept, reached through the gateway
    std::uint32_t first = 1;    // first and last host numbers probed
    std::uint32_t last = 254;
    std::uint32_t livePerMille = 250;
};

// Echo sweep with replies, host unreachables from the gateway for some silent
// addresses, then per live host a UDP probe (port unreachable), timestamp,
// information and address-mask requests (RFC 792, RFC 950) with some replies.
void icmpSweep(Context& c, const Host& scanner, const SweepPlan& plan);

// Half-open scan (SYN; SYN+ACK answered by RST; closed ports RST+ACK; a few
// filtered ports silent) of `ports` on a host of the LAN.
void synScan(Context& c, const Host& scanner, const Host& target, const std::vector<std::uint16_t>& ports);

// Normal gateway resolution by `victims` hosts, then `cycles` rounds of an
// attacker claiming the gateway's address; the gateway's IPv4 address ends up
// answered with two MAC addresses.
void arpSpoof(Context& c, std::size_t victims, std::size_t cycles);

// Browser announcements (UDP 138) by announcePerMille of the hosts, name
// queries (UDP 137) and `sessions` file
// sessions with the file server on TCP 139 or 445 (RFC 1001/1002 framing);
// file reads come back in segments of segmentSize bytes (at most 1460).
void netbiosActivity(Context& c, std::size_t sessions, std::uint32_t segmentSize, std::uint32_t announcePerMille);

// An IGMPv2 membership report (RFC 2236) carrying the router alert option
// (RFC 2113): an IPv4 header with options.
void igmpJoin(Context& c, const Host& host, std::uint32_t group);

} // namespace trawler::capgen
