#pragma once
#include <string>

namespace trawler::reports {

// A number with a fixed count of decimals and "." as the decimal point in
// every locale (legend percentages, chart coordinates): the C library's
// printf would follow LC_NUMERIC and print "59,9" under de_DE. Rounds
// correctly from the binary value, as printf does. NaN and infinities come
// out as "nan", "inf" and "-inf".
std::string fixedDecimal(double value, int decimals);

} // namespace trawler::reports
