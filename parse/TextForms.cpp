#include "TextForms.h"

namespace trawler::parse {

namespace {

constexpr int kLastYear = 9999;

} // namespace

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
