#include "Value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

// Every number goes to and from text with <charconv>: the process locale
// (a decimal comma under de_DE, say) never changes what is written or read.

namespace trawler::db {

namespace {

std::string toChars(double v, std::chars_format format, int precision)
{
    char buf[400];
    const auto result = std::to_chars(buf, buf + sizeof buf, v, format, precision);
    return std::string(buf, result.ptr);
}

// Reads a number the way strtod does in the "C" locale: leading white space
// and a '+' are allowed, anything after the number is ignored, no number is 0.
double readDouble(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
        ++i;
    if (i < s.size() && s[i] == '+' && !(i + 1 < s.size() && s[i + 1] == '-'))
        ++i;
    double v = 0.0;
    const auto result = std::from_chars(s.data() + i, s.data() + s.size(), v);
    return result.ec == std::errc() ? v : 0.0;
}

} // namespace

std::string formatReal(double v)
{
    if (std::isnan(v))
        return "NaN";
    if (std::isinf(v))
        return v < 0 ? "-Infinity" : "Infinity";
    // A sum over 32-bit lengths is a whole number: no fraction, no exponent.
    if (v == std::trunc(v) && std::fabs(v) < 1e18)
        return toChars(v, std::chars_format::fixed, 0);
    std::string text;
    for (int precision = 1; precision <= 17; ++precision) {
        text = toChars(v, std::chars_format::general, precision);
        double back = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        if (back == v)
            break;
    }
    return text;
}

std::optional<std::string> Value::toText() const
{
    switch (kind()) {
    case Kind::Null:
        return std::nullopt;
    case Kind::Integer: {
        char buf[24];
        const auto result = std::to_chars(buf, buf + sizeof buf, std::get<std::int64_t>(m_data));
        return std::string(buf, result.ptr);
    }
    case Kind::Real:
        return formatReal(std::get<double>(m_data));
    case Kind::Text:
        return std::get<std::string>(m_data);
    }
    return std::nullopt;
}

std::int64_t Value::toInt() const
{
    switch (kind()) {
    case Kind::Integer:
        return std::get<std::int64_t>(m_data);
    case Kind::Real: {
        // Out-of-range or NaN reals would make the conversion undefined.
        const double v = std::get<double>(m_data);
        if (std::isnan(v))
            return 0;
        if (v >= 9223372036854775807.0)
            return INT64_MAX;
        if (v <= -9223372036854775808.0)
            return INT64_MIN;
        return static_cast<std::int64_t>(v);
    }
    case Kind::Text:
        return std::strtoll(std::get<std::string>(m_data).c_str(), nullptr, 10);
    default:
        return 0;
    }
}

double Value::toDouble() const
{
    switch (kind()) {
    case Kind::Integer:
        return static_cast<double>(std::get<std::int64_t>(m_data));
    case Kind::Real:
        return std::get<double>(m_data);
    case Kind::Text:
        return readDouble(std::get<std::string>(m_data));
    default:
        return 0.0;
    }
}

} // namespace trawler::db
