#include "NumberText.h"

#include <charconv>
#include <cmath>

namespace trawler::reports {

std::string fixedDecimal(double value, int decimals)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    // 309 integer digits at most, plus sign, point and decimals.
    char buffer[400];
    const int digits = decimals < 0 ? 0 : (decimals > 60 ? 60 : decimals);
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
    return std::string(buffer, result.ptr);
}

} // namespace trawler::reports
