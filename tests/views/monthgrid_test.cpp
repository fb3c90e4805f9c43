#include "views/monthgrid.h"

#include <gtest/gtest.h>

#include <string>

namespace korvalen {
namespace {

struct Day
{
    int month;
    int day;
    int year;
};

std::string text(const MonthGrid &grid)
{
    return std::to_string(grid.month()) + "/" + std::to_string(grid.day()) + "/" +
           std::to_string(grid.year());
}

std::string text(const Day &day)
{
    return std::to_string(day.month) + "/" + std::to_string(day.day) + "/" +
           std::to_string(day.year);
}

TEST(MonthGridTest, LayoutOfTheMonthInTheGrid)
{
    struct Case
    {
        Day shown;
        int offset;
        int length;
        int rows;
    };
    const Case cases[] = {
        {{2, 10, 2026}, 0, 28, 4},  // common February starting on a Sunday
        {{2, 1, 2015}, 0, 28, 4},   // the same, another year
        {{2, 1, 2020}, 6, 29, 5},   // leap February from Saturday: exactly five weeks
        {{3, 1, 2026}, 0, 31, 5},   // 31 days from a Sunday
        {{11, 1, 2025}, 6, 30, 6},  // 30 days from a Saturday
        {{1, 1, 2021}, 5, 31, 6},   // 31 days from a Friday
        {{8, 31, 2026}, 6, 31, 6},  // 31 days from a Saturday
        {{2, 1, 1900}, 4, 28, 5},   // a century year is no leap year
        {{1, 1, 1802}, 5, 31, 6},   // the first month the grid shows
        {{12, 31, 2098}, 1, 31, 5}, // the last one
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(text(c.shown));
        const MonthGrid grid(makeDate(c.shown.month, c.shown.day, c.shown.year));
        EXPECT_EQ(grid.offset(), c.offset);
        EXPECT_EQ(grid.monthLength(), c.length);
        EXPECT_EQ(grid.rows(), c.rows);
        EXPECT_EQ(grid.selectedCell(), c.offset + c.shown.day - 1);
        EXPECT_EQ(grid.dayInCell(c.offset), 1);
        EXPECT_EQ(grid.dayInCell(c.offset + c.length - 1), c.length);
        EXPECT_EQ(grid.dayInCell(c.offset + c.length), 0);
        if (c.offset > 0) {
            EXPECT_EQ(grid.dayInCell(c.offset - 1), 0);
        }
    }
}

TEST(MonthGridTest, StepsKeepTheDayWithinTheNewMonthAndStopAtTheBounds)
{
    enum Step
    {
        PreviousYear,
        NextYear,
        PreviousMonth,
        NextMonth
    };
    struct Case
    {
        Day from;
        Step step;
        bool moves;
        Day to;
    };
    const Case cases[] = {
        {{1, 31, 2026}, NextMonth, true, {2, 28, 2026}},
        {{1, 31, 2024}, NextMonth, true, {2, 29, 2024}},
        {{3, 31, 2026}, PreviousMonth, true, {2, 28, 2026}},
        {{5, 31, 2026}, PreviousMonth, true, {4, 30, 2026}},
        {{8, 31, 2026}, NextMonth, true, {9, 30, 2026}},
        {{12, 31, 2025}, NextMonth, true, {1, 31, 2026}},
        {{1, 15, 2026}, PreviousMonth, true, {12, 15, 2025}},
        {{2, 29, 2024}, NextYear, true, {2, 28, 2025}},
        {{2, 29, 2024}, PreviousYear, true, {2, 28, 2023}},
        {{2, 29, 1904}, PreviousYear, true, {2, 28, 1903}},
        {{2, 28, 2023}, NextYear, true, {2, 28, 2024}}, // the day is not pushed back up
        {{1, 31, 1802}, PreviousMonth, false, {1, 31, 1802}},
        {{2, 1, 1802}, PreviousMonth, true, {1, 1, 1802}},
        {{12, 1, 1802}, PreviousYear, false, {12, 1, 1802}},
        {{1, 5, 1803}, PreviousYear, true, {1, 5, 1802}},
        {{12, 31, 2098}, NextMonth, false, {12, 31, 2098}},
        {{11, 30, 2098}, NextMonth, true, {12, 30, 2098}},
        {{1, 1, 2098}, NextYear, false, {1, 1, 2098}},
        {{12, 31, 2097}, NextYear, true, {12, 31, 2098}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(text(c.from) + " step " + std::to_string(c.step));
        MonthGrid grid(makeDate(c.from.month, c.from.day, c.from.year));
        bool moved = false;
        switch (c.step) {
        case PreviousYear:
            moved = grid.previousYear();
            break;
        case NextYear:
            moved = grid.nextYear();
            break;
        case PreviousMonth:
            moved = grid.previousMonth();
            break;
        case NextMonth:
            moved = grid.nextMonth();
            break;
        }
        EXPECT_EQ(moved, c.moves);
        EXPECT_EQ(text(grid), text(c.to));
        EXPECT_EQ(grid.date(), makeDate(c.to.month, c.to.day, c.to.year));
        EXPECT_EQ(grid.monthLength(), daysInMonth(c.to.month, c.to.year));
    }
}

TEST(MonthGridTest, ChoosingYearOrMonthCutsTheDayAndRejectsValuesOutsideTheLists)
{
    MonthGrid grid(makeDate(1, 31, 2026));
    EXPECT_TRUE(grid.setMonth(4));
    EXPECT_EQ(text(grid), "4/30/2026");
    EXPECT_FALSE(grid.setMonth(13));
    EXPECT_FALSE(grid.setMonth(0));
    EXPECT_EQ(text(grid), "4/30/2026");

    MonthGrid leap(makeDate(2, 29, 2028));
    EXPECT_TRUE(leap.setYear(2030));
    EXPECT_EQ(text(leap), "2/28/2030");
    EXPECT_FALSE(leap.setYear(1801));
    EXPECT_FALSE(leap.setYear(2099));
    EXPECT_EQ(text(leap), "2/28/2030");
}

TEST(MonthGridTest, OnlyCellsShowingADayCanBeSelected)
{
    MonthGrid grid(makeDate(8, 10, 2026)); // August 2026: days in cells 6..36
    EXPECT_FALSE(grid.selectCell(5));
    EXPECT_FALSE(grid.selectCell(37));
    EXPECT_FALSE(grid.selectCell(-1));
    EXPECT_FALSE(grid.selectCell(MonthGrid::kCells));
    EXPECT_EQ(grid.day(), 10);
    EXPECT_TRUE(grid.selectCell(36));
    EXPECT_EQ(text(grid), "8/31/2026");
    EXPECT_EQ(grid.selectedCell(), 36);
}

TEST(MonthGridTest, DatesOutsideTheShownYearsMoveToTheNearestYear)
{
    struct Case
    {
        Date date;
        const char *shown;
    };
    const Case cases[] = {
        {makeDate(7, 4, 1801), "7/4/1802"},   {makeDate(2, 29, 2104), "2/28/2098"},
        {makeDate(3, 1, 2099), "3/1/2098"},   {0, "12/28/1802"}, // "no date" is 28 December 1800
        {makeDate(2, 29, 2096), "2/29/2096"},
    };
    for (const Case &c : cases) {
        const MonthGrid grid(c.date);
        EXPECT_EQ(text(grid), c.shown);
    }
}

} // namespace
} // namespace korvalen
