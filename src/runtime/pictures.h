#pragma once

#include "runtime/dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvalen {

// A display picture: how a date, time, number or text is shown in a list,
// an entry field or a report, and how typed input is read back.
//
// Written as "@D3", "D3", "@T3B", "@n-13", "@N5.1", "@s10", or as list
// formats spell them, closed by a second '@' ("@T3B@", "@n-13@"): the
// leading '@' is optional, a trailing 'B' shows zero as blank, and the letter
// may be of either case. The pictures understood:
//
//   D3     "Dec 08,2026": abbreviated month, blank, two-digit day, comma,
//          four-digit year: always 11 characters, the first six month and
//          day.
//   D4     "December 8, 2026": full month name, blank, day, comma, blank,
//          four-digit year (at most 18 characters).
//   T1     "1:00", "13:45": 24-hour hours (h:mm) and minutes; also durations.
//          Also used for durations held as time values, so a value beyond
//          one day shows its total hours ("25:00").
//   T3     "9:05AM", "12:00PM" (noon), "12:00AM" (midnight): 12-hour hours
//          without leading zero. A value beyond one day wraps into the day.
//   nW, n-W, nW.D (N alike)
//          a number right-aligned in W characters, the sign and decimal point
//          included, without thousands separators; '-' allows a leading minus,
//          ".D" shows D decimals (N5.1 shows 42.25 as " 42.3", halves rounded
//          away from zero). A value that does not fit, or a negative value in
//          a picture without '-', fills the width with '#'.
//   sW (S alike)
//          text of W characters (whatever their UTF-8 length), cut after the
//          Wth, trailing blanks removed.
//
// A date or time of 0 means "none" and is always shown blank, with or without
// B. Seconds and hundredths of a time are not shown (they are dropped, not
// rounded). Dates outside the years 1 to 9999 and negative times fill the
// width with '#'.
//
// Typed input (parseInput) accepts, with blanks around it ignored:
//   dates  "Dec 8,2026", "Dec 8, 2026", "december 8 2026", "Dec. 8 2026",
//          "8 Dec 2026", "8-Dec-2026" (a month name or any prefix of it of at
//          least three letters, either case), "12/8/2026", "12/08/26",
//          "12-8-2026" (month first), "2026-12-08" and "2026/12/08" (a
//          four-digit year first). A year of one or two digits is read as
//          2000..2079 for 00..79 and 1980..1999 for 80..99; otherwise the year
//          has four digits. Impossible dates (30 February, month 13, day 0)
//          are rejected, and so is a date without a year or before
//          1 January 1801 (the first day a date field holds: the day number
//          0 means "no date").
//          Numbers separated by '.' are rejected: 8.12.2026 is read as day
//          first by many people and month first by others.
//   times  "9:05AM", "9:05 am", "9:05 a.m.", "9am", "9 p", "21:05", "9:05",
//          "9:05:30", and digits alone: one or two digits are hours ("9",
//          "21"), three or four are hours and minutes ("905", "0905", "2105").
//          With AM or PM the hour runs 1..12 (12AM is midnight, 12PM noon);
//          without it 0..23. Minutes and seconds take exactly two digits,
//          0..59. Any time picture accepts any of these forms.
//   numbers an optional sign ('-' only where the picture allows it; '+' is
//          ignored), digits, and for a picture with decimals a point and at
//          most that many decimals. The number must fit the picture's width
//          as it would be shown.
// Blank input is 0 ("no date", "no time", zero) for every date, time and
// number picture.
class Picture
{
public:
    enum class Kind
    {
        Date,
        Time,
        Number,
        Text
    };

    // The picture written in `picture`, or nullopt when it is not one of the
    // pictures above (unknown letter or style, missing or zero width, more
    // decimals than the width holds, 'B' on a text picture, anything extra).
    static std::optional<Picture> parse(std::string_view picture);

    Kind kind() const { return m_kind; }
    // 3 or 4 for a date picture, 1 or 3 for a time picture, 0 otherwise.
    int style() const { return m_style; }
    // The most characters the picture shows: 11 for D3, 18 for D4, 5 for T1
    // (within a day), 7 for T3, W for numbers and text.
    int width() const { return m_width; }
    // Decimal places of a number picture; 0 for the others.
    int decimals() const { return m_decimals; }
    // True when a number picture shows negative values.
    bool allowsNegative() const { return m_allowsNegative; }
    // True when zero is shown blank ('B').
    bool isBlankWhenZero() const { return m_blankWhenZero; }

    // `value` shown in this picture: a Date for date pictures, a ClockTime for
    // time pictures, a whole number for number pictures (shown with zero
    // decimals, "12.0"), and the number's decimal digits cut to the width for
    // text pictures.
    std::string format(std::int64_t value) const;

    // `value` shown in a number picture, rounded to its decimals (a NaN or
    // infinite value fills the width with '#'). Date and time pictures show the
    // value rounded to a whole day or hundredth; text pictures show its
    // shortest decimal form cut to the width.
    std::string formatNumber(double value) const;

    // `text` cut after a text picture's width in characters, without
    // trailing blanks. Other pictures return `text` without trailing
    // blanks and uncut.
    std::string formatText(std::string_view text) const;

    // The value typed into an entry field with this picture (see above), or
    // nullopt when the text does not fit the picture; the field then rejects
    // it. A number picture with decimals accepts only whole values here
    // ("12" or "12.0"); parseNumber reads fractions. Text pictures always
    // give nullopt: their value is the text itself.
    std::optional<std::int64_t> parseInput(std::string_view typed) const;

    // The number typed into a number picture, fractions included ("42.5" in
    // N5.1); nullopt when it does not fit or the picture is not a number one.
    std::optional<double> parseNumber(std::string_view typed) const;

private:
    Picture() = default;

    std::string formatDateValue(std::int64_t value) const;
    std::string formatTimeValue(std::int64_t value) const;
    std::string formatScaled(std::optional<std::int64_t> scaled) const;
    std::optional<std::int64_t> parseScaled(std::string_view typed) const;
    std::string overflow() const;

    // All constant after parse().
    Kind m_kind = Kind::Text;
    int m_style = 0;
    int m_width = 0;
    int m_decimals = 0;
    bool m_allowsNegative = false;
    bool m_blankWhenZero = false;
};

// `date` in `picture` (a date picture, "D3" unless given); blank for 0 and for
// a picture that does not parse.
std::string formatDate(Date date, std::string_view picture = "D3");

// `time` in `picture` (a time picture, "T3" unless given); blank for 0 and for
// a picture that does not parse.
std::string formatTime(ClockTime time, std::string_view picture = "T3");

} // namespace korvalen
