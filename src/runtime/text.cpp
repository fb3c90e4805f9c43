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

std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to a character boundary.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

namespace {

// Decodes one UTF-8 character at `pos`; a malformed byte is taken as itself.
char32_t decode(std::string_view text, std::size_t &pos)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (extra == 0 || pos + extra >= text.size()) {
        ++pos;
        return lead;
    }
    char32_t code = lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return lead;
        }
        code = (code << 6) | (next & 0x3F);
    }
    pos += extra + 1;
    return code;
}

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
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c < 0x80) {
            out += static_cast<char>(upperOf(c));
            ++pos;
        } else {
            std::size_t start = pos;
            char32_t code = decode(text, pos);
            if (code == c && pos == start + 1)
                out += static_cast<char>(c); // malformed byte kept as it is
            else
                encode(upperOf(code), out);
        }
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
