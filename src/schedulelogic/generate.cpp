#include "schedulelogic/generate.h"

#include "runtime/pictures.h"
#include "views/monthgrid.h"

#include <algorithm>
#include <string>
#include <vector>

namespace korvalen {

namespace {

// How often a long generation reports its progress.
constexpr std::size_t kProgressStep = 1000;

// The week of the month ACT:WEEK names: 1..4 for "1st " .. "4th ", 5 for
// "Last"; 0 for a text that names none (nothing is generated then).
int weekOfText(std::string_view week)
{
    if (week == "Last")
        return 5;
    if (!week.empty() && week.front() >= '1' && week.front() <= '4')
        return week.front() - '0';
    return 0;
}

// The day number of `weekday` (0 = Sunday .. 6) on or after `date`.
Date onOrAfter(Date date, int weekday)
{
    return date + (weekday - weekdayOf(date) + 7) % 7;
}

// The day number of `weekday` on or before `date`.
Date onOrBefore(Date date, int weekday)
{
    return date - (weekdayOf(date) - weekday + 7) % 7;
}

// The dates of one pattern after a start date, one at a time, until the end
// date. Every step moves strictly forward, so a series always ends.
class DateSeries
{
public:
    DateSeries(RepeatUnit unit, const ActivityRecord &activity)
        : m_unit(unit), m_every(activity.REPNUMBER), m_week(weekOfText(activity.WEEK.view())),
          m_weekday(activity.WEEKDAY % 7)
    {
    }

    // Whether the pattern yields any date at all.
    bool isValid() const
    {
        switch (m_unit) {
        case RepeatUnit::Days:
        case RepeatUnit::Weeks:
        case RepeatUnit::Months:
            return m_every >= 1;
        case RepeatUnit::Weekday:
            return m_week >= 1;
        case RepeatUnit::None:
            break;
        }
        return false;
    }

    Date after(Date date) const
    {
        switch (m_unit) {
        case RepeatUnit::Days:
            return date + m_every;
        case RepeatUnit::Weeks:
            return date + 7 * m_every;
        case RepeatUnit::Months:
            return nextMonthly(date, m_every);
        case RepeatUnit::Weekday:
            return nextWeekday(date, m_week, m_weekday);
        case RepeatUnit::None:
            break;
        }
        return date;
    }

private:
    RepeatUnit m_unit;
    int m_every;
    int m_week;
    int m_weekday;
};

} // namespace

std::string_view repeatUnitText(RepeatUnit unit)
{
    switch (unit) {
    case RepeatUnit::Days:
        return "Days";
    case RepeatUnit::Weeks:
        return "Weeks";
    case RepeatUnit::Months:
        return "Months";
    case RepeatUnit::Weekday:
        return "Weekday";
    case RepeatUnit::None:
        break;
    }
    return {};
}

RepeatUnit unitOfPattern(std::string_view repeatType)
{
    repeatType = clipped(repeatType);
    if (repeatType == kFixedDays)
        return RepeatUnit::Days;
    if (repeatType == kFixedWeeks)
        return RepeatUnit::Weeks;
    if (repeatType == kFixedMonths)
        return RepeatUnit::Months;
    return RepeatUnit::None;
}

std::string_view patternOfUnit(RepeatUnit unit)
{
    switch (unit) {
    case RepeatUnit::Days:
        return kFixedDays;
    case RepeatUnit::Weeks:
        return kFixedWeeks;
    case RepeatUnit::Months:
        return kFixedMonths;
    case RepeatUnit::Weekday:
        return kSpecificWeekday;
    case RepeatUnit::None:
        break;
    }
    return {};
}

Date lastGenerationDate()
{
    return makeDate(12, 31, MonthGrid::kLastYear);
}

Date nextMonthly(Date date, int every)
{
    const int month = monthOf(date);
    const int day = dayOf(date);
    const int year = yearOf(date);
    const Date candidate = makeDate(month + every, day, year);
    // A day the target month lacks has carried into the month after it:
    // the occurrence takes that month's day of the same number instead.
    if (candidate < makeDate(month + every + 1, 1, year))
        return candidate;
    return makeDate(month + every + 1, day, year);
}

Date nextWeekday(Date date, int week, int weekday)
{
    const int month = monthOf(date);
    const int year = yearOf(date);
    weekday = ((weekday % 7) + 7) % 7;
    if (week >= 5) {
        const Date lastDay = makeDate(month + 2, 1, year) - 1;
        return onOrBefore(lastDay, weekday);
    }
    const Date firstDay = makeDate(month + 1, 1, year);
    return onOrAfter(firstDay + 7 * (std::max(week, 1) - 1), weekday);
}

std::size_t generateOccurrences(OccurrenceQueue &queue, const Occurrence &selected,
                                ActivityRecord &activity, RepeatUnit unit,
                                const std::function<void(std::size_t)> &progress)
{
    queue.removeFrom(selected.date);
    const std::size_t selectedIndex = queue.insert(selected);
    if (unit != RepeatUnit::None)
        activity.REPEATTYPE = patternOfUnit(unit);

    const DateSeries series(unit, activity);
    const Date end = std::min<Date>(activity.REPEND, lastGenerationDate());
    // Without a start date there is no series to follow.
    if (!series.isValid() || selected.date <= 0)
        return 0;

    // Entries of a higher activity number sort after the new series: they
    // are taken off and put back behind it, so that every insertion appends.
    const std::vector<Occurrence> tail(queue.entries().begin() +
                                           static_cast<std::ptrdiff_t>(selectedIndex + 1),
                                       queue.entries().end());
    queue.truncate(selectedIndex + 1);
    std::size_t generated = 0;
    for (Date date = series.after(selected.date); date <= end; date = series.after(date)) {
        Occurrence entry = selected;
        entry.date = date;
        queue.insert(entry);
        if (++generated % kProgressStep == 0 && progress)
            progress(generated);
    }
    for (const Occurrence &entry : tail)
        queue.insert(entry);
    return generated;
}

RepeatSummary repeatSummary(const ActivityRecord &activity, std::string_view weekdayName)
{
    const std::string_view pattern = activity.REPEATTYPE.view();
    if (pattern == kNoRepeats)
        return {"SINGLE", "", "", ""};
    if (pattern == kIrregularDates)
        return {"REPEATED", "Irregularly", "", ""};
    if (pattern == kSpecificWeekday) {
        std::string line2 = std::string(activity.WEEK.view()) + " ";
        line2 += clipped(weekdayName);
        return {"REPEATED", line2, "of month until", formatDate(activity.REPEND)};
    }
    if (unitOfPattern(pattern) != RepeatUnit::None) {
        // Characters 7 to 12 of the pattern: "Days", "Weeks", "Months".
        const std::string_view unit = clipped(activity.REPEATTYPE.padded().substr(6, 6));
        return {"REPEATED", "Every " + std::to_string(activity.REPNUMBER),
                std::string(unit) + " Until", formatDate(activity.REPEND)};
    }
    return {};
}

} // namespace korvalen
