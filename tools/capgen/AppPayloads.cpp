#include "tools/capgen/AppPayloads.h"

#include <cstdio>

namespace trawler::capgen::app {

void put16(std::string& out, std::uint32_t v)
{
    out.push_back(static_cast<char>(v >> 8 & 0xff));
    out.push_back(static_cast<char>(v & 0xff));
}

void put32(std::string& out, std::uint32_t v)
{
    put16(out, v >> 16);
    put16(out, v & 0xffff);
}

void putNetbiosName(std::string& out, const std::string& name, std::uint8_t suffix)
{
    std::string raw = name.substr(0, 15);
    raw.resize(15, ' ');
    raw.push_back(static_cast<char>(suffix));
    out.push_back(32);
    for (unsigned char ch : raw) {
        out.push_back(static_cast<char>('A' + (ch >> 4)));
        out.push_back(static_cast<char>('A' + (ch & 0x0f)));
    }
    out.push_back(0);
}

namespace {

void nameHeader(std::string& m, std::uint16_t id, std::uint16_t flags, bool answer, const std::string& name)
{
    put16(m, id);
    put16(m, flags);
    put16(m, answer ? 0 : 1); // questions
    put16(m, answer ? 1 : 0); // answers
    put16(m, 0);
    put16(m, 0);
    putNetbiosName(m, name, 0x20);
    put16(m, 0x0020); // NB
    put16(m, 0x0001); // IN
}

void putDnsName(std::string& out, Random& rng)
{
    static const char* const kFirst[] = {"www", "mail", "update", "cdn", "api", "time", "files", "login"};
    std::string second;
    for (int i = 0; i < 6; ++i)
        second.push_back(static_cast<char>('a' + rng.below(26)));
    for (const std::string& label : {std::string(kFirst[rng.below(8)]), second, std::string("example"), std::string("net")}) {
        out.push_back(static_cast<char>(label.size()));
        out += label;
    }
    out.push_back(0);
}

} // namespace

std::string nameQuery(std::uint16_t id, const std::string& name)
{
    std::string m;
    nameHeader(m, id, 0x0110, false, name); // query, recursion desired, broadcast
    return m;
}

std::string nameAnswer(std::uint16_t id, const std::string& name, std::uint32_t ip)
{
    std::string m;
    nameHeader(m, id, 0x8500, true, name); // response, authoritative, recursion desired
    put32(m, 300000);
    put16(m, 6);
    put16(m, 0); // B node, unique name
    put32(m, ip);
    return m;
}

std::string browserAnnouncement(Random& rng, const Host& from)
{
    std::string smb = "\xffSMB";
    smb.push_back(0x25); // transaction
    smb.append(27, '\0');
    smb += "\\MAILSLOT\\BROWSE";
    smb.push_back(0);
    smb.push_back(1); // host announcement
    smb.append(from.name);
    smb.append(16 - from.name.size(), '\0');

    std::string d;
    d.push_back(0x11);
    d.push_back(0x0a);
    put16(d, rng.below(65536));
    put32(d, from.ip);
    put16(d, 138);
    put16(d, static_cast<std::uint32_t>(68 + smb.size()));
    put16(d, 0);
    putNetbiosName(d, from.name, 0x00);
    putNetbiosName(d, "WORKGROUP", 0x1d);
    return d + smb;
}

std::string dnsQuery(Random& rng, std::uint16_t id)
{
    std::string m;
    put16(m, id);
    put16(m, 0x0100); // standard query, recursion desired
    put16(m, 1);
    put16(m, 0);
    put16(m, 0);
    put16(m, 0);
    putDnsName(m, rng);
    put16(m, 1); // A
    put16(m, 1); // IN
    return m;
}

std::string dnsAnswer(Random& rng, std::uint16_t id)
{
    std::string m = dnsQuery(rng, id);
    m[2] = static_cast<char>(0x81);
    m[3] = static_cast<char>(0x80);
    const std::uint32_t answers = rng.between(1, 4);
    m[7] = static_cast<char>(answers);
    for (std::uint32_t i = 0; i < answers; ++i) {
        put16(m, 0xc00c); // the question's name
        put16(m, 1);
        put16(m, 1);
        put32(m, rng.between(30, 86400));
        put16(m, 4);
        put32(m, (203u << 24) | (113u << 8) | rng.between(1, 254));
    }
    return m;
}

std::string ssdpSearch()
{
    return "M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: \"ssdp:discover\"\r\nMX: 1\r\n"
           "ST: urn:schemas-upnp-org:device:InternetGatewayDevice:1\r\n\r\n";
}

std::string ntpPacket(Random& rng, bool reply)
{
    std::string m;
    m.push_back(reply ? 0x24 : 0x23); // version 4, mode server or client
    m.push_back(reply ? 2 : 0);       // stratum
    m.push_back(6);                   // poll
    m.push_back(static_cast<char>(0xec));
    m.append(36, '\0');
    put32(m, static_cast<std::uint32_t>(rng.next()));
    put32(m, static_cast<std::uint32_t>(rng.next()));
    return m;
}

std::string dhcpDiscover(Random& rng, const Mac& client)
{
    std::string m = {1, 1, 6, 0};
    put32(m, static_cast<std::uint32_t>(rng.next())); // transaction id
    put16(m, 0);
    put16(m, 0x8000); // broadcast flag
    m.append(16, '\0'); // ciaddr, yiaddr, siaddr, giaddr
    m.append(reinterpret_cast<const char*>(client.bytes.data()), 6);
    m.append(10 + 64 + 128, '\0'); // chaddr padding, sname, file
    m += "\x63\x82\x53\x63";        // magic cookie
    m += "\x35\x01\x01";            // message type: discover
    m.push_back(static_cast<char>(0xff));
    m.resize(300, '\0');
    return m;
}

std::string syslogLine(Random& rng, const Host& from)
{
    static const char* const kEvents[] = {"session opened for user backup", "link up", "disk check passed",
                                          "service restarted", "configuration saved"};
    char line[160];
    std::snprintf(line, sizeof line, "<%u>%s app[%u]: %s", 8 * rng.between(16, 23) + rng.below(8), from.name.c_str(),
                  rng.between(100, 30000), kEvents[rng.below(5)]);
    return line;
}

} // namespace trawler::capgen::app
