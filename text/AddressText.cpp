#include "AddressText.h"

#include "Hex.h"

#include <arpa/inet.h>

#include <cstring>

namespace trawler::text {

namespace {

char* putDecimal(char* p, unsigned v)
{
    if (v >= 100)
        *p++ = static_cast<char>('0' + v / 100);
    if (v >= 10)
        *p++ = static_cast<char>('0' + v / 10 % 10);
    *p++ = static_cast<char>('0' + v % 10);
    return p;
}

} // namespace

std::size_t formatIpv4(std::uint32_t address, char (&out)[kIpv4TextSize])
{
    char* p = out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        p = putDecimal(p, (address >> shift) & 0xffu);
        if (shift)
            *p++ = '.';
    }
    *p = '\0';
    return static_cast<std::size_t>(p - out);
}

std::size_t formatMac(const std::uint8_t (&mac)[6], char (&out)[kMacTextSize])
{
    char* p = out;
    for (int i = 0; i < 6; ++i) {
        if (i)
            *p++ = '-';
        *p++ = hexDigit(mac[i] >> 4);
        *p++ = hexDigit(mac[i]);
    }
    *p = '\0';
    return static_cast<std::size_t>(p - out);
}

std::optional<std::uint32_t> parseIpv4(std::string_view text)
{
    // inet_pton's AF_INET form is the one taken here: four parts, each
    // 0..255, digits only, and a part that starts with 0 is "0" itself. It
    // reads a C string, so a longer text or one with a NUL inside is refused
    // before it gets there.
    char buffer[kIpv4TextSize];
    if (text.size() >= sizeof buffer || text.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    in_addr address{};
    if (::inet_pton(AF_INET, buffer, &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}

} // namespace trawler::text
