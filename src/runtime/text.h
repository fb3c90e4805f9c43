#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace korvalen {

// `text` without its trailing blanks.
std::string_view clipped(std::string_view text);

// The longest prefix of `text` of at most `maxBytes` bytes that does not end
// inside a UTF-8 character.
std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes);

// The one case rule of the program: every character mapped to its upper case
// (simple, one-to-one Unicode mapping). Case-insensitive keys, UPPER() in
// filters, the list locator and the thumb step tables all compare through it.
std::string upperCase(std::string_view text);

// Three-way comparison of upperCase(a) and upperCase(b), byte by byte, without
// building either string when both are plain ASCII.
int compareUpper(std::string_view a, std::string_view b);

// A fixed-width text field of N bytes, blank padded, never terminated.
// Values longer than N are cut, never inside a UTF-8 character. Equality and
// ordering ignore trailing blanks.
template <std::size_t N> class Text
{
public:
    static constexpr std::size_t width = N;

    Text() { m_bytes.fill(' '); }
    Text(std::string_view value) { assign(value); }
    Text(const char *value) { assign(value); }

    void assign(std::string_view value)
    {
        std::string_view fitted = utf8Prefix(value, N);
        std::copy(fitted.begin(), fitted.end(), m_bytes.begin());
        std::fill(m_bytes.begin() + fitted.size(), m_bytes.end(), ' ');
    }
    Text &operator=(std::string_view value)
    {
        assign(value);
        return *this;
    }
    Text &operator=(const char *value)
    {
        assign(value);
        return *this;
    }
    Text &operator=(const std::string &value)
    {
        assign(value);
        return *this;
    }

    void clear() { m_bytes.fill(' '); }

    // All N bytes, blanks included.
    std::string_view padded() const { return {m_bytes.data(), N}; }
    // The value without trailing blanks.
    std::string_view view() const { return clipped(padded()); }
    std::string str() const { return std::string(view()); }
    bool isBlank() const { return view().empty(); }

    friend bool operator==(const Text &a, const Text &b) { return a.m_bytes == b.m_bytes; }
    friend bool operator==(const Text &a, std::string_view b) { return a.view() == clipped(b); }
    friend bool operator==(const Text &a, const char *b) { return a.view() == clipped(b); }
    friend auto operator<=>(const Text &a, const Text &b) { return a.view() <=> b.view(); }

private:
    std::array<char, N> m_bytes;
};

} // namespace korvalen
