#include "Value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace trawler::db {

std::string formatReal(double v)
{
    if (std::isnan(v))
        return "NaN";
    if (std::isinf(v))
        return v < 0 ? "-Infinity" : "Infinity";
    // A sum over 32-bit lengths is a whole number: no fraction, no exponent.
    if (v == std::trunc(v) && std::fabs(v) < 1e18) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", v);
        return buf;
    }
    char buf[40];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, v);
        if (std::strtod(buf, nullptr) == v)
            break;
    }
    return buf;
}

std::optional<std::string> Value::toText() const
{
    switch (kind()) {
    case Kind::Null:
        return std::nullopt;
    case Kind::Integer:
        return std::to_string(std::get<std::int64_t>(m_data));
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
    case Kind::Real:
        return static_cast<std::int64_t>(std::get<double>(m_data));
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
        return std::strtod(std::get<std::string>(m_data).c_str(), nullptr);
    default:
        return 0.0;
    }
}

} // namespace trawler::db
