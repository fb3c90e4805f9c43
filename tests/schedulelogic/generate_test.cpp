#include "schedulelogic/generate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace korvalen {
namespace {

Date on(int year, int month, int day)
{
    return makeDate(month, day, year);
}

constexpr ClockTime kTen = 10 * kHundredthsPerHour + 1;
constexpr ClockTime kEleven = 11 * kHundredthsPerHour + 1;

std::vector<Date> datesOf(const OccurrenceQueue &queue)
{
    std::vector<Date> dates;
    for (const Occurrence &entry : queue.entries())
        dates.push_back(entry.date);
    return dates;
}

ActivityRecord fixedActivity(int every, Date until)
{
    ActivityRecord activity;
    activity.ACTNUMBER = 7;
    activity.REPEATTYPE = kNoRepeats;
    activity.REPNUMBER = static_cast<std::int16_t>(every);
    activity.REPEND = until;
    return activity;
}

ActivityRecord weekdayActivity(const char *week, int weekday, Date until)
{
    ActivityRecord activity = fixedActivity(0, until);
    activity.WEEK = week;
    activity.WEEKDAY = static_cast<std::uint8_t>(weekday);
    return activity;
}

// The dates one generation gives from `start` in a queue holding nothing else.
std::vector<Date> series(Date start, ActivityRecord activity, RepeatUnit unit)
{
    OccurrenceQueue queue;
    generateOccurrences(queue, {7, start, kTen, kEleven}, activity, unit);
    return datesOf(queue);
}

struct MonthlyCase
{
    const char *name;
    Date start;
    int every;
    Date until;
    std::vector<Date> expected;
};

class MonthlyTest : public ::testing::TestWithParam<MonthlyCase>
{
};

TEST_P(MonthlyTest, MissingDaysCarryIntoTheNextMonthAndTheSeriesGoesOnFromThere)
{
    const MonthlyCase &c = GetParam();
    EXPECT_EQ(series(c.start, fixedActivity(c.every, c.until), RepeatUnit::Months), c.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Generate, MonthlyTest, ::testing::Values(
    MonthlyCase{"FromThe31st", on(2025, 1, 31), 1, on(2026, 1, 31),
                {on(2025, 1, 31), on(2025, 3, 31), on(2025, 5, 31), on(2025, 7, 31),
                 on(2025, 8, 31), on(2025, 10, 31), on(2025, 12, 31), on(2026, 1, 31)}},
    MonthlyCase{"From29JanuaryOfALeapYear", on(2024, 1, 29), 1, on(2024, 3, 29),
                {on(2024, 1, 29), on(2024, 2, 29), on(2024, 3, 29)}},
    MonthlyCase{"From30JanuaryOfACommonYear", on(2025, 1, 30), 1, on(2025, 5, 1),
                {on(2025, 1, 30), on(2025, 3, 30), on(2025, 4, 30)}},
    MonthlyCase{"CarryAcrossTheYear", on(2025, 11, 30), 3, on(2026, 12, 31),
                {on(2025, 11, 30), on(2026, 3, 30), on(2026, 6, 30), on(2026, 9, 30),
                 on(2026, 12, 30)}}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

struct WeekdayCase
{
    const char *name;
    const char *week;
    int weekday; // as ACT:WEEKDAY numbers it: Monday 1 .. Sunday 7
    Date start;
    Date until;
    std::vector<Date> expected;
};

class WeekdayTest : public ::testing::TestWithParam<WeekdayCase>
{
};

TEST_P(WeekdayTest, GivesTheNthOrLastWeekdayOfEachLaterMonth)
{
    const WeekdayCase &c = GetParam();
    EXPECT_EQ(series(c.start, weekdayActivity(c.week, c.weekday, c.until), RepeatUnit::Weekday),
              c.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Generate, WeekdayTest, ::testing::Values(
    // January and February 2025 end on a Friday, March does not.
    WeekdayCase{"LastFridayOnTheLastDay", "Last", 5, on(2024, 12, 10), on(2025, 3, 31),
                {on(2024, 12, 10), on(2025, 1, 31), on(2025, 2, 28), on(2025, 3, 28)}},
    // June 2025 begins on a Sunday; the start date itself does not fit.
    WeekdayCase{"FirstSundayOnTheFirstDay", "1st ", 7, on(2025, 5, 15), on(2025, 7, 31),
                {on(2025, 5, 15), on(2025, 6, 1), on(2025, 7, 6)}},
    // A start date that fits the pattern is not repeated in its own month.
    WeekdayCase{"StartsInTheNextMonth", "1st ", 7, on(2025, 6, 1), on(2025, 7, 31),
                {on(2025, 6, 1), on(2025, 7, 6)}},
    WeekdayCase{"SecondTuesday", "2nd ", 2, on(2026, 1, 20), on(2026, 3, 31),
                {on(2026, 1, 20), on(2026, 2, 10), on(2026, 3, 10)}}),
    [](const auto &info) { return std::string(info.param.name); });
// clang-format on

TEST(GenerateTest, KeepsEarlierEntriesAndReplacesEverythingFromTheStartDate)
{
    OccurrenceQueue queue;
    queue.insert({7, on(2026, 1, 5), kTen, kEleven});                          // before: kept
    queue.insert({7, on(2026, 3, 10), kEleven, kEleven + kHundredthsPerHour}); // same day: dropped
    queue.insert({7, on(2026, 3, 15), kTen, kEleven});                         // irregular: dropped
    queue.insert({7, on(2026, 4, 20), kTen, kEleven});                         // later: dropped
    queue.insert({3, on(2026, 4, 1), kTen, kEleven}); // other number, later: dropped
    queue.insert({9, on(2026, 1, 1), kTen, kEleven}); // other number, before: kept
    ActivityRecord activity = fixedActivity(2, on(2026, 4, 21));
    const Occurrence selected{7, on(2026, 3, 10), kTen, kEleven};

    EXPECT_EQ(generateOccurrences(queue, selected, activity, RepeatUnit::Weeks), 3u);

    // The until date itself is a candidate and is kept; every new entry is
    // the selected one with its date replaced.
    const std::vector<Occurrence> expected{
        {7, on(2026, 1, 5), kTen, kEleven},  {7, on(2026, 3, 10), kTen, kEleven},
        {7, on(2026, 3, 24), kTen, kEleven}, {7, on(2026, 4, 7), kTen, kEleven},
        {7, on(2026, 4, 21), kTen, kEleven}, {9, on(2026, 1, 1), kTen, kEleven}};
    EXPECT_EQ(queue.entries(), expected);
    EXPECT_EQ(activity.REPEATTYPE, kFixedWeeks);
}

TEST(GenerateTest, NothingBeyondTheSelectedEntryWhenThePatternGivesNoDate)
{
    struct Case
    {
        const char *what;
        ActivityRecord activity;
        RepeatUnit unit;
    };
    const Date start = on(2026, 3, 10);
    const Case cases[] = {
        {"until before the first candidate", fixedActivity(1, start), RepeatUnit::Days},
        {"until before the start", fixedActivity(1, start - 30), RepeatUnit::Months},
        {"no until date", fixedActivity(1, 0), RepeatUnit::Days},
        {"number 0", fixedActivity(0, start + 60), RepeatUnit::Days},
        {"negative number", fixedActivity(-2, start + 60), RepeatUnit::Weeks},
        {"blank week", weekdayActivity("", 2, start + 90), RepeatUnit::Weekday},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OccurrenceQueue queue;
        queue.insert({7, start + 5, kTen, kEleven});
        ActivityRecord activity = c.activity;
        EXPECT_EQ(generateOccurrences(queue, {7, start, kTen, kEleven}, activity, c.unit), 0u);
        EXPECT_EQ(datesOf(queue), std::vector<Date>{start});
        EXPECT_EQ(activity.REPEATTYPE, patternOfUnit(c.unit));
    }
}

TEST(GenerateTest, AFarUntilDateStopsAtTheLastYearThePickerShowsAndReportsProgress)
{
    const Date start = on(2026, 1, 1);
    ActivityRecord activity = fixedActivity(1, on(2300, 6, 30));
    OccurrenceQueue queue;
    std::vector<std::size_t> reported;
    const std::size_t count =
        generateOccurrences(queue, {7, start, kTen, kEleven}, activity, RepeatUnit::Days,
                            [&](std::size_t done) { reported.push_back(done); });

    EXPECT_EQ(lastGenerationDate(), on(2098, 12, 31));
    EXPECT_EQ(queue.entries().back().date, on(2098, 12, 31));
    EXPECT_EQ(count, static_cast<std::size_t>(on(2098, 12, 31) - start));
    ASSERT_FALSE(reported.empty());
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_LE(reported.back(), count);
}

TEST(RepeatSummaryTest, DescribesEachPattern)
{
    struct Case
    {
        std::string_view pattern;
        RepeatSummary expected;
    };
    const Case cases[] = {
        {kNoRepeats, {"SINGLE", "", "", ""}},
        {kIrregularDates, {"REPEATED", "Irregularly", "", ""}},
        {kSpecificWeekday, {"REPEATED", "Last Thursday", "of month until", "Dec 31,2026"}},
        {kFixedDays, {"REPEATED", "Every 12", "Days Until", "Dec 31,2026"}},
        {kFixedMonths, {"REPEATED", "Every 12", "Months Until", "Dec 31,2026"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pattern);
        ActivityRecord activity = weekdayActivity("Last", 4, on(2026, 12, 31));
        activity.REPNUMBER = 12;
        activity.REPEATTYPE = c.pattern;
        const RepeatSummary summary = repeatSummary(activity, "Thursday ");
        EXPECT_EQ(summary.line1, c.expected.line1);
        EXPECT_EQ(summary.line2, c.expected.line2);
        EXPECT_EQ(summary.line3, c.expected.line3);
        EXPECT_EQ(summary.line4, c.expected.line4);
    }
    // No until date shows blank.
    ActivityRecord open = fixedActivity(2, 0);
    open.REPEATTYPE = kFixedWeeks;
    EXPECT_EQ(repeatSummary(open, "").line4, "");
}

} // namespace
} // namespace korvalen
