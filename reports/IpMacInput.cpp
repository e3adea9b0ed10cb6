#include "IpMacInput.h"

#include "db/Text.h"

#include <cctype>

namespace trawler::reports {

namespace {

std::string_view trimSpace(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> normaliseIpv4(std::string_view text)
{
    int groups = 0;
    std::size_t i = 0;
    while (true) {
        const std::size_t start = i;
        int value = 0;
        while (i < text.size() && isDigit(text[i]) && i - start < 3) {
            value = value * 10 + (text[i] - '0');
            ++i;
        }
        const std::size_t digits = i - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0'))
            return std::nullopt;
        ++groups;
        if (groups == 4)
            break;
        if (i >= text.size() || text[i] != '.')
            return std::nullopt;
        ++i;
    }
    if (i != text.size())
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
    static const char* const digits = "0123456789abcdef";
    std::string out;
    for (int b = 0; b < 6; ++b) {
        const std::size_t at = static_cast<std::size_t>(b) * 3;
        const int hi = hexValue(text[at]);
        const int lo = hexValue(text[at + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        if (b < 5 && text[at + 2] != separator)
            return std::nullopt;
        if (b)
            out += '-';
        out += digits[hi];
        out += digits[lo];
    }
    return out;
}

IpMacCheck checkIpMacInput(std::string_view ipText, std::string_view macText)
{
    IpMacCheck check;
    const std::string_view ip = trimSpace(ipText);
    const std::string_view mac = trimSpace(macText);
    if (ip.size() > kMaxIpLength) {
        check.message = "The ip address is too long: an IPv4 address has at most 15 characters.";
        return check;
    }
    const auto goodIp = normaliseIpv4(ip);
    if (!goodIp) {
        check.message = "The ip address \"" + std::string(ip)
            + "\" is not a dotted IPv4 address (four numbers from 0 to 255, such as 192.168.0.7).";
        return check;
    }
    if (mac.size() > kMaxMacLength) {
        check.message = "The mac address is too long: a MAC address has at most 17 characters.";
        return check;
    }
    const auto goodMac = normaliseMac(mac);
    if (!goodMac) {
        check.message = "The mac address \"" + std::string(mac)
            + "\" is not six hexadecimal bytes separated by \"-\" or \":\" (such as 00-0c-29-3a-5f-01).";
        return check;
    }
    check.value = IpMacInput{*goodIp, *goodMac};
    return check;
}

bool sameMac(std::string_view a, std::string_view b)
{
    const std::string ta = db::trimTrailingBlanks(a);
    const std::string tb = db::trimTrailingBlanks(b);
    if (ta == tb)
        return true;
    const auto na = normaliseMac(ta);
    const auto nb = normaliseMac(tb);
    return na && nb && *na == *nb;
}

} // namespace trawler::reports
