#pragma once
// One TCP connection between two endpoints, keeping both sequence numbers so
// that the segments a scenario emits acknowledge each other (RFC 793 3.3).
#include "tools/capgen/FrameBuilder.h"
#include "tools/capgen/Random.h"

#include <cstdint>

namespace trawler::capgen {

struct Endpoint {
    Mac mac; // the address frames from this side carry on the captured LAN
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    std::uint8_t ttl = 64;
};

class TcpFlow {
public:
    TcpFlow(const Endpoint& client, const Endpoint& server, Random& rng);

    // Client SYN and server SYN+ACK, both with MSS, window scale and SACK
    // options; each advances its side's sequence number by one.
    void syn(FrameBuilder& frame);
    void synAck(FrameBuilder& frame);
    // Any other segment; SYN and FIN count one sequence number, data its length.
    void segment(FrameBuilder& frame, bool fromClient, std::uint8_t flags, ByteView payload = {});

    const Endpoint& client() const { return m_client; }
    const Endpoint& server() const { return m_server; }

private:
    void send(FrameBuilder& frame, bool fromClient, std::uint8_t flags, ByteView options, ByteView payload);

    Endpoint m_client;
    Endpoint m_server;
    std::uint32_t m_clientSeq;
    std::uint32_t m_serverSeq;
    std::uint16_t m_clientId;
    std::uint16_t m_serverId;
};

} // namespace trawler::capgen
