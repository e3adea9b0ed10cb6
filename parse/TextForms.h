#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string_view>

namespace trawler::parse {

// The stored time text, remade without allocation (it runs for every frame).
// The address texts are text/AddressText.h.

constexpr std::size_t kTimeTextSize = 30; // the char(30) time columns

// Local time of a capture timestamp as "%Y-%m-%d %H:%M:%S", or an empty text
// for a time before 1970 or after the year 9999. Frames come in
// runs of the same second, so the text is remade (localtime_r) only when the
// second changes.
class TimeTextCache {
public:
    TimeTextCache();
    std::string_view text(std::int64_t seconds);

private:
    std::int64_t m_seconds = 0;
    bool m_valid = false;
    std::size_t m_length = 0;
    char m_text[kTimeTextSize] = {};
};

} // namespace trawler::parse
