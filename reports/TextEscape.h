#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace trawler::reports {

// Texts read from a database are shown to a person (terminal, list, legend,
// message) only in a form that cannot steer a terminal: a stored ESC
// sequence must appear as the characters "\x1b[...", not take effect.
//
// displayText: tab, line feed and carriage return become \t \n \r; every
// other C0 control and DEL becomes \xHH; a C1 control (U+0080-U+009F, which
// some terminals obey as CSI and the like) becomes \u0080..\u009f; a byte
// that is not part of a well-formed UTF-8 sequence becomes \xHH. Everything
// else, Chinese included, stays as it is, so the result is valid UTF-8.
std::string displayText(std::string_view text);

// displayText with the backslash itself written as \\, so that a reader can
// undo the escapes (tab-separated output, one record per line).
std::string reversibleText(std::string_view text);

// True when displayText would change the text.
bool needsEscape(std::string_view text);

// A text for XML and HTML content and attribute values: displayText, then
// & < > " ' as character references.
std::string markupText(std::string_view text);

// Bytes as lower-case hexadecimal, two digits a byte ("1b5b").
std::string hexText(std::string_view bytes);

// Columns a terminal gives a valid UTF-8 text: East Asian wide characters
// take two cells, everything else one.
std::size_t displayWidth(std::string_view utf8);

// Length of the well-formed UTF-8 sequence at s[i] (1 to 4), or 0 when the
// byte there does not start one. codePoint receives its value.
std::size_t utf8Sequence(std::string_view s, std::size_t i, char32_t& codePoint);

} // namespace trawler::reports
