#include "schedulelogic/conflicts.h"

#include "storage/table.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace korvalen {

using namespace keys;

namespace {

// The minute a time shows in, counting from 0:00; a time of 0 ("none")
// falls before the day's first minute.
std::int64_t minuteOf(ClockTime time)
{
    const std::int64_t hundredths = static_cast<std::int64_t>(time) - 1;
    return hundredths >= 0 ? hundredths / kHundredthsPerMinute
                           : -((-hundredths + kHundredthsPerMinute - 1) / kHundredthsPerMinute);
}

// The latest start time an occurrence may have and still begin in a minute
// before the one `end` shows in.
ClockTime latestStartBefore(ClockTime end)
{
    const std::int64_t limit = minuteOf(end) * kHundredthsPerMinute;
    return static_cast<ClockTime>(
        std::min<std::int64_t>(limit, std::numeric_limits<ClockTime>::max()));
}

} // namespace

bool timesOverlap(ClockTime start, ClockTime end, ClockTime otherStart, ClockTime otherEnd)
{
    if (end == 0 || otherEnd == 0)
        return false;
    return minuteOf(start) < minuteOf(otherEnd) && minuteOf(end) > minuteOf(otherStart);
}

ConflictCheck::ConflictCheck(AppData &data, const ParticipantQueue &participants,
                             ConflictHost &host)
    : m_data(data), m_participants(participants), m_host(host)
{
}

ConflictChoice ConflictCheck::check(const Occurrence &entry, bool seriesCheck)
{
    // Every decision but "accept all" holds for the date it was given for.
    if (m_choice == ConflictChoice::AcceptAll)
        return m_choice;
    m_choice = ConflictChoice::Accept;

    if (checkPeriods(entry.date, seriesCheck))
        return m_choice;
    checkActivities(entry, seriesCheck);
    return m_choice;
}

void ConflictCheck::reportFailure(const DataFile &file, const Status &status)
{
    if (m_readFailed)
        return;
    m_readFailed = true;
    m_host.readFailed(file.name(), status);
}

bool ConflictCheck::decide(const Collision &collision, bool seriesCheck)
{
    // The read lock of a stepping read must not outlast the window: other
    // stations could not save meanwhile.
    m_data.database.releaseReads();
    if (const std::optional<ConflictChoice> choice = m_host.show(collision, seriesCheck))
        m_choice = *choice;
    return m_choice != ConflictChoice::Accept;
}

const std::vector<SpecialRecord> &ConflictCheck::periods()
{
    if (m_periods)
        return *m_periods;
    m_periods.emplace();
    TypedCursor<SpecialRecord> cursor(m_data.special, SPE_DATE_KEY);
    for (;;) {
        const Status status = cursor.next();
        if (status.is(ErrorCode::NoRecord))
            break;
        if (!status.ok()) {
            reportFailure(m_data.special, status);
            break;
        }
        m_periods->push_back(cursor.record());
    }
    return *m_periods;
}

bool ConflictCheck::checkPeriods(Date date, bool seriesCheck)
{
    for (const SpecialRecord &period : periods()) {
        if (period.STARTDATE > date || date > period.ENDDATE)
            continue;
        Collision collision;
        collision.specialPeriod = true;
        collision.period = period;
        if (decide(collision, seriesCheck))
            return true;
    }
    return false;
}

const std::vector<Text<10>> &ConflictCheck::peopleOf(std::int32_t actNumber)
{
    const auto known = m_peopleOf.find(actNumber);
    if (known != m_peopleOf.end())
        return known->second;
    std::vector<Text<10>> &people = m_peopleOf[actNumber];
    PersonActRecord probe;
    probe.ACTNUMBER = actNumber;
    TypedCursor<PersonActRecord> cursor(m_data.personAct, PER_ACTIVITY_KEY);
    cursor.setRangeEqual(1, probe);
    for (;;) {
        const Status status = cursor.next();
        if (status.is(ErrorCode::NoRecord))
            break;
        if (!status.ok()) {
            reportFailure(m_data.personAct, status);
            break;
        }
        people.push_back(cursor.record().PERSON);
    }
    return people;
}

bool ConflictCheck::sharesParticipant(std::int32_t actNumber)
{
    const std::vector<Text<10>> &people = peopleOf(actNumber);
    for (const Participant &participant : m_participants.entries()) {
        for (const Text<10> &person : people) {
            if (person == participant.person)
                return true;
        }
    }
    return false;
}

void ConflictCheck::checkActivities(const Occurrence &entry, bool seriesCheck)
{
    if (entry.endTime == 0 || m_participants.empty())
        return;
    // Only occurrences starting before the entry's last minute can overlap
    // it: the read ends there, whatever else the day holds.
    DatesRecord low;
    low.DATE = entry.date;
    low.TIME = std::numeric_limits<ClockTime>::min();
    DatesRecord high = low;
    high.TIME = latestStartBefore(entry.endTime);
    TypedCursor<DatesRecord> cursor(m_data.dates, DAT_DATETIME_KEY);
    cursor.setRangeBetween(2, low, high);
    cursor.setFilter([&entry](const DatesRecord &other) {
        return other.ACTNUMBER != entry.actNumber &&
               timesOverlap(entry.time, entry.endTime, other.TIME, other.ENDTIME);
    });
    for (;;) {
        const Status status = cursor.next();
        if (status.is(ErrorCode::NoRecord))
            return;
        if (!status.ok()) {
            reportFailure(m_data.dates, status);
            return;
        }
        const DatesRecord occurrence = cursor.record();
        if (!sharesParticipant(occurrence.ACTNUMBER))
            continue;
        Collision collision;
        collision.activity = activityOf(occurrence.ACTNUMBER);
        collision.occurrence = occurrence;
        if (decide(collision, seriesCheck))
            return;
    }
}

ActivityRecord ConflictCheck::activityOf(std::int32_t actNumber)
{
    ActivityRecord activity;
    activity.ACTNUMBER = actNumber;
    const Status status = readByKey(m_data.activity, ACT_ACTNUMBER_KEY, activity);
    // An occurrence whose activity is gone is still a booking of its people:
    // it is shown under its number alone.
    if (!status.ok()) {
        if (!status.is(ErrorCode::RecordNotFound))
            reportFailure(m_data.activity, status);
        ActivityRecord missing;
        missing.ACTNUMBER = actNumber;
        return missing;
    }
    return activity;
}

} // namespace korvalen
