#pragma once

#include <cstdint>
#include <string_view>

namespace korvalen {

// A calendar day as a day number counted from 28 December 1800: day 4 is
// 1 January 1801, day 1 is 29 December 1800, and days before 28 December 1800
// are negative. 0 means "no date". The calendar is the proleptic Gregorian one;
// every function below is exact for the years 1 to 9999.
using Date = std::int32_t;

// A time of day in hundredths of a second since midnight, plus one: 1 is 0:00,
// 360001 is 1:00, 8640000 is the last hundredth of the day. 0 means "no time".
// Durations are plain hundredths.
using ClockTime = std::int32_t;

inline constexpr ClockTime kHundredthsPerMinute = 6000;
inline constexpr ClockTime kHundredthsPerHour = 360000;
inline constexpr ClockTime kHundredthsPerDay = 8640000;

// The date of `day` `month` `year`, carrying out-of-range values:
// a month above 12 or below 1 moves into a later or earlier year (month 13 of
// 2025 is January 2026, month 0 is December 2024, month -1 November 2024), and
// a day beyond the month's length or below 1 moves into a later or earlier
// month (day 31 of April is 1 May, day 30 of February 2026 is 2 March, day 0 is
// the last day of the previous month). The result must lie in years 1 to 9999;
// outside that range it is unspecified.
Date makeDate(int month, int day, int year);

// The year, month (1..12) and day of the month (1..31) of `date`. They are
// computed for any day number, including 0 (which is 28 December 1800 on the
// calendar): callers that give 0 the meaning "no date" test it first.
int yearOf(Date date);
int monthOf(Date date);
int dayOf(Date date);

// The weekday of `date`: 0 = Sunday .. 6 = Saturday (the day number mod 7,
// never negative, also for negative day numbers).
int weekdayOf(Date date);

// True when `year` has a 29 February in the Gregorian calendar.
bool isLeapYear(int year);

// The number of days in `month` (1..12) of `year`; 0 for a month outside 1..12.
int daysInMonth(int month, int year);

// "January" .. "December" for 1..12; empty for any other month.
std::string_view monthName(int month);

// "Sunday" .. "Saturday" for 0..6 (as weekdayOf numbers them); empty otherwise.
std::string_view weekdayName(int weekday);

// The source of "today" and "now". Screens and reports take a Clock so that
// tests can fix the date and time.
class Clock
{
public:
    virtual ~Clock() = default;
    // The current local date.
    virtual Date today() const = 0;
    // The current local time of day (1..8640000).
    virtual ClockTime timeOfDay() const = 0;
};

// The computer's local clock.
class SystemClock final : public Clock
{
public:
    Date today() const override;
    ClockTime timeOfDay() const override;
};

// A clock that stands still at the date and time it is given.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(Date today = 0, ClockTime timeOfDay = 0)
        : m_today(today), m_timeOfDay(timeOfDay)
    {
    }

    Date today() const override { return m_today; }
    ClockTime timeOfDay() const override { return m_timeOfDay; }
    void setToday(Date today) { m_today = today; }
    void setTimeOfDay(ClockTime timeOfDay) { m_timeOfDay = timeOfDay; }

private:
    Date m_today;
    ClockTime m_timeOfDay;
};

} // namespace korvalen
