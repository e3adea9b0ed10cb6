// The shared text forms: the address texts the parser stores, the dialog and
// the command line accept and the detectors read back; trimming; the hex
// digits and percent-encoding of database names.
#include "text/AddressText.h"
#include "text/Hex.h"
#include "text/Trim.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <random>

#include <string>

using namespace trawler::text;

TEST(AddressText, Ipv4TextRoundTrips)
{
    for (std::uint32_t address : {0u, 0x0a006407u, 0xc0a80001u, 0xffffffffu}) {
        char ip[kIpv4TextSize];
        const std::size_t length = formatIpv4(address, ip);
        EXPECT_EQ(parseIpv4(std::string(ip, length)), address) << ip;
    }
}

TEST(AddressText, Ipv4RefusesAllButFourPlainDecimals)
{
    using std::string;
    for (const string& bad : {string(), string("1.2.3"), string("1.2.3.4."), string(" 1.2.3.4"), string("1.2.3.4 "),
                              string("+1.2.3.4"), string("01.2.3.4"), string("1.2.3.00"), string("0x1.2.3.4"),
                              string("1.2.3.256"), string("1.2.3.4\n"), string("1.2.3.4\0", 8), string("1.2\0.3.4", 8),
                              string("1111.2.3.4"), string("255.255.255.2555")})
        EXPECT_FALSE(parseIpv4(bad)) << bad;
    EXPECT_EQ(parseIpv4("10.0.0.0"), 0x0a000000u);
}

// The reader is written by hand for speed; it must take exactly what the C
// library's AF_INET reader takes. Random texts of digits and dots (and a few
// other bytes) find the corners a list of cases misses.
TEST(AddressText, Ipv4AgreesWithTheCLibraryReader)
{
    std::mt19937 random(7);
    const std::string alphabet = "0123456789..........0125 x";
    for (int n = 0; n < 200000; ++n) {
        std::string s(random() % 18, ' ');
        for (char& c : s)
            c = alphabet[random() % alphabet.size()];
        in_addr address{};
        const bool taken = ::inet_pton(AF_INET, s.c_str(), &address) == 1;
        const std::optional<std::uint32_t> parsed = parseIpv4(s);
        ASSERT_EQ(parsed.has_value(), taken) << '"' << s << '"';
        if (taken) {
            ASSERT_EQ(*parsed, ntohl(address.s_addr)) << s;
        }
    }
}

TEST(AddressText, MacIsLowerCaseHyphenated)
{
    const std::uint8_t bytes[6] = {0x00, 0x0c, 0x29, 0xab, 0xcd, 0xff};
    char mac[kMacTextSize];
    EXPECT_EQ(std::string(mac, formatMac(bytes, mac)), "00-0c-29-ab-cd-ff");
}

TEST(Trim, SpaceAroundGoesBlanksOnlyAtTheEnd)
{
    EXPECT_EQ(trimSpace(" \t\r\n 10.0.0.1 \v\f"), "10.0.0.1");
    EXPECT_EQ(trimSpace(" a b "), "a b");
    EXPECT_EQ(trimSpace(" \t "), "");
    // Bytes above 0x7f are text, whatever the locale calls them.
    EXPECT_EQ(trimSpace("\xa0x\x85"), "\xa0x\x85");
    EXPECT_EQ(trimTrailingBlanks(" a\t  "), " a\t");
}

TEST(Hex, DigitsAndPercentEncoding)
{
    EXPECT_EQ(hexValue('0'), 0);
    EXPECT_EQ(hexValue('f'), 15);
    EXPECT_EQ(hexValue('F'), 15);
    for (char c : {'g', 'G', '/', ':', '@', '`', ' ', '\0', '\xff'})
        EXPECT_EQ(hexValue(c), -1) << int(c);

    // Bytes above 0x7f are always encoded, whatever the locale.
    const std::string raw = "lan 1/é?#%~._-Az9";
    EXPECT_EQ(percentEncode(raw), "lan%201%2F%C3%A9%3F%23%25~._-Az9");
    EXPECT_EQ(percentEncode(raw, "/"), "lan%201/%C3%A9%3F%23%25~._-Az9");
    EXPECT_EQ(percentDecode(percentEncode(raw)), raw);
    // A "%" without two digits after it is kept as it is.
    EXPECT_EQ(percentDecode("100%"), "100%");
    EXPECT_EQ(percentDecode("%4"), "%4");
    EXPECT_EQ(percentDecode("%zz%41"), "%zzA");
}
