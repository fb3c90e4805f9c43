#include "views/monthgrid.h"

#include <algorithm>

namespace korvalen {

namespace {

constexpr std::string_view kMonthAbbreviations = "JanFebMarAprMayJunJulAugSepOctNovDec";
constexpr std::string_view kWeekdayLetters = "SMTWTFS";

} // namespace

MonthGrid::MonthGrid(Date date)
{
    const int year = std::clamp(yearOf(date), kFirstYear, kLastYear);
    show(monthOf(date), dayOf(date), year);
}

int MonthGrid::rows() const
{
    const int used = m_offset + m_monthLength;
    if (used == 4 * kColumns)
        return 4;
    return used <= 5 * kColumns ? 5 : 6;
}

int MonthGrid::dayInCell(int cell) const
{
    const int day = cell - m_offset + 1;
    return day >= 1 && day <= m_monthLength ? day : 0;
}

bool MonthGrid::previousYear()
{
    return setYear(m_year - 1);
}

bool MonthGrid::nextYear()
{
    return setYear(m_year + 1);
}

bool MonthGrid::previousMonth()
{
    if (m_year == kFirstYear && m_month == 1)
        return false;
    show(m_month - 1, m_day, m_year);
    return true;
}

bool MonthGrid::nextMonth()
{
    if (m_year == kLastYear && m_month == 12)
        return false;
    show(m_month + 1, m_day, m_year);
    return true;
}

bool MonthGrid::setYear(int year)
{
    if (year < kFirstYear || year > kLastYear)
        return false;
    show(m_month, m_day, year);
    return true;
}

bool MonthGrid::setMonth(int month)
{
    if (month < 1 || month > 12)
        return false;
    show(month, m_day, m_year);
    return true;
}

bool MonthGrid::selectCell(int cell)
{
    const int day = dayInCell(cell);
    if (day == 0)
        return false;
    m_day = day;
    return true;
}

std::string_view MonthGrid::monthAbbreviation(int month)
{
    if (month < 1 || month > 12)
        return {};
    return kMonthAbbreviations.substr(3 * static_cast<std::size_t>(month - 1), 3);
}

char MonthGrid::weekdayLetter(int column)
{
    return kWeekdayLetters[static_cast<std::size_t>(((column % 7) + 7) % 7)];
}

void MonthGrid::show(int month, int day, int year)
{
    if (month < 1) {
        month += 12;
        --year;
    } else if (month > 12) {
        month -= 12;
        ++year;
    }
    m_year = year;
    m_month = month;
    m_monthLength = daysInMonth(month, year);
    m_day = std::clamp(day, 1, m_monthLength);
    m_offset = weekdayOf(makeDate(month, 1, year));
}

} // namespace korvalen
