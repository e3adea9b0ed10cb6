#pragma once
#include <string>
#include <string_view>

namespace trawler::text {

// The value of one hexadecimal digit, -1 for any other character.
int hexValue(char c);

// Percent-encoding of URIs (RFC 3986, 2.1 and 2.3): every byte but the
// unreserved ASCII characters (letters, digits, "-._~") and those in
// `alsoKept` becomes "%XX" with upper-case digits. The test is on ASCII
// itself, so no locale lets a byte above 0x7f through.
std::string percentEncode(std::string_view s, std::string_view alsoKept = {});

// The reverse: each "%XX" with two hexadecimal digits becomes its byte; a
// "%" not followed by two such digits stays as it is.
std::string percentDecode(std::string_view s);

} // namespace trawler::text
