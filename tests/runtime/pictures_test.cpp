#include "runtime/pictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvalen {
namespace {

constexpr ClockTime at(int hours, int minutes, int seconds = 0)
{
    return hours * kHundredthsPerHour + minutes * kHundredthsPerMinute + seconds * 100 + 1;
}

Picture picture(std::string_view text)
{
    const std::optional<Picture> parsed = Picture::parse(text);
    EXPECT_TRUE(parsed.has_value()) << text;
    return parsed.value_or(*Picture::parse("s1"));
}

TEST(PictureTest, ParsesTheWrittenForms)
{
    using Kind = Picture::Kind;
    struct Case
    {
        const char *text;
        Kind kind;
        int style, width, decimals;
        bool negative, blank;
    };
    const Case cases[] = {
        {"@D3", Kind::Date, 3, 11, 0, false, false},
        {"D3", Kind::Date, 3, 11, 0, false, false},
        {"@d4", Kind::Date, 4, 18, 0, false, false},
        {"@D3B", Kind::Date, 3, 11, 0, false, true},
        {"@T1", Kind::Time, 1, 5, 0, false, false},
        {"@T3B", Kind::Time, 3, 7, 0, false, true},
        {"@n-13", Kind::Number, 0, 13, 0, true, false},
        {"@n2", Kind::Number, 0, 2, 0, false, false},
        {"n4", Kind::Number, 0, 4, 0, false, false},
        {"@N3B", Kind::Number, 0, 3, 0, false, true},
        {"@N5.1", Kind::Number, 0, 5, 1, false, false},
        {"@n-6.2B", Kind::Number, 0, 6, 2, true, true},
        {"@s10", Kind::Text, 0, 10, 0, false, false},
        {"@S40", Kind::Text, 0, 40, 0, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<Picture> parsed = Picture::parse(c.text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->kind(), c.kind);
        EXPECT_EQ(parsed->style(), c.style);
        EXPECT_EQ(parsed->width(), c.width);
        EXPECT_EQ(parsed->decimals(), c.decimals);
        EXPECT_EQ(parsed->allowsNegative(), c.negative);
        EXPECT_EQ(parsed->isBlankWhenZero(), c.blank);
    }
}

TEST(PictureTest, RejectsMalformedPictures)
{
    for (const char *text :
         {"",      "@",    "@@D3", "@D",    "@D5",  "@D33",    "@T2",    "@X3",  "@n",
          "@n0",   "@n-",  "@n-B", "@n3.2", "@n5.", "@n5.1.2", "@n5.12", "@s",   "@s0",
          "@s10B", "@D3 ", " @D3", "@D3x",  "@T3b", "@s-5",    "@D-3",   "@T1.1"}) {
        EXPECT_FALSE(Picture::parse(text).has_value()) << '"' << text << '"';
    }
}

struct FormatCase
{
    const char *picture;
    std::int64_t value;
    const char *expected;
};

TEST(PictureTest, FormatsDatesTimesAndWholeNumbers)
{
    const FormatCase cases[] = {
        {"@D3", makeDate(12, 8, 2026), "Dec 08,2026"},
        {"@D3", makeDate(12, 18, 2026), "Dec 18,2026"},
        {"@D3", makeDate(1, 1, 1801), "Jan 01,1801"},
        {"@D3", makeDate(9, 30, 999), "Sep 30,0999"},
        {"@D3", 0, ""},
        {"@D3B", 0, ""},
        {"@D3", makeDate(1, 1, 10000), "###########"},
        {"@D3", makeDate(12, 31, 0), "###########"},
        {"@D4", makeDate(12, 8, 2026), "December 8, 2026"},
        {"@D4", makeDate(9, 30, 2026), "September 30, 2026"},
        {"@D4", 0, ""},
        {"@T1", at(1, 0), "1:00"},
        {"@T1", at(13, 45), "13:45"},
        {"@T1", at(0, 0), "0:00"},
        {"@T1", at(23, 59, 59) + 99, "23:59"},
        {"@T1", at(25, 30), "25:30"},
        {"@T1", 0, ""},
        {"@T3", at(9, 5), "9:05AM"},
        {"@T3", at(9, 5, 59), "9:05AM"},
        {"@T3", at(12, 0), "12:00PM"},
        {"@T3", 4320400, "12:00PM"},
        {"@T3", at(0, 0), "12:00AM"},
        {"@T3", at(0, 30), "12:30AM"},
        {"@T3", at(11, 59), "11:59AM"},
        {"@T3", at(13, 0), "1:00PM"},
        {"@T3", at(23, 59), "11:59PM"},
        {"@T3", at(24 + 1, 0), "1:00AM"},
        {"@T3", 0, ""},
        {"@T3B", 0, ""},
        {"@T3", -5, "#######"},
        {"@n4", 2026, "2026"},
        {"@n4", 7, "   7"},
        {"@n4", 0, "   0"},
        {"@n4B", 0, ""},
        {"@n4", 12345, "####"},
        {"@n4", -1, "####"},
        {"@n2", 3, " 3"},
        {"@n2", 99, "99"},
        {"@n2", 100, "##"},
        {"@N2", 42, "42"},
        {"@N3", 7, "  7"},
        {"@N3B", 0, ""},
        {"@n-13", -1234567, "     -1234567"},
        {"@n-13", 1234567, "      1234567"},
        {"@n-13", -123456789012, "-123456789012"},
        {"@n-13", -1234567890123, "#############"},
        {"@n-13", 0, "            0"},
        {"@n-13B", 0, ""},
        {"@n-2", -9, "-9"},
        {"@n-2", -10, "##"},
        {"@n-13", std::numeric_limits<std::int64_t>::min(), "#############"},
        {"@N5.1", 12, " 12.0"},
        {"@N5.1", 999, "999.0"},
        {"@N5.1", 1000, "#####"},
        {"@N5.1", std::numeric_limits<std::int64_t>::max(), "#####"},
        {"@s3", 12345, "123"},
    };
    for (const FormatCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture << " " << c.value);
        EXPECT_EQ(picture(c.picture).format(c.value), c.expected);
    }
}

TEST(PictureTest, FormatsFractions)
{
    struct Case
    {
        const char *picture;
        double value;
        const char *expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"@N5.1", 42.25, " 42.3"},
        {"@N5.1", 42.24, " 42.2"},
        {"@N5.1", 0.0, "  0.0"},
        {"@N5.1", 100.0, "100.0"},
        {"@N5.1", 99.96, "100.0"},
        {"@N5.1", 999.96, "#####"},
        {"@N5.1", 0.05, "  0.1"},
        {"@N5.1", -1.0, "#####"},
        {"@n-5.1", -0.04, "  0.0"},
        {"@n-5.1", -0.25, " -0.3"},
        {"@n-5.1", -99.9, "-99.9"},
        {"@n-5.1", -100.0, "#####"},
        {"@N5.1B", 0.04, ""},
        {"@N5.1", nan, "#####"},
        {"@N5.1", infinity, "#####"},
        {"@N5.1", 1e300, "#####"},
        {"@n-8.3", -1.0625, "  -1.063"},
        {"@N3", 2.5, "  3"},
        {"@N3", 2.49, "  2"},
        {"@N3", 1e16, "###"},
        {"@D3", 82525.4, "Dec 08,2026"},
        {"@T1", 360001.0, "1:00"},
        {"@s4", 2.5, "2.5"},
        {"@s2", 2.5, "2."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture << " " << c.value);
        EXPECT_EQ(picture(c.picture).formatNumber(c.value), c.expected);
    }
}

TEST(PictureTest, FormatsTextCutAtCharacterBoundaries)
{
    struct Case
    {
        const char *picture;
        std::string_view text;
        const char *expected;
    };
    const Case cases[] = {
        {"@s10", "Hello", "Hello"},
        {"@s5", "Hello world", "Hello"},
        {"@s6", "Hello world", "Hello"},
        {"@s10", "  indented  ", "  indented"},
        {"@s10", "", ""},
        {"@s4", "Grüße", "Grüß"},
        {"@s3", "Grüße", "Grü"}, // characters, not bytes
        {"@s2", "€uro", "€u"},
        {"@s4", "€uro", "€uro"},
        {"@s1", "😀!", "😀"}, // a four-byte character
        {"@S40", "Dentist", "Dentist"},
        {"@D3", "Dec 8,2026   ", "Dec 8,2026"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture << " \"" << c.text << '"');
        EXPECT_EQ(picture(c.picture).formatText(c.text), c.expected);
    }
}

struct InputCase
{
    const char *picture;
    const char *typed;
    std::optional<std::int64_t> expected;
};

void expectInputs(const std::vector<InputCase> &cases)
{
    for (const InputCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture << " \"" << c.typed << '"');
        EXPECT_EQ(picture(c.picture).parseInput(c.typed), c.expected);
    }
}

TEST(PictureInputTest, Dates)
{
    const std::int64_t dec8 = makeDate(12, 8, 2026);
    const std::nullopt_t no = std::nullopt;
    expectInputs({
        {"@D3", "Dec 8,2026", dec8},
        {"@D3", "Dec 8, 2026", dec8},
        {"@D3", "december 8 2026", dec8},
        {"@D3", "DEC 8 2026", dec8},
        {"@D3", "Dec. 8 2026", dec8},
        {"@D3", "Decem 08, 2026", dec8},
        {"@D3", "8 Dec 2026", dec8},
        {"@D3", "8-Dec-2026", dec8},
        {"@D3", "  Dec 8,2026  ", dec8},
        {"@D3", "12/8/2026", dec8},
        {"@D3", "12/08/26", dec8},
        {"@D3", "12-8-2026", dec8},
        {"@D3", "2026-12-08", dec8},
        {"@D3", "2026/12/8", dec8},
        {"@D4", "December 8, 2026", dec8},
        {"@D3B", "12/8/2026", dec8},
        {"@D3", "Sept 30, 2026", makeDate(9, 30, 2026)},
        {"@D3", "1/1/00", makeDate(1, 1, 2000)},
        {"@D3", "1/1/79", makeDate(1, 1, 2079)},
        {"@D3", "1/1/80", makeDate(1, 1, 1980)},
        {"@D3", "1/1/99", makeDate(1, 1, 1999)},
        {"@D3", "1/1/5", makeDate(1, 1, 2005)},
        {"@D3", "2/29/2024", makeDate(2, 29, 2024)},
        {"@D3", "Feb 29 2000", makeDate(2, 29, 2000)},
        {"@D3", "1/1/1801", makeDate(1, 1, 1801)},
        {"@D3", "12/31/9999", makeDate(12, 31, 9999)},
        {"@D3", "", 0},
        {"@D4", "   ", 0},
        {"@D3", "Feb 30, 2026", no},
        {"@D3", "2/29/2026", no},
        {"@D3", "2/29/1900", no},
        {"@D3", "13/1/2026", no},
        {"@D3", "0/1/2026", no},
        {"@D3", "12/0/2026", no},
        {"@D3", "12/32/2026", no},
        {"@D3", "Dec 32, 2026", no},
        {"@D3", "2026-13-01", no},
        {"@D3", "2026-02-30", no},
        {"@D3", "1/1/0000", no},
        {"@D3", "1/1/0001", no},
        {"@D3", "Dex 8 2026", no},
        {"@D3", "De 8 2026", no},
        {"@D3", "Decembers 8 2026", no},
        {"@D3", "Dec 8", no},
        {"@D3", "12/8", no},
        {"@D3", "8.12.2026", no},
        {"@D3", "12/8-2026", no},
        {"@D3", "12 8 2026", no},
        {"@D3", "12//8/2026", no},
        {"@D3", "/12/8/2026", no},
        {"@D3", "12/8/2026/", no},
        {"@D3", "12/8/202", no},
        {"@D3", "12/8/20266", no},
        {"@D3", "123/1/2026", no},
        {"@D3", "Dec 8 2026 9:00", no},
        {"@D3", "Dec Jan 2026", no},
        {"@D3", "8 2026 Dec", no},
        {"@D3", "hello", no},
        {"@D3", "82525", no},
        {"@D3", "Dec 8,2026!", no},
    });
}

TEST(PictureInputTest, Times)
{
    const std::nullopt_t no = std::nullopt;
    expectInputs({
        {"@T3", "9:05AM", at(9, 5)},
        {"@T3", "9:05 am", at(9, 5)},
        {"@T3", "9:05 a.m.", at(9, 5)},
        {"@T3", "9am", at(9, 0)},
        {"@T3", "9 p", at(21, 0)},
        {"@T3", "9:05PM", at(21, 5)},
        {"@T3", "21:05", at(21, 5)},
        {"@T3", "9:05", at(9, 5)},
        {"@T3", "09:05", at(9, 5)},
        {"@T3", "9:05:30", at(9, 5, 30)},
        {"@T3", "0905", at(9, 5)},
        {"@T3", "905", at(9, 5)},
        {"@T3", "2105", at(21, 5)},
        {"@T3", "9", at(9, 0)},
        {"@T3", "12:00AM", 1},
        {"@T3", "12am", 1},
        {"@T3", "12:00PM", at(12, 0)},
        {"@T3", "12:30 pm", at(12, 30)},
        {"@T3", "0:00", 1},
        {"@T3", "23:59", at(23, 59)},
        {"@T3", " 9:05AM ", at(9, 5)},
        {"@T3B", "", 0},
        {"@T3", "", 0},
        {"@T1", "13:45", at(13, 45)},
        {"@T1", "1:00", 360001},
        {"@T1", "1pm", at(13, 0)},
        {"@T3", "25:00", no},
        {"@T3", "24:00", no},
        {"@T3", "9:75", no},
        {"@T3", "9:60", no},
        {"@T3", "9:5", no},
        {"@T3", "23:60", no},
        {"@T3", "9:005", no},
        {"@T3", "13pm", no},
        {"@T3", "0am", no},
        {"@T3", "0:30am", no},
        {"@T3", "9:05xm", no},
        {"@T3", "9:05 .", no},
        {"@T3", "9:05:60", no},
        {"@T3", "12345", no},
        {"@T3", "9::05", no},
        {"@T3", ":05", no},
        {"@T3", "9:", no},
        {"@T3", "abc", no},
        {"@T3", "am", no},
        {"@T3", "9 05", no},
        {"@T3", "9:05:30:10", no},
        {"@T3", "-9:00", no},
        {"@T3", "9.05", no},
        {"@T1", "25:00", no},
    });
}

TEST(PictureInputTest, Numbers)
{
    const std::nullopt_t no = std::nullopt;
    expectInputs({
        {"@n4", "2026", 2026},
        {"@n4", " 42 ", 42},
        {"@n4", "0042", 42},
        {"@n4", "+5", 5},
        {"@n4", "", 0},
        {"@N3B", "", 0},
        {"@n2", "99", 99},
        {"@n-13", "-1234567", -1234567},
        {"@n-13", "-123456789012", -123456789012},
        {"@n-13", "-0", 0},
        {"@N5.1", "12", 12},
        {"@N5.1", "12.0", 12},
        {"@N5.1", "999", 999},
        {"@n4", "12345", no},
        {"@n4", "-5", no},
        {"@n4", "5.0", no},
        {"@n4", "abc", no},
        {"@n4", "4 2", no},
        {"@n4", "1,000", no},
        {"@n2", "100", no},
        {"@n-13", "-1234567890123", no},
        {"@n-13", "--5", no},
        {"@n-13", "-", no},
        {"@n-13", "+", no},
        {"@n-13", "99999999999999999999", no},
        {"@N5.1", "12.5", no},
        {"@N5.1", "1000", no},
        {"@N5.1", ".", no},
        {"@s10", "42", no},
        {"@s10", "", no},
    });
}

TEST(PictureInputTest, NumbersWithFractions)
{
    struct Case
    {
        const char *picture;
        const char *typed;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"@N5.1", "12.5", 12.5},
        {"@N5.1", ".5", 0.5},
        {"@N5.1", "999.9", 999.9},
        {"@N5.1", "7.", 7.0},
        {"@N5.1", "", 0.0},
        {"@n-6.2", "-12.25", -12.25},
        {"@N5.1", "12.55", std::nullopt},
        {"@N5.1", "1000", std::nullopt},
        {"@N5.1", "-1", std::nullopt},
        {"@N5.1", "1.2.3", std::nullopt},
        {"@D3", "12/8/2026", std::nullopt},
        {"@s5", "1", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture << " \"" << c.typed << '"');
        EXPECT_EQ(picture(c.picture).parseNumber(c.typed), c.expected);
    }
}

TEST(PictureRoundTripTest, DatesFrom1801To2100)
{
    const Picture d3 = picture("@D3");
    const Picture d4 = picture("@D4");
    for (Date date = makeDate(1, 1, 1801); date <= makeDate(12, 31, 2100); date += 7) {
        ASSERT_EQ(d3.parseInput(d3.format(date)), date) << d3.format(date);
        ASSERT_EQ(d4.parseInput(d4.format(date)), date) << d4.format(date);
    }
}

TEST(PictureRoundTripTest, TimesOnTheQuarterHourGrid)
{
    const Picture t1 = picture("@T1");
    const Picture t3 = picture("@T3");
    for (ClockTime time = 1; time <= kHundredthsPerDay; time += 15 * kHundredthsPerMinute) {
        ASSERT_EQ(t1.parseInput(t1.format(time)), time) << t1.format(time);
        ASSERT_EQ(t3.parseInput(t3.format(time)), time) << t3.format(time);
    }
}

TEST(PictureRoundTripTest, NumbersAcrossTheirWidth)
{
    const Picture signedPicture = picture("@n-4");
    for (std::int64_t value = -999; value <= 9999; ++value)
        ASSERT_EQ(signedPicture.parseInput(signedPicture.format(value)), value);
    const Picture fraction = picture("@N5.1");
    for (int tenths = 0; tenths <= 9999; ++tenths) {
        const double value = tenths / 10.0;
        const std::optional<double> back = fraction.parseNumber(fraction.formatNumber(value));
        ASSERT_TRUE(back.has_value()) << value;
        ASSERT_DOUBLE_EQ(*back, value);
    }
}

TEST(PictureTest, ConvenienceFunctions)
{
    EXPECT_EQ(formatDate(makeDate(12, 8, 2026)), "Dec 08,2026");
    EXPECT_EQ(formatDate(makeDate(12, 8, 2026), "@D4"), "December 8, 2026");
    EXPECT_EQ(formatDate(0), "");
    EXPECT_EQ(formatDate(makeDate(12, 8, 2026), "@D9"), "");
    EXPECT_EQ(formatTime(at(9, 5)), "9:05AM");
    EXPECT_EQ(formatTime(at(9, 5), "@T1"), "9:05");
    EXPECT_EQ(formatTime(0), "");
}

// Found in use: pictures spelled as the list formats spell them, the D3
// day, and typed dates the day numbers cannot hold.
TEST(PictureUseTest, ListFormatSpellingClosedByASecondAt)
{
    for (const char *text : {"@T3B", "@n-13", "@s30", "@D3", "@N5.1"}) {
        SCOPED_TRACE(text);
        const std::optional<Picture> open = Picture::parse(text);
        const std::optional<Picture> closed = Picture::parse(std::string(text) + "@");
        ASSERT_TRUE(open && closed);
        EXPECT_EQ(closed->kind(), open->kind());
        EXPECT_EQ(closed->width(), open->width());
        EXPECT_EQ(closed->isBlankWhenZero(), open->isBlankWhenZero());
        EXPECT_EQ(closed->allowsNegative(), open->allowsNegative());
        EXPECT_EQ(closed->decimals(), open->decimals());
    }
    for (const char *text : {"@D3@@", "D3@", "@@", "@T3@B"})
        EXPECT_FALSE(Picture::parse(text).has_value()) << text;
}

TEST(PictureUseTest, D3IsAlwaysElevenCharactersMonthAndDayFirst)
{
    const Picture d3 = picture("@D3");
    for (Date date = makeDate(1, 1, 1801); date <= makeDate(12, 31, 2030); ++date) {
        const std::string shown = d3.format(date);
        ASSERT_EQ(shown.size(), 11u) << shown;
        // Month and day alone, then the year: read back as the same date.
        const std::string year = shown.substr(7);
        ASSERT_EQ(shown[6], ',') << shown;
        ASSERT_EQ(d3.parseInput(shown.substr(0, 6) + " " + year), date) << shown;
    }
}

TEST(PictureUseTest, TypedDatesBefore1801AreRefused)
{
    const std::nullopt_t no = std::nullopt;
    expectInputs({
        {"@D3", "12/31/1800", no},
        {"@D3", "Dec 28, 1800", no}, // day number 0, "no date"
        {"@D4", "1800-12-29", no},
    });
}

} // namespace
} // namespace korvalen
