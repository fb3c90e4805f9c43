#include "runtime/dates.h"

#include <QDate>
#include <QTime>

#include <array>

namespace korvalen {

namespace {

struct CivilDate
{
    std::int64_t year;
    int month;
    int day;
};

// Floor division and its non-negative remainder, for negative day numbers
// and months.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

constexpr std::int64_t floorMod(std::int64_t a, std::int64_t b)
{
    return a - floorDiv(a, b) * b;
}

// Days from 1 January 1970 to the given date, for any year. The year is
// shifted to start in March so that the leap day falls at its end, and split
// into 400-year eras of 146097 days.
constexpr std::int64_t daysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = floorDiv(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The inverse of daysFromCivil.
constexpr CivilDate civilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = floorDiv(days, 146097);
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

// Day 0 of the program's numbering, 28 December 1800, in days from 1970.
constexpr std::int64_t kEpoch = daysFromCivil(1800, 12, 28);

CivilDate civilOf(Date date)
{
    return civilFromDays(static_cast<std::int64_t>(date) + kEpoch);
}

} // namespace

Date makeDate(int month, int day, int year)
{
    const std::int64_t months = static_cast<std::int64_t>(year) * 12 + (month - 1);
    const std::int64_t carriedYear = floorDiv(months, 12);
    const int carriedMonth = static_cast<int>(floorMod(months, 12)) + 1;
    const std::int64_t first = daysFromCivil(carriedYear, carriedMonth, 1);
    return static_cast<Date>(first - kEpoch + (static_cast<std::int64_t>(day) - 1));
}

int yearOf(Date date)
{
    return static_cast<int>(civilOf(date).year);
}

int monthOf(Date date)
{
    return civilOf(date).month;
}

int dayOf(Date date)
{
    return civilOf(date).day;
}

int weekdayOf(Date date)
{
    return static_cast<int>(floorMod(date, 7));
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int month, int year)
{
    static constexpr std::array<int, 12> kLengths = {31, 28, 31, 30, 31, 30,
                                                     31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : kLengths[month - 1];
}

std::string_view monthName(int month)
{
    static constexpr std::array<std::string_view, 12> kNames = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    return month >= 1 && month <= 12 ? kNames[month - 1] : std::string_view();
}

std::string_view weekdayName(int weekday)
{
    static constexpr std::array<std::string_view, 7> kNames = {
        "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    return weekday >= 0 && weekday <= 6 ? kNames[weekday] : std::string_view();
}

Date SystemClock::today() const
{
    const QDate now = QDate::currentDate();
    return makeDate(now.month(), now.day(), now.year());
}

ClockTime SystemClock::timeOfDay() const
{
    return QTime::currentTime().msecsSinceStartOfDay() / 10 + 1;
}

} // namespace korvalen
