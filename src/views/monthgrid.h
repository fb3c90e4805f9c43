#pragma once

#include "runtime/dates.h"

#include <string_view>

namespace korvalen {

// The month a date picker shows, the day selected in it and where each day
// sits in a grid of 6 rows of 7 cells, Sunday first. Holds no widgets.
//
// Invariants: kFirstYear <= year() <= kLastYear, 1 <= month() <= 12 and
// 1 <= day() <= the length of the shown month, so date() is always a real day.
class MonthGrid
{
public:
    static constexpr int kFirstYear = 1802;
    static constexpr int kLastYear = 2098;
    static constexpr int kColumns = 7;
    static constexpr int kMaxRows = 6;
    static constexpr int kCells = kColumns * kMaxRows;

    // Shows the month of `date` with its day selected. A date before
    // kFirstYear or after kLastYear is moved to the same month and day of the
    // nearest year the grid can show (29 February becoming 28 February when
    // that year has none).
    explicit MonthGrid(Date date);

    int year() const { return m_year; }
    int month() const { return m_month; }
    int day() const { return m_day; }
    // The selected day as a day number.
    Date date() const { return makeDate(m_month, m_day, m_year); }

    // The number of empty cells before day 1 in the first row (0..6).
    int offset() const { return m_offset; }
    // The number of days of the shown month.
    int monthLength() const { return m_monthLength; }
    // The rows the month needs: 4 when it fills exactly four weeks, 5 when
    // offset + length is 29 to 35, 6 above that.
    int rows() const;

    // The day of the month shown in `cell` (0..kCells-1, row by row), or 0
    // when the cell is blank (before day 1, after the last day, or outside
    // the grid).
    int dayInCell(int cell) const;
    // The cell that shows the selected day.
    int selectedCell() const { return m_offset + m_day - 1; }

    // Each step below returns false and changes nothing when it would leave
    // kFirstYear..kLastYear; otherwise it moves and returns true. A selected
    // day beyond the new month's length becomes its last day (31 January to
    // 28 or 29 February, 29 February to 28 February of a common year).
    bool previousYear();
    bool nextYear();
    // January steps back to December of the year before, December forward to
    // January of the next year.
    bool previousMonth();
    bool nextMonth();

    // Shows `year`, keeping the month and day (the day cut to the month's
    // length). False and no change for a year outside kFirstYear..kLastYear.
    bool setYear(int year);
    // Shows `month` (1..12) of the shown year, the day cut to its length.
    // False and no change for a month outside 1..12.
    bool setMonth(int month);
    // Selects the day shown in `cell`. False and no change for a blank cell.
    bool selectCell(int cell);

    // "Jan" .. "Dec" for 1..12; empty otherwise.
    static std::string_view monthAbbreviation(int month);
    // The heading letter of grid column `column` (0..6): "SMTWTFS".
    static char weekdayLetter(int column);

private:
    // Moves to `month` of `year` (month 0 and 13 carry into the year before
    // and after), cuts `day` to that month's length and recomputes the layout.
    void show(int month, int day, int year);

    int m_year = kFirstYear;
    int m_month = 1;
    int m_day = 1;
    int m_offset = 0;
    int m_monthLength = 31;
};

} // namespace korvalen
