#pragma once

// Repeat patterns and the generation of an activity's occurrences. Plain
// code without windows: the repeat dialog, the change of a repeating
// activity and the calendar export all use it.

#include "schedulelogic/occurrences.h"
#include "storage/datafiles.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace korvalen {

// The pattern texts stored in ACT:REPEATTYPE.
inline constexpr std::string_view kNoRepeats = "No Repeats";
inline constexpr std::string_view kFixedDays = "Fixed Days";
inline constexpr std::string_view kFixedWeeks = "Fixed Weeks";
inline constexpr std::string_view kFixedMonths = "Fixed Months";
inline constexpr std::string_view kSpecificWeekday = "Specific Weekday";
inline constexpr std::string_view kIrregularDates = "Irregular Dates";

// Which generator a repeat runs (the dialog's unit text "Days", "Weeks",
// "Months" or "Weekday"; None runs no generator).
enum class RepeatUnit
{
    None,
    Days,
    Weeks,
    Months,
    Weekday
};

// "Days", "Weeks", "Months", "Weekday"; empty for None.
std::string_view repeatUnitText(RepeatUnit unit);
// The unit a fixed pattern text edits (Fixed Days -> Days ...), None for
// any other text.
RepeatUnit unitOfPattern(std::string_view repeatType);
// The pattern text a unit produces (Days -> "Fixed Days", Weekday ->
// "Specific Weekday"); empty for None.
std::string_view patternOfUnit(RepeatUnit unit);

// The latest until date generation honours: 31 December of the date
// picker's last year. Later until dates are taken as this one.
Date lastGenerationDate();

// The next date of a pattern after `date`:
// - monthly every `every` months with the month-end rule (a day the target
//   month lacks falls on that day of the month after it, and the series
//   goes on from there);
// - the `week`-th (1..4, 5 = last) weekday `weekday` (0 = Sunday .. 6) of
//   the month after `date`'s month (a week below 1 is taken as 1, above 5
//   as 5).
// Both always return a date later than `date` (for `every` >= 1).
Date nextMonthly(Date date, int every);
Date nextWeekday(Date date, int week, int weekday);

// Generation after a parameter dialog completed. `selected` is the
// occurrence the dialog was opened from (its date already made today's when
// it was 0). Removes every entry dated on or after the selected date,
// inserts the selected occurrence, then adds one entry per date of the
// pattern (the selected entry with only its date replaced) from the
// selected date up to and including ACT:REPEND (capped at
// lastGenerationDate()). A repeat number below 1, an ACT:WEEK that names no
// week ("1st " .. "4th ", "Last") and a selected date of 0 generate nothing
// beyond the selected occurrence. Sets ACT:REPEATTYPE to the pattern's text
// (left as it is for None).
// `progress`, when given, is called now and then with the dates generated so
// far (for a progress indication on long series). Returns how many entries
// were generated besides the selected one.
std::size_t generateOccurrences(OccurrenceQueue &queue, const Occurrence &selected,
                                ActivityRecord &activity, RepeatUnit unit,
                                const std::function<void(std::size_t)> &progress = {});

// The four texts of the activity form's repeat summary for `activity`
// (ACT:REPEATTYPE and its parameters) with `weekdayName` the name of
// ACT:WEEKDAY (WEE:DAY).
struct RepeatSummary
{
    std::string line1, line2, line3, line4;
};
RepeatSummary repeatSummary(const ActivityRecord &activity, std::string_view weekdayName);

} // namespace korvalen
