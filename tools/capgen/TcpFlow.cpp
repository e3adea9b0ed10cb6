#include "tools/capgen/TcpFlow.h"

namespace trawler::capgen {

namespace {

// MSS 1460, NOP, window scale 8, NOP, NOP, SACK permitted (RFC 793, RFC 7323, RFC 2018).
const std::uint8_t kSynOptions[12] = {0x02, 0x04, 0x05, 0xb4, 0x01, 0x03, 0x03, 0x08, 0x01, 0x01, 0x04, 0x02};

} // namespace

TcpFlow::TcpFlow(const Endpoint& client, const Endpoint& server, Random& rng)
    : m_client(client),
      m_server(server),
      m_clientSeq(static_cast<std::uint32_t>(rng.next())),
      m_serverSeq(static_cast<std::uint32_t>(rng.next())),
      m_clientId(static_cast<std::uint16_t>(rng.next())),
      m_serverId(static_cast<std::uint16_t>(rng.next()))
{
}

void TcpFlow::syn(FrameBuilder& frame) { send(frame, true, tcpflag::kSyn, {kSynOptions, sizeof kSynOptions}, {}); }

void TcpFlow::synAck(FrameBuilder& frame)
{
    send(frame, false, tcpflag::kSyn | tcpflag::kAck, {kSynOptions, sizeof kSynOptions}, {});
}

void TcpFlow::segment(FrameBuilder& frame, bool fromClient, std::uint8_t flags, ByteView payload)
{
    send(frame, fromClient, flags, {}, payload);
}

void TcpFlow::send(FrameBuilder& frame, bool fromClient, std::uint8_t flags, ByteView options, ByteView payload)
{
    const Endpoint& from = fromClient ? m_client : m_server;
    const Endpoint& to = fromClient ? m_server : m_client;
    std::uint32_t& seq = fromClient ? m_clientSeq : m_serverSeq;
    const std::uint32_t peerSeq = fromClient ? m_serverSeq : m_clientSeq;
    std::uint16_t& id = fromClient ? m_clientId : m_serverId;

    Ipv4Fields ip;
    ip.src = from.ip;
    ip.dst = to.ip;
    ip.ttl = from.ttl;
    ip.id = id++;
    ip.dontFragment = true;
    TcpFields tcp;
    tcp.srcPort = from.port;
    tcp.dstPort = to.port;
    tcp.seq = seq;
    tcp.ack = (flags & tcpflag::kAck) != 0 ? peerSeq : 0;
    tcp.flags = flags;
    tcp.window = (flags & tcpflag::kSyn) != 0 ? 64240 : 1026;
    tcp.options = options;
    frame.tcp(Link{from.mac, to.mac}, ip, tcp, payload);

    seq += static_cast<std::uint32_t>(payload.size);
    if ((flags & (tcpflag::kSyn | tcpflag::kFin)) != 0)
        ++seq;
}

} // namespace trawler::capgen
