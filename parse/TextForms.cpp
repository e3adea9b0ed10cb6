#include "TextForms.h"

namespace trawler::parse {

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

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr int kLastYear = 9999;

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
        *p++ = kHexDigits[mac[i] >> 4];
        *p++ = kHexDigits[mac[i] & 0x0f];
    }
    *p = '\0';
    return static_cast<std::size_t>(p - out);
}

TimeTextCache::TimeTextCache()
{
    // localtime_r need not read TZ itself; make the zone current once.
    tzset();
}

std::string_view TimeTextCache::text(std::int64_t seconds)
{
    if (!m_valid || seconds != m_seconds) {
        m_seconds = seconds;
        m_valid = true;
        const std::time_t t = static_cast<std::time_t>(seconds);
        std::tm local {};
        m_length = 0;
        // The stored form is fixed-width (text order is time order): a time
        // before 1970 or after the year 9999 has none and is stored as NULL.
        if (seconds >= 0 && localtime_r(&t, &local) && local.tm_year <= kLastYear - 1900)
            m_length = std::strftime(m_text, sizeof m_text, "%Y-%m-%d %H:%M:%S", &local);
        m_text[m_length] = '\0';
    }
    return {m_text, m_length};
}

} // namespace trawler::parse
