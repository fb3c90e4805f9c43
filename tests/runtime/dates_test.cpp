#include "runtime/dates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace korvalen {
namespace {

namespace chr = std::chrono;

// The standard library's calendar, independent of ours: day 0 of our
// numbering is 28 December 1800.
const chr::sys_days kDayZero = chr::sys_days(chr::year(1800) / chr::December / 28);

chr::year_month_day referenceDate(Date date)
{
    return chr::year_month_day(kDayZero + chr::days(date));
}

Date referenceNumber(int year, unsigned month, unsigned day)
{
    const chr::sys_days days(chr::year(year) / chr::month(month) / chr::day(day));
    return static_cast<Date>((days - kDayZero).count());
}

void expectMatchesReference(Date date)
{
    const chr::year_month_day expected = referenceDate(date);
    ASSERT_EQ(yearOf(date), static_cast<int>(expected.year())) << "day " << date;
    ASSERT_EQ(monthOf(date), static_cast<int>(static_cast<unsigned>(expected.month())))
        << "day " << date;
    ASSERT_EQ(dayOf(date), static_cast<int>(static_cast<unsigned>(expected.day())))
        << "day " << date;
    ASSERT_EQ(weekdayOf(date),
              static_cast<int>(chr::weekday(kDayZero + chr::days(date)).c_encoding()))
        << "day " << date;
}

TEST(DatesTest, EveryDayFrom1801To2100MatchesTheStandardCalendar)
{
    const Date first = referenceNumber(1801, 1, 1);
    const Date last = referenceNumber(2100, 12, 31);
    ASSERT_EQ(first, 4);
    for (Date date = first; date <= last; ++date) {
        expectMatchesReference(date);
        ASSERT_EQ(makeDate(monthOf(date), dayOf(date), yearOf(date)), date);
    }
}

TEST(DatesTest, WalkingDayByDayAgreesWithMakeDate)
{
    // A second, hand-rolled check of the month lengths and leap years.
    const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    Date expected = 4;
    for (int year = 1801; year <= 2100; ++year) {
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        for (int month = 1; month <= 12; ++month) {
            const int length = lengths[month - 1] + (month == 2 && leap ? 1 : 0);
            ASSERT_EQ(daysInMonth(month, year), length) << month << "/" << year;
            for (int day = 1; day <= length; ++day)
                ASSERT_EQ(makeDate(month, day, year), expected++)
                    << month << "/" << day << "/" << year;
        }
    }
}

TEST(DatesTest, FarYearsAndNegativeDayNumbersMatchTheStandardCalendar)
{
    const Date samples[] = {referenceNumber(1, 1, 1),
                            referenceNumber(1, 3, 1),
                            referenceNumber(400, 2, 29),
                            referenceNumber(1600, 2, 29),
                            referenceNumber(1800, 12, 27),
                            -1,
                            -7,
                            -8,
                            referenceNumber(9999, 12, 31)};
    for (Date date : samples) {
        SCOPED_TRACE(date);
        expectMatchesReference(date);
        EXPECT_EQ(makeDate(monthOf(date), dayOf(date), yearOf(date)), date);
    }
    // Every day of a 400-year cycle before the epoch, in steps that hit every
    // weekday and month.
    for (Date date = referenceNumber(1400, 1, 1); date < 0; date += 13)
        expectMatchesReference(date);
}

TEST(DatesTest, KnownAnchors)
{
    struct Case
    {
        int month, day, year;
        Date number;
        int weekday;
    };
    const Case cases[] = {
        {12, 28, 1800, 0, 0},                        // the epoch, a Sunday
        {12, 29, 1800, 1, 1},    {1, 1, 1801, 4, 4}, // a Thursday
        {7, 20, 1969, 61565, 0},                     // a Sunday
        {1, 1, 2000, 72687, 6},                      // a Saturday
        {2, 29, 2000, 72746, 2},                     // a Tuesday
        {12, 8, 2026, 82525, 2},                     // a Tuesday
        {12, 27, 1800, -1, 6},                       // a Saturday
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.month << "/" << c.day << "/" << c.year);
        EXPECT_EQ(makeDate(c.month, c.day, c.year), c.number);
        EXPECT_EQ(weekdayOf(c.number), c.weekday);
    }
}

TEST(DatesTest, MakeDateCarriesMonthsAndDays)
{
    struct Case
    {
        int month, day, year;
        int expectMonth, expectDay, expectYear;
    };
    const Case cases[] = {{13, 1, 2025, 1, 1, 2026},
                          {14, 15, 2025, 2, 15, 2026},
                          {24, 31, 2025, 12, 31, 2026},
                          {25, 1, 2025, 1, 1, 2027},
                          {0, 1, 2026, 12, 1, 2025},
                          {-1, 10, 2026, 11, 10, 2025},
                          {-11, 1, 2026, 1, 1, 2025},
                          {-12, 1, 2026, 12, 1, 2024},
                          {4, 31, 2026, 5, 1, 2026},
                          {11, 31, 2026, 12, 1, 2026},
                          {12, 32, 2026, 1, 1, 2027},
                          {2, 29, 2026, 3, 1, 2026},
                          {2, 30, 2026, 3, 2, 2026},
                          {2, 29, 2024, 2, 29, 2024},
                          {2, 30, 2024, 3, 1, 2024},
                          {2, 29, 1900, 3, 1, 1900},
                          {2, 29, 2000, 2, 29, 2000},
                          {3, 0, 2026, 2, 28, 2026},
                          {3, 0, 2024, 2, 29, 2024},
                          {1, 0, 2026, 12, 31, 2025},
                          {1, -1, 2026, 12, 30, 2025},
                          {1, 366, 2026, 1, 1, 2027},
                          {1, 367, 2024, 1, 1, 2025},
                          {7, 31 + 31, 2026, 8, 31, 2026},
                          // "The same day n months later" walks: the 31st of January, n = 1..3.
                          {1 + 1, 31, 2026, 3, 3, 2026},
                          {1 + 2, 31, 2026, 3, 31, 2026},
                          {1 + 3, 31, 2026, 5, 1, 2026}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.month << "/" << c.day << "/" << c.year);
        const Date date = makeDate(c.month, c.day, c.year);
        EXPECT_EQ(monthOf(date), c.expectMonth);
        EXPECT_EQ(dayOf(date), c.expectDay);
        EXPECT_EQ(yearOf(date), c.expectYear);
    }
}

TEST(DatesTest, WeekdayIsNeverNegative)
{
    for (Date date = -30; date <= 30; ++date) {
        SCOPED_TRACE(date);
        const int weekday = weekdayOf(date);
        EXPECT_GE(weekday, 0);
        EXPECT_LE(weekday, 6);
        EXPECT_EQ((weekday - date) % 7, 0);
    }
}

TEST(DatesTest, LeapYearsAndMonthLengths)
{
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_TRUE(isLeapYear(2024));
    EXPECT_FALSE(isLeapYear(2026));
    EXPECT_EQ(daysInMonth(2, 1900), 28);
    EXPECT_EQ(daysInMonth(2, 2000), 29);
    EXPECT_EQ(daysInMonth(0, 2026), 0);
    EXPECT_EQ(daysInMonth(13, 2026), 0);
}

TEST(DatesTest, Names)
{
    EXPECT_EQ(monthName(1), "January");
    EXPECT_EQ(monthName(12), "December");
    EXPECT_EQ(monthName(0), "");
    EXPECT_EQ(monthName(13), "");
    EXPECT_EQ(weekdayName(0), "Sunday");
    EXPECT_EQ(weekdayName(6), "Saturday");
    EXPECT_EQ(weekdayName(7), "");
    EXPECT_EQ(weekdayName(-1), "");
}

TEST(ClockTest, FixedClockStandsStillUntilSet)
{
    FixedClock clock(makeDate(12, 8, 2026), 9 * kHundredthsPerHour + 1);
    const Clock &asClock = clock;
    EXPECT_EQ(asClock.today(), makeDate(12, 8, 2026));
    EXPECT_EQ(asClock.timeOfDay(), 9 * kHundredthsPerHour + 1);
    clock.setToday(makeDate(1, 1, 2027));
    clock.setTimeOfDay(1);
    EXPECT_EQ(asClock.today(), makeDate(1, 1, 2027));
    EXPECT_EQ(asClock.timeOfDay(), 1);
}

TEST(ClockTest, SystemClockAgreesWithTheStandardClock)
{
    const SystemClock clock;
    const ClockTime time = clock.timeOfDay();
    EXPECT_GE(time, 1);
    EXPECT_LE(time, kHundredthsPerDay);
    // Local and UTC dates differ by at most one day.
    const Date utcToday =
        static_cast<Date>((chr::floor<chr::days>(chr::system_clock::now()) - kDayZero).count());
    EXPECT_LE(std::abs(clock.today() - utcToday), 1);
}

} // namespace
} // namespace korvalen
