// ARP spoofing and NetBIOS/SMB file sharing on the LAN.
#include "tools/capgen/Episodes.h"
#include "tools/capgen/AppPayloads.h"
#include "tools/capgen/TcpFlow.h"

#include <cstring>
#include <string>

namespace trawler::capgen {

namespace {

using app::put16;
using app::putNetbiosName;
using app::view;

constexpr std::uint16_t kArpRequest = 1;
constexpr std::uint16_t kArpReply = 2;

void arpRequest(Context& c, const Host& from, std::uint32_t wanted, std::uint32_t gap)
{
    c.frame.arp(Link{from.mac, Mac::broadcast()}, ether::kArp, kArpRequest, from.mac, from.ip, Mac{}, wanted);
    c.out.emit(c.frame, gap);
}

// `claimedIp` is at `claimedMac`, told to `to`.
void arpReply(Context& c, const Mac& claimedMac, std::uint32_t claimedIp, const Host& to, std::uint32_t gap)
{
    c.frame.arp(Link{claimedMac, to.mac}, ether::kArp, kArpReply, claimedMac, claimedIp, to.mac, to.ip);
    c.frame.padTo60();
    c.out.emit(c.frame, gap);
}

void udpFrom(Context& c, const Host& from, const Mac& toMac, std::uint32_t toIp, std::uint16_t port, ByteView payload,
             std::uint32_t gap)
{
    Ipv4Fields ip{from.ip, toIp, from.ttl, static_cast<std::uint16_t>(c.rng.next())};
    c.frame.udp(Link{from.mac, toMac}, ip, port, port, payload);
    c.frame.padTo60();
    c.out.emit(c.frame, gap);
}

// RFC 1002 4.2.12 / 4.2.13: a broadcast name query and the owner's answer.
void nameQuery(Context& c, const Host& asker, const Host& owner)
{
    const std::uint16_t id = static_cast<std::uint16_t>(c.rng.next());
    udpFrom(c, asker, Mac::broadcast(), c.lan.broadcast(), 137, view(app::nameQuery(id, owner.name)),
            c.rng.between(2000, 90000));
    udpFrom(c, owner, asker.mac, asker.ip, 137, view(app::nameAnswer(id, owner.name, owner.ip)),
            c.rng.between(200, 2000));
}

void browserAnnouncement(Context& c, const Host& from)
{
    udpFrom(c, from, Mac::broadcast(), c.lan.broadcast(), 138, view(app::browserAnnouncement(c.rng, from)),
            c.rng.between(5000, 200000));
}

// An SMB message in a session message frame (RFC 1002 4.3.1): 4-byte length
// header, protocol magic, command, the rest filler.
std::string smbMessage(Context& c, bool smb2, std::uint8_t command, std::size_t size)
{
    std::string m;
    m.push_back(0);
    m.push_back(static_cast<char>(size >> 16 & 0xff));
    put16(m, static_cast<std::uint32_t>(size & 0xffff));
    m += smb2 ? "\xfeSMB" : "\xffSMB";
    m.push_back(static_cast<char>(command));
    const ByteView filler = c.pool.take(c.rng, size - 5);
    m.append(reinterpret_cast<const char*>(filler.data), filler.size);
    return m;
}

void fileSession(Context& c, const Host& client, const Host& server, bool direct, std::uint32_t segmentSize)
{
    const Endpoint a{client.mac, client.ip, static_cast<std::uint16_t>(c.rng.between(49152, 65535)), client.ttl};
    const Endpoint b{server.mac, server.ip, static_cast<std::uint16_t>(direct ? 445 : 139), server.ttl};
    TcpFlow flow(a, b, c.rng);
    const std::uint8_t pa = tcpflag::kPsh | tcpflag::kAck;

    flow.syn(c.frame);
    c.out.emit(c.frame, c.rng.between(20000, 400000));
    flow.synAck(c.frame);
    c.out.emit(c.frame, c.rng.between(100, 600));
    flow.segment(c.frame, true, tcpflag::kAck);
    c.frame.padTo60();
    c.out.emit(c.frame, c.rng.between(30, 200));

    if (!direct) { // NetBIOS session request and positive response
        std::string req = {static_cast<char>(0x81), 0, 0, 68};
        putNetbiosName(req, server.name, 0x20);
        putNetbiosName(req, client.name, 0x00);
        flow.segment(c.frame, true, pa, view(req));
        c.out.emit(c.frame, c.rng.between(100, 500));
        const std::string ok = {static_cast<char>(0x82), 0, 0, 0};
        flow.segment(c.frame, false, pa, view(ok));
        c.frame.padTo60();
        c.out.emit(c.frame, c.rng.between(100, 500));
    }
    // Negotiate, session setup, tree connect, create: request and response each.
    for (std::uint8_t command : {0x72, 0x73, 0x75, 0xa2}) {
        flow.segment(c.frame, true, pa, view(smbMessage(c, direct, command, c.rng.between(60, 260))));
        c.out.emit(c.frame, c.rng.between(200, 3000));
        flow.segment(c.frame, false, pa, view(smbMessage(c, direct, command, c.rng.between(40, 300))));
        c.out.emit(c.frame, c.rng.between(100, 900));
    }
    // Reads: the answer spans full segments, acknowledged every second one.
    const std::uint32_t reads = c.rng.between(1, 4);
    for (std::uint32_t r = 0; r < reads && !c.out.full(); ++r) {
        flow.segment(c.frame, true, pa, view(smbMessage(c, direct, 0x2e, 63)));
        c.out.emit(c.frame, c.rng.between(500, 20000));
        const std::uint32_t segments = c.rng.between(2, 6);
        for (std::uint32_t s = 0; s < segments; ++s) {
            const bool last = s + 1 == segments;
            flow.segment(c.frame, false, last ? pa : tcpflag::kAck,
                         c.pool.take(c.rng, last ? c.rng.between(100, segmentSize) : segmentSize));
            c.out.emit(c.frame, c.rng.between(15, 120));
            if (s % 2 == 1 || last) {
                flow.segment(c.frame, true, tcpflag::kAck);
                c.frame.padTo60();
                c.out.emit(c.frame, c.rng.between(20, 200));
            }
        }
    }
    flow.segment(c.frame, true, tcpflag::kFin | tcpflag::kAck);
    c.out.emit(c.frame, c.rng.between(1000, 50000));
    flow.segment(c.frame, false, tcpflag::kFin | tcpflag::kAck);
    c.frame.padTo60();
    c.out.emit(c.frame, c.rng.between(100, 500));
    flow.segment(c.frame, true, tcpflag::kAck);
    c.out.emit(c.frame, c.rng.between(30, 200));
}

} // namespace

void arpSpoof(Context& c, std::size_t victims, std::size_t cycles)
{
    const Host& gateway = c.lan.gateway();
    const Host& attacker = c.lan.pick(c.rng);
    std::vector<const Host*> targets;
    for (const Host& h : c.lan.hosts())
        if (h.ip != attacker.ip && targets.size() < victims)
            targets.push_back(&h);

    // Normal resolution in both directions.
    for (const Host* v : targets) {
        if (c.out.full())
            return;
        arpRequest(c, *v, gateway.ip, c.rng.between(20000, 900000));
        arpReply(c, gateway.mac, gateway.ip, *v, c.rng.between(100, 900));
        arpRequest(c, gateway, v->ip, c.rng.between(50000, 900000));
        arpReply(c, v->mac, v->ip, gateway, c.rng.between(100, 900));
    }
    arpRequest(c, attacker, gateway.ip, c.rng.between(20000, 900000));
    arpReply(c, gateway.mac, gateway.ip, attacker, c.rng.between(100, 900));

    // The attacker tells every victim, every couple of seconds, that the
    // gateway's address is at its own MAC; a victim that asks again gets two
    // answers.
    for (std::size_t cycle = 0; cycle < cycles && !c.out.full(); ++cycle) {
        c.out.idle(c.rng.between(1500000, 2500000));
        for (const Host* v : targets)
            arpReply(c, attacker.mac, gateway.ip, *v, c.rng.between(50, 400));
        if (c.rng.chance(600)) {
            const Host& v = *targets[c.rng.below(static_cast<std::uint32_t>(targets.size()))];
            arpRequest(c, v, gateway.ip, c.rng.between(10000, 500000));
            arpReply(c, gateway.mac, gateway.ip, v, c.rng.between(100, 900));
            arpReply(c, attacker.mac, gateway.ip, v, c.rng.between(10, 300));
        }
        if (c.rng.chance(300)) { // the attacker's own address resolves as usual
            const Host& v = *targets[c.rng.below(static_cast<std::uint32_t>(targets.size()))];
            arpRequest(c, v, attacker.ip, c.rng.between(10000, 500000));
            arpReply(c, attacker.mac, attacker.ip, v, c.rng.between(100, 900));
        }
    }
}

void netbiosActivity(Context& c, std::size_t sessions, std::uint32_t segmentSize, std::uint32_t announcePerMille)
{
    const Host& server = c.lan.hosts().front();
    for (const Host& h : c.lan.hosts()) {
        if (c.out.full())
            return;
        if (c.rng.chance(announcePerMille))
            browserAnnouncement(c, h);
    }
    for (std::size_t s = 0; s < sessions && !c.out.full(); ++s) {
        const Host& client = c.lan.pickOther(c.rng, server);
        if (c.rng.chance(600))
            nameQuery(c, client, server);
        fileSession(c, client, server, c.rng.chance(650), segmentSize);
        if (c.rng.chance(300))
            browserAnnouncement(c, c.lan.pick(c.rng));
    }
    // A host that serves no files refuses the connection.
    const Host& client = c.lan.pickOther(c.rng, server);
    const Host& other = c.lan.pickOther(c.rng, client);
    if (other.ip != server.ip) {
        const Endpoint a{client.mac, client.ip, static_cast<std::uint16_t>(c.rng.between(49152, 65535)), client.ttl};
        TcpFlow flow(a, Endpoint{other.mac, other.ip, 445, other.ttl}, c.rng);
        flow.syn(c.frame);
        c.out.emit(c.frame, c.rng.between(20000, 400000));
        flow.segment(c.frame, false, tcpflag::kRst | tcpflag::kAck);
        c.frame.padTo60();
        c.out.emit(c.frame, c.rng.between(100, 600));
    }
}

} // namespace trawler::capgen
