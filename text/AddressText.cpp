#include "AddressText.h"

#include "Hex.h"

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
    // The form inet_pton takes for AF_INET, read here by hand because the
    // ranking of endpoint pairs reads millions of stored addresses: four
    // parts of one to three digits, each 0..255, and a part that starts
    // with 0 is "0" itself.
    std::uint32_t address = 0;
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != '.')
                return std::nullopt;
            ++i;
        }
        const std::size_t start = i;
        unsigned value = 0;
        while (i < text.size() && i - start < 4 && text[i] >= '0' && text[i] <= '9')
            value = value * 10 + static_cast<unsigned>(text[i++] - '0');
        const std::size_t digits = i - start;
        if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && text[start] == '0'))
            return std::nullopt;
        address = address << 8 | value;
    }
    if (i != text.size())
        return std::nullopt;
    return address;
}

} // namespace trawler::text
