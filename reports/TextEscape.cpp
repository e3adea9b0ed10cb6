#include "TextEscape.h"

#include "text/Hex.h"

namespace trawler::reports {

namespace {

void appendHexByte(std::string& out, unsigned char c, const char* prefix)
{
    out += prefix;
    text::appendHex(out, c);
}

bool plainAscii(unsigned char c)
{
    return c >= 0x20 && c < 0x7F;
}

std::string escape(std::string_view text, bool doubleBackslash)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (plainAscii(c)) {
            if (c == '\\' && doubleBackslash)
                out += '\\';
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        switch (c) {
        case '\t': out += "\\t"; ++i; continue;
        case '\n': out += "\\n"; ++i; continue;
        case '\r': out += "\\r"; ++i; continue;
        default: break;
        }
        if (c < 0x80) {   // the other C0 controls and DEL
            appendHexByte(out, c, "\\x");
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = utf8Sequence(text, i, cp);
        if (len == 0) {
            appendHexByte(out, c, "\\x");
            ++i;
        } else if (cp >= 0x80 && cp <= 0x9F) {
            appendHexByte(out, static_cast<unsigned char>(cp), "\\u00");
            i += len;
        } else {
            out.append(text.substr(i, len));
            i += len;
        }
    }
    return out;
}

} // namespace

std::size_t utf8Sequence(std::string_view s, std::size_t i, char32_t& codePoint)
{
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        codePoint = c;
        return 1;
    }
    std::size_t len = 0;
    char32_t cp = 0;
    char32_t least = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
        least = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
        least = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
        least = 0x10000;
    } else {
        return 0;   // continuation byte, C0/C1 lead of an overlong form, or F5..FF
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not UTF-8 (RFC 3629).
    if (cp < least || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return 0;
    codePoint = cp;
    return len;
}

bool needsEscape(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (plainAscii(c)) {
            ++i;
            continue;
        }
        if (c < 0x80)
            return true;
        char32_t cp = 0;
        const std::size_t len = utf8Sequence(text, i, cp);
        if (len == 0 || cp <= 0x9F)
            return true;
        i += len;
    }
    return false;
}

std::string displayText(std::string_view text)
{
    if (!needsEscape(text))
        return std::string(text);
    return escape(text, false);
}

std::string reversibleText(std::string_view text)
{
    if (text.find('\\') == std::string_view::npos && !needsEscape(text))
        return std::string(text);
    return escape(text, true);
}

std::string markupText(std::string_view text)
{
    const std::string shown = displayText(text);
    std::string out;
    out.reserve(shown.size());
    for (char c : shown) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string hexText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        text::appendHex(out, static_cast<unsigned char>(ch));
    }
    return out;
}

std::size_t displayWidth(std::string_view utf8)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const std::size_t len = utf8Sequence(utf8, i, cp);
        if (len == 0) {
            ++width;
            ++i;
            continue;
        }
        i += len;
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF)
            || (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F)
            || (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
        width += wide ? 2 : 1;
    }
    return width;
}

} // namespace trawler::reports
