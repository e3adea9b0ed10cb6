#pragma once
#include <string>
#include <string_view>

namespace trawler::text {

// The value of one hexadecimal digit, -1 for any other character.
int hexValue(char c);

enum class HexCase { Lower, Upper };

// The digit for 0..15.
constexpr char hexDigit(unsigned value, HexCase letters = HexCase::Lower)
{
    return (letters == HexCase::Lower ? "0123456789abcdef" : "0123456789ABCDEF")[value & 0x0f];
}

// Appends the byte as two hexadecimal digits.
inline void appendHex(std::string& out, unsigned char byte, HexCase letters = HexCase::Lower)
{
    out += hexDigit(byte >> 4, letters);
    out += hexDigit(byte, letters);
}

// Percent-encoding of URIs (RFC 3986, 2.1 and 2.3): every byte but the
// unreserved ASCII characters (letters, digits, "-._~") and those in
// `alsoKept` becomes "%XX" with upper-case digits. The test is on ASCII
// itself, so no locale lets a byte above 0x7f through.
std::string percentEncode(std::string_view s, std::string_view alsoKept = {});

// The reverse: each "%XX" with two hexadecimal digits becomes its byte; a
// "%" not followed by two such digits stays as it is.
std::string percentDecode(std::string_view s);

} // namespace trawler::text
