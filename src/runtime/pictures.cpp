#include "runtime/pictures.h"

#include "runtime/text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace korvalen {

namespace {

constexpr int kMaxNumberWidth = 30;
constexpr int kMaxDecimals = 9;
// Digits of a number in units of its last decimal that an int64 always holds.
constexpr std::size_t kMaxScaledDigits = 18;
constexpr int kMaxTextWidth = 65535;
constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;
// The first day a typed date may name: day number 4. The three days before
// it have numbers 1 to 3, and 0 is "no date", so earlier days are refused.
constexpr int kFirstTypedYear = 1801;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool allDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (!isDigit(c))
            return false;
    return true;
}

// The value of a run of at most nine digits; callers check allDigits first.
int digitsValue(std::string_view digits)
{
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

std::int64_t powerOfTen(int exponent)
{
    std::int64_t result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

std::string_view shortMonthName(int month)
{
    return monthName(month).substr(0, 3);
}

// Four-digit year, zero padded below 1000.
std::string fourDigitYear(int year)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04d", year);
    return buffer;
}

std::string twoDigits(std::int64_t value)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02lld", static_cast<long long>(value));
    return buffer;
}

// ---- reading typed dates ----

// One word or number of a typed date, with the punctuation that separated it
// from the previous one: ' ' for blanks only, '\0' for nothing at all.
struct DateToken
{
    std::string_view text;
    bool isWord;
    char separator;
};

bool isDateSeparator(char c)
{
    return c == ',' || c == '/' || c == '-' || c == '.';
}

// Splits a typed date into words and numbers; nullopt when it holds any other
// character, two punctuation marks in a row, or leading or trailing ones.
std::optional<std::vector<DateToken>> dateTokens(std::string_view text)
{
    std::vector<DateToken> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        char separator = '\0';
        for (; pos < text.size(); ++pos) {
            const char c = text[pos];
            if (isBlank(c) && separator == '\0')
                separator = ' ';
            else if (isDateSeparator(c) && (separator == '\0' || separator == ' '))
                separator = c;
            else if (!isBlank(c))
                break;
        }
        if (pos == text.size())
            return std::nullopt; // trailing punctuation
        const std::size_t start = pos;
        const bool word = isLetter(text[pos]);
        while (pos < text.size() && (word ? isLetter(text[pos]) : isDigit(text[pos])))
            ++pos;
        if (pos == start || (tokens.empty() && separator != '\0'))
            return std::nullopt;
        tokens.push_back({text.substr(start, pos - start), word, separator});
    }
    return tokens;
}

// The month a word names: the full English name or a prefix of it of at least
// three letters, either case; 0 when it names none.
int monthFromWord(std::string_view word)
{
    if (word.size() < 3)
        return 0;
    for (int month = 1; month <= 12; ++month) {
        std::string_view name = monthName(month);
        if (word.size() > name.size())
            continue;
        bool matches = true;
        for (std::size_t i = 0; i < word.size() && matches; ++i)
            matches = lower(word[i]) == lower(name[i]);
        if (matches)
            return month;
    }
    return 0;
}

// A year of one or two digits (00..79 -> 2000s, 80..99 -> 1900s) or four.
std::optional<int> yearFromDigits(std::string_view digits)
{
    if (digits.size() <= 2) {
        const int year = digitsValue(digits);
        return year < 80 ? 2000 + year : 1900 + year;
    }
    if (digits.size() != 4)
        return std::nullopt;
    const int year = digitsValue(digits);
    if (year < kMinYear)
        return std::nullopt;
    return year;
}

// The date of month/day/year written as digits, when it exists.
std::optional<Date> checkedDate(std::string_view month, std::string_view day, std::string_view year)
{
    if (month.size() > 2 || day.size() > 2)
        return std::nullopt;
    const std::optional<int> y = yearFromDigits(year);
    const int m = digitsValue(month);
    const int d = digitsValue(day);
    if (!y || *y < kFirstTypedYear || m < 1 || m > 12 || d < 1 || d > daysInMonth(m, *y))
        return std::nullopt;
    return makeDate(m, d, *y);
}

std::optional<Date> parseDate(std::string_view typed)
{
    const std::optional<std::vector<DateToken>> tokens = dateTokens(typed);
    if (!tokens || tokens->size() != 3)
        return std::nullopt;
    const DateToken &a = (*tokens)[0];
    const DateToken &b = (*tokens)[1];
    const DateToken &c = (*tokens)[2];
    if (c.isWord)
        return std::nullopt;
    // "Dec 8 2026" and "8 Dec 2026": the month's name tells the order.
    if (a.isWord != b.isWord) {
        const DateToken &word = a.isWord ? a : b;
        const DateToken &day = a.isWord ? b : a;
        const int month = monthFromWord(word.text);
        if (month == 0)
            return std::nullopt;
        const std::string digits = std::to_string(month);
        return checkedDate(digits, day.text, c.text);
    }
    if (a.isWord || b.separator != c.separator || (b.separator != '/' && b.separator != '-'))
        return std::nullopt;
    if (a.text.size() == 4)
        return checkedDate(b.text, c.text, a.text);
    return checkedDate(a.text, b.text, c.text);
}

// ---- reading typed times ----

enum class Meridiem
{
    None,
    Am,
    Pm
};

// The AM or PM written after a time ("am", "PM", "a", "p.m."); nullopt for
// anything else.
std::optional<Meridiem> meridiemOf(std::string_view suffix)
{
    std::string letters;
    for (char c : trimmed(suffix))
        if (c != '.')
            letters += lower(c);
    if (trimmed(suffix).empty())
        return Meridiem::None;
    if (letters == "am" || letters == "a")
        return Meridiem::Am;
    if (letters == "pm" || letters == "p")
        return Meridiem::Pm;
    return std::nullopt;
}

// Hours, minutes and seconds as written, "00" for those left out: "9:05:30",
// "9:05", "9", or "905" and "0905" without the colon.
std::optional<std::array<std::string_view, 3>> timeParts(std::string_view body)
{
    std::array<std::string_view, 3> parts = {"", "00", "00"};
    std::size_t count = 0;
    for (;;) {
        const std::size_t colon = body.find(':');
        if (count == parts.size() || !allDigits(body.substr(0, colon)))
            return std::nullopt;
        parts[count++] = body.substr(0, colon);
        if (colon == std::string_view::npos)
            break;
        body.remove_prefix(colon + 1);
    }
    if (count == 1 && parts[0].size() > 2 && parts[0].size() <= 4) {
        parts[1] = parts[0].substr(parts[0].size() - 2);
        parts[0] = parts[0].substr(0, parts[0].size() - 2);
    }
    if (parts[0].size() > 2 || parts[1].size() != 2 || parts[2].size() != 2)
        return std::nullopt;
    return parts;
}

std::optional<ClockTime> parseTime(std::string_view typed)
{
    const std::size_t lastDigit = typed.find_last_of("0123456789");
    if (lastDigit == std::string_view::npos)
        return std::nullopt;
    const std::optional<Meridiem> meridiem = meridiemOf(typed.substr(lastDigit + 1));
    const auto parts = timeParts(typed.substr(0, lastDigit + 1));
    if (!meridiem || !parts)
        return std::nullopt;

    int hours = digitsValue((*parts)[0]);
    const int minutes = digitsValue((*parts)[1]);
    const int seconds = digitsValue((*parts)[2]);
    if (minutes > 59 || seconds > 59)
        return std::nullopt;
    if (*meridiem != Meridiem::None) {
        if (hours < 1 || hours > 12)
            return std::nullopt;
        hours = hours % 12 + (*meridiem == Meridiem::Pm ? 12 : 0);
    } else if (hours > 23) {
        return std::nullopt;
    }
    return hours * kHundredthsPerHour + minutes * kHundredthsPerMinute + seconds * 100 + 1;
}

} // namespace

// ---- the picture ----

std::optional<Picture> Picture::parse(std::string_view text)
{
    if (!text.empty() && text.front() == '@') {
        text.remove_prefix(1);
        // The list formats close a picture with a second '@'.
        if (!text.empty() && text.back() == '@')
            text.remove_suffix(1);
    }
    if (text.empty())
        return std::nullopt;
    Picture picture;
    const char letter = lower(text.front());
    text.remove_prefix(1);
    if (!text.empty() && text.back() == 'B') {
        picture.m_blankWhenZero = true;
        text.remove_suffix(1);
    }
    if (letter == 'n' && !text.empty() && text.front() == '-') {
        picture.m_allowsNegative = true;
        text.remove_prefix(1);
    }
    std::string_view decimals;
    if (letter == 'n' && text.find('.') != std::string_view::npos) {
        decimals = text.substr(text.find('.') + 1);
        text = text.substr(0, text.find('.'));
        if (!allDigits(decimals) || decimals.size() > 1)
            return std::nullopt;
    }
    if (!allDigits(text) || text.size() > 5)
        return std::nullopt;
    const int number = digitsValue(text);

    switch (letter) {
    case 'd':
        picture.m_kind = Kind::Date;
        picture.m_style = number;
        picture.m_width = number == 3 ? 11 : 18;
        return number == 3 || number == 4 ? std::optional(picture) : std::nullopt;
    case 't':
        picture.m_kind = Kind::Time;
        picture.m_style = number;
        picture.m_width = number == 1 ? 5 : 7;
        return number == 1 || number == 3 ? std::optional(picture) : std::nullopt;
    case 'n':
        picture.m_kind = Kind::Number;
        picture.m_width = number;
        picture.m_decimals = decimals.empty() ? 0 : digitsValue(decimals);
        if (number < 1 || number > kMaxNumberWidth || picture.m_decimals > kMaxDecimals ||
            (picture.m_decimals > 0 && number < picture.m_decimals + 2))
            return std::nullopt;
        return picture;
    case 's':
        picture.m_kind = Kind::Text;
        picture.m_width = number;
        if (number < 1 || number > kMaxTextWidth || picture.m_blankWhenZero)
            return std::nullopt;
        return picture;
    default:
        return std::nullopt;
    }
}

std::string Picture::overflow() const
{
    return std::string(static_cast<std::size_t>(m_width), '#');
}

std::string Picture::format(std::int64_t value) const
{
    switch (m_kind) {
    case Kind::Date:
        return formatDateValue(value);
    case Kind::Time:
        return formatTimeValue(value);
    case Kind::Number: {
        std::int64_t scaled = 0;
        if (__builtin_mul_overflow(value, powerOfTen(m_decimals), &scaled))
            return formatScaled(std::nullopt);
        return formatScaled(scaled);
    }
    case Kind::Text:
        break;
    }
    return formatText(std::to_string(value));
}

std::string Picture::formatNumber(double value) const
{
    // Beyond this a double no longer holds every whole number.
    constexpr double kLimit = 9.0e15;
    if (m_kind == Kind::Text) {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        return formatText(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
    }
    const double scaled = value * static_cast<double>(powerOfTen(m_decimals));
    if (!std::isfinite(scaled) || std::fabs(scaled) >= kLimit)
        return m_kind == Kind::Number ? formatScaled(std::nullopt) : overflow();
    if (m_kind == Kind::Number)
        return formatScaled(std::llround(scaled));
    return format(std::llround(value));
}

std::string Picture::formatText(std::string_view text) const
{
    if (m_kind != Kind::Text)
        return std::string(clipped(text));
    return std::string(clipped(utf8Prefix(text, static_cast<std::size_t>(m_width))));
}

std::string Picture::formatDateValue(std::int64_t value) const
{
    if (value == 0)
        return {};
    if (value < makeDate(1, 1, kMinYear) || value > makeDate(12, 31, kMaxYear))
        return overflow();
    const Date date = static_cast<Date>(value);
    const int month = monthOf(date);
    const std::string year = fourDigitYear(yearOf(date));
    if (m_style == 3)
        return std::string(shortMonthName(month)) + ' ' + twoDigits(dayOf(date)) + ',' + year;
    return std::string(monthName(month)) + ' ' + std::to_string(dayOf(date)) + ", " + year;
}

std::string Picture::formatTimeValue(std::int64_t value) const
{
    if (value == 0)
        return {};
    if (value < 0)
        return overflow();
    const std::int64_t totalMinutes = (value - 1) / kHundredthsPerMinute;
    const std::string minutes = twoDigits(totalMinutes % 60);
    if (m_style == 1)
        return std::to_string(totalMinutes / 60) + ':' + minutes;
    const std::int64_t hours = totalMinutes / 60 % 24;
    const std::int64_t clockHours = hours % 12 == 0 ? 12 : hours % 12;
    return std::to_string(clockHours) + ':' + minutes + (hours < 12 ? "AM" : "PM");
}

// A number held in units of its last decimal, right-aligned in the width;
// nullopt (a value out of range) fills the width with '#'.
std::string Picture::formatScaled(std::optional<std::int64_t> scaled) const
{
    if (!scaled)
        return overflow();
    if (*scaled == 0 && m_blankWhenZero)
        return {};
    if (*scaled < 0 && !m_allowsNegative)
        return overflow();
    const std::uint64_t magnitude =
        *scaled < 0 ? 0 - static_cast<std::uint64_t>(*scaled) : static_cast<std::uint64_t>(*scaled);
    const auto unit = static_cast<std::uint64_t>(powerOfTen(m_decimals));
    std::string shown = (*scaled < 0 ? "-" : "") + std::to_string(magnitude / unit);
    if (m_decimals > 0) {
        const std::string fraction = std::to_string(magnitude % unit);
        shown += '.' + std::string(static_cast<std::size_t>(m_decimals) - fraction.size(), '0') +
                 fraction;
    }
    if (shown.size() > static_cast<std::size_t>(m_width))
        return overflow();
    return std::string(static_cast<std::size_t>(m_width) - shown.size(), ' ') + shown;
}

// A typed number in units of the picture's last decimal, when it fits.
std::optional<std::int64_t> Picture::parseScaled(std::string_view typed) const
{
    bool negative = false;
    if (!typed.empty() && (typed.front() == '-' || typed.front() == '+')) {
        negative = typed.front() == '-';
        typed.remove_prefix(1);
    }
    if (negative && !m_allowsNegative)
        return std::nullopt;
    const std::size_t point = typed.find('.');
    const std::string_view whole = typed.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : typed.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || (!whole.empty() && !allDigits(whole)) ||
        (!fraction.empty() && !allDigits(fraction)) ||
        (point != std::string_view::npos && m_decimals == 0) ||
        fraction.size() > static_cast<std::size_t>(m_decimals) ||
        whole.size() > static_cast<std::size_t>(m_width) ||
        whole.size() + static_cast<std::size_t>(m_decimals) > kMaxScaledDigits)
        return std::nullopt;
    std::int64_t scaled = 0;
    for (char c : whole)
        scaled = scaled * 10 + (c - '0');
    scaled = scaled * powerOfTen(m_decimals) +
             (fraction.empty() ? 0 : digitsValue(fraction)) *
                 powerOfTen(m_decimals - static_cast<int>(fraction.size()));
    if (negative)
        scaled = -scaled;
    if (formatScaled(scaled).find('#') != std::string::npos)
        return std::nullopt;
    return scaled;
}

std::optional<std::int64_t> Picture::parseInput(std::string_view typed) const
{
    typed = trimmed(typed);
    if (typed.empty())
        return m_kind == Kind::Text ? std::nullopt : std::optional<std::int64_t>(0);
    switch (m_kind) {
    case Kind::Date:
        return parseDate(typed);
    case Kind::Time:
        return parseTime(typed);
    case Kind::Number: {
        const std::optional<std::int64_t> scaled = parseScaled(typed);
        const std::int64_t unit = powerOfTen(m_decimals);
        if (!scaled || *scaled % unit != 0)
            return std::nullopt;
        return *scaled / unit;
    }
    case Kind::Text:
        break;
    }
    return std::nullopt;
}

std::optional<double> Picture::parseNumber(std::string_view typed) const
{
    if (m_kind != Kind::Number)
        return std::nullopt;
    typed = trimmed(typed);
    if (typed.empty())
        return 0.0;
    const std::optional<std::int64_t> scaled = parseScaled(typed);
    if (!scaled)
        return std::nullopt;
    return static_cast<double>(*scaled) / static_cast<double>(powerOfTen(m_decimals));
}

std::string formatDate(Date date, std::string_view picture)
{
    const std::optional<Picture> parsed = Picture::parse(picture);
    return parsed ? parsed->format(date) : std::string();
}

std::string formatTime(ClockTime time, std::string_view picture)
{
    const std::optional<Picture> parsed = Picture::parse(picture);
    return parsed ? parsed->format(time) : std::string();
}

} // namespace korvalen
