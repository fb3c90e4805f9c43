#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvalen {

// `text` without its trailing blanks.
std::string_view clipped(std::string_view text);

// Texts are UTF-8. A character is one well-formed UTF-8 sequence; a byte that
// begins none (a stray continuation byte, an overlong form, a surrogate, a
// code beyond U+10FFFF, a sequence cut short) counts as one character of its
// own, so that no text is ever refused or lost, and never decodes to the
// character an honest encoding would give.

// The number of characters in `text`.
std::size_t utf8Length(std::string_view text);

// The longest prefix of `text` of at most `maxCharacters` characters; it
// never ends inside a character.
std::string_view utf8Prefix(std::string_view text, std::size_t maxCharacters);

// The one case rule of the program: every character mapped to its upper case
// (simple, one-to-one Unicode mapping). Case-insensitive keys, UPPER() in
// filters, the list locator and the thumb step tables all compare through it.
// Bytes that begin no character are kept as they are.
std::string upperCase(std::string_view text);

// Three-way comparison of upperCase(a) and upperCase(b), byte by byte, without
// building either string when both are plain ASCII.
int compareUpper(std::string_view a, std::string_view b);

// A fixed-width text field of N characters, blank padded, never terminated.
// A character may take up to four bytes, so the field holds 4 * N bytes at
// most. Values longer than N characters are cut after the Nth, never inside
// a character. Equality and ordering ignore trailing blanks.
template <std::size_t N> class Text
{
public:
    // The width in characters.
    static constexpr std::size_t width = N;
    // The most bytes the padded value can take.
    static constexpr std::size_t maxBytes = 4 * N;

    Text() { clear(); }
    Text(std::string_view value) { assign(value); }
    Text(const char *value) { assign(value); }

    void assign(std::string_view value)
    {
        std::string_view fitted = utf8Prefix(value, N);
        std::copy(fitted.begin(), fitted.end(), m_bytes.begin());
        // Blanks for the characters the value leaves free.
        const std::size_t blanks = N - utf8Length(fitted);
        std::fill_n(m_bytes.begin() + fitted.size(), blanks, ' ');
        m_size = static_cast<std::uint16_t>(fitted.size() + blanks);
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

    void clear()
    {
        std::fill_n(m_bytes.begin(), N, ' ');
        m_size = N;
    }

    // The value padded with blanks to N characters.
    std::string_view padded() const { return {m_bytes.data(), m_size}; }
    // The value without trailing blanks.
    std::string_view view() const { return clipped(padded()); }
    std::string str() const { return std::string(view()); }
    bool isBlank() const { return view().empty(); }

    friend bool operator==(const Text &a, const Text &b) { return a.padded() == b.padded(); }
    friend bool operator==(const Text &a, std::string_view b) { return a.view() == clipped(b); }
    friend bool operator==(const Text &a, const char *b) { return a.view() == clipped(b); }
    friend auto operator<=>(const Text &a, const Text &b) { return a.view() <=> b.view(); }

private:
    static_assert(N > 0 && 4 * N <= UINT16_MAX);

    // Invariant: bytes [0, m_size) hold the value followed by blanks, N
    // characters in all; the bytes after them mean nothing.
    std::array<char, 4 * N> m_bytes{};
    std::uint16_t m_size = 0;
};

} // namespace korvalen
