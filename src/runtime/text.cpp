#include "runtime/text.h"

#include <QChar>

namespace korvalen {

std::string_view clipped(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    return text.substr(0, end);
}

namespace {

// The well-formed UTF-8 character at `pos`: its code and length in bytes.
// Length 0 when the bytes there begin none (see text.h).
struct Decoded
{
    char32_t code = 0;
    std::size_t length = 0;
};

Decoded decodeAt(std::string_view text, std::size_t pos)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80)
        return {lead, 1};
    // C0 and C1 could only begin overlong forms; F5 and up lie beyond U+10FFFF.
    if (lead < 0xC2 || lead > 0xF4)
        return {};
    const std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    if (pos + extra >= text.size())
        return {};
    char32_t code = lead & (0x3F >> extra);
    for (std::size_t i = 1; i <= extra; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80)
            return {};
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
    const bool overlong = code < kShortest[extra];
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (overlong || surrogate || code > 0x10FFFF)
        return {};
    return {code, extra + 1};
}

// The bytes of the character at `pos`: a well-formed one's length, else 1.
std::size_t characterBytes(std::string_view text, std::size_t pos)
{
    if (static_cast<unsigned char>(text[pos]) < 0x80)
        return 1;
    return std::max<std::size_t>(decodeAt(text, pos).length, 1);
}

} // namespace

std::size_t utf8Length(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += characterBytes(text, pos))
        ++count;
    return count;
}

std::string_view utf8Prefix(std::string_view text, std::size_t maxCharacters)
{
    std::size_t pos = 0;
    for (std::size_t count = 0; count < maxCharacters && pos < text.size(); ++count)
        pos += characterBytes(text, pos);
    return text.substr(0, pos);
}

namespace {

void encode(char32_t code, std::string &out)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

char32_t upperOf(char32_t code)
{
    if (code < 0x80)
        return (code >= 'a' && code <= 'z') ? code - ('a' - 'A') : code;
    return QChar::toUpper(code);
}

} // namespace

std::string upperCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const Decoded decoded = decodeAt(text, pos);
        if (decoded.length == 0) {
            out += text[pos++]; // begins no character: kept as it is
            continue;
        }
        if (decoded.code < 0x80)
            out += static_cast<char>(upperOf(decoded.code));
        else
            encode(upperOf(decoded.code), out);
        pos += decoded.length;
    }
    return out;
}

int compareUpper(std::string_view a, std::string_view b)
{
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if ((x | y) & 0x80) {
            // A non-ASCII character: compare the rest through the full mapping.
            std::string ua = upperCase(a.substr(i));
            std::string ub = upperCase(b.substr(i));
            int r = ua.compare(ub);
            return r < 0 ? -1 : r > 0 ? 1 : 0;
        }
        char32_t ux = upperOf(x);
        char32_t uy = upperOf(y);
        if (ux != uy)
            return ux < uy ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace korvalen
