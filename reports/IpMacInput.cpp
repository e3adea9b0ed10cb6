#include "IpMacInput.h"

#include "text/AddressText.h"
#include "text/Hex.h"
#include "text/Trim.h"

#include <cstdint>

namespace trawler::reports {

std::optional<std::string> normaliseIpv4(std::string_view text)
{
    if (!trawler::text::parseIpv4(text))
        return std::nullopt;
    return std::string(text);
}

std::optional<std::string> normaliseMac(std::string_view text)
{
    if (text.size() != kMaxMacLength)
        return std::nullopt;
    const char separator = text[2];
    if (separator != '-' && separator != ':')
        return std::nullopt;
    std::uint8_t bytes[6];
    for (int b = 0; b < 6; ++b) {
        const std::size_t at = static_cast<std::size_t>(b) * 3;
        const int hi = trawler::text::hexValue(text[at]);
        const int lo = trawler::text::hexValue(text[at + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        if (b < 5 && text[at + 2] != separator)
            return std::nullopt;
        bytes[b] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    char out[trawler::text::kMacTextSize];
    return std::string(out, trawler::text::formatMac(bytes, out));
}

IpMacCheck checkIpMacInput(std::string_view ipText, std::string_view macText)
{
    IpMacCheck check;
    const std::string_view ip = text::trimSpace(ipText);
    const std::string_view mac = text::trimSpace(macText);
    if (ip.size() > kMaxIpLength) {
        check.wrong = IpMacCheck::Field::Ip;
        check.message = "The ip address is too long: an IPv4 address has at most 15 characters.";
        return check;
    }
    const auto goodIp = normaliseIpv4(ip);
    if (!goodIp) {
        check.wrong = IpMacCheck::Field::Ip;
        check.message = "The ip address \"" + std::string(ip)
            + "\" is not a dotted IPv4 address (four numbers from 0 to 255, such as 192.168.0.7).";
        return check;
    }
    if (mac.size() > kMaxMacLength) {
        check.wrong = IpMacCheck::Field::Mac;
        check.message = "The mac address is too long: a MAC address has at most 17 characters.";
        return check;
    }
    const auto goodMac = normaliseMac(mac);
    if (!goodMac) {
        check.wrong = IpMacCheck::Field::Mac;
        check.message = "The mac address \"" + std::string(mac)
            + "\" is not six hexadecimal bytes separated by \"-\" or \":\" (such as 00-0c-29-3a-5f-01).";
        return check;
    }
    check.value = IpMacInput{*goodIp, *goodMac};
    return check;
}

bool sameMac(std::string_view a, std::string_view b)
{
    const std::string ta = text::trimTrailingBlanks(a);
    const std::string tb = text::trimTrailingBlanks(b);
    if (ta == tb)
        return true;
    const auto na = normaliseMac(ta);
    const auto nb = normaliseMac(tb);
    return na && nb && *na == *nb;
}

} // namespace trawler::reports
