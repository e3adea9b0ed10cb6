#include "Hex.h"

namespace trawler::text {

namespace {

bool unreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
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

std::string percentEncode(std::string_view s, std::string_view alsoKept)
{
    std::string out;
    out.reserve(s.size());
    for (const char c : s) {
        if (unreserved(c) || alsoKept.find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            appendHex(out, static_cast<unsigned char>(c), HexCase::Upper);
        }
    }
    return out;
}

std::string percentDecode(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const int high = s[i] == '%' && i + 2 < s.size() ? hexValue(s[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(s[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace trawler::text
