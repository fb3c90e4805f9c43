#include "views/occurrencesources.h"

#include "runtime/pictures.h"

#include <algorithm>
#include <limits>
#include <tuple>

namespace korvalen {

using namespace keys;

namespace {

constexpr std::string_view kDayNames = "Sun.Mon.Tue.Wed.Thu.Fri.Sat.";

Status noMore()
{
    return Status(ErrorCode::NoRecord, "");
}

// Runs `take` on every record of `cursor` (ranged by the caller) to its end.
template <class Record, class Take> Status readToEnd(TypedCursor<Record> &cursor, Take take)
{
    Status status;
    while ((status = cursor.next()).ok())
        take(cursor.record());
    cursor.release();
    return status.is(ErrorCode::NoRecord) ? Status::success() : status;
}

} // namespace

std::string_view dayNameOf(Date date)
{
    if (date == 0)
        return {};
    return kDayNames.substr(static_cast<std::size_t>(weekdayOf(date)) * 4, 4);
}

void fillDisplayFields(DatesRecord &record)
{
    record.DAYNAME = dayNameOf(record.DATE);
    record.DATETEXT = formatDate(record.DATE, "D3");
}

Status activitiesOfPeople(DataFile &personAct, const std::vector<Text<10>> &people,
                          std::vector<std::int32_t> &numbers)
{
    numbers.clear();
    TypedCursor<PersonActRecord> cursor(personAct, PER_PERSON_KEY);
    for (const Text<10> &person : people) {
        if (person.isBlank())
            continue;
        PersonActRecord probe;
        probe.PERSON = person;
        cursor.setRangeEqual(1, probe);
        // The key folds case; the people it names do not.
        Status status = readToEnd(cursor, [&](const PersonActRecord &record) {
            if (record.PERSON == person && record.ACTNUMBER > 0)
                numbers.push_back(record.ACTNUMBER);
        });
        if (!status.ok()) {
            numbers.clear();
            return status;
        }
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return Status::success();
}

Status activitiesOfPerson(DataFile &personAct, const Text<10> &person,
                          std::vector<std::int32_t> &numbers)
{
    return activitiesOfPeople(personAct, {person}, numbers);
}

Status membersOfGroup(DataFile &groupPeople, const Text<10> &group, std::vector<Text<10>> &members)
{
    members.clear();
    if (group.isBlank())
        return Status::success();
    TypedCursor<GroupPeopleRecord> cursor(groupPeople, GRP_GROUP_KEY);
    GroupPeopleRecord probe;
    probe.GROUP = group;
    cursor.setRangeEqual(1, probe);
    Status status = readToEnd(cursor, [&](const GroupPeopleRecord &record) {
        if (!record.PEOPLE.isBlank())
            members.push_back(record.PEOPLE);
    });
    if (!status.ok())
        members.clear();
    return status;
}

Status rereadOccurrence(DataFile &dates, const Position &position, DatesRecord &record)
{
    TypedCursor<DatesRecord> cursor(dates, position.key());
    if (Status status = cursor.reset(position, true); !status.ok())
        return status;
    Status status = cursor.next();
    cursor.release();
    if (status.is(ErrorCode::NoRecord) ||
        (status.ok() && cursor.position().recordNumber() != position.recordNumber()))
        return Status(ErrorCode::RecordNotFound, standardMessage(ErrorCode::RecordNotFound));
    if (status.ok())
        record = cursor.record();
    return status;
}

std::optional<DatesRecord> firstOccurrenceOf(DataFile &dates, std::int32_t activity, Date from)
{
    if (activity <= 0)
        return std::nullopt;
    TypedCursor<DatesRecord> cursor(dates, DAT_ACTNUMBER_KEY);
    DatesRecord probe;
    probe.ACTNUMBER = activity;
    cursor.setRangeEqual(1, probe);
    std::optional<DatesRecord> first;
    while (cursor.next().ok()) {
        const DatesRecord &read = cursor.record();
        if (read.DATE >= from && (!first || std::tie(read.DATE, read.TIME, read.ENDTIME) <
                                                std::tie(first->DATE, first->TIME, first->ENDTIME)))
            first = read;
    }
    cursor.release();
    return first;
}

// ---------------------------------------------------------------------------

OccurrenceSource::OccurrenceSource(DataFile &dates, DataFile &activity)
    : m_dates(dates), m_activityFile(activity), m_cursor(dates, DAT_DATETIME_KEY),
      m_reread(dates, DAT_ACTNUMBER_KEY), m_activityCursor(activity, ACT_ACTNUMBER_KEY)
{
    showAll(0);
}

OccurrenceSource::~OccurrenceSource() = default;

void OccurrenceSource::showAll(Date from)
{
    m_all = true;
    m_from = from;
    m_activities.clear();
    m_entries.clear();
    DatesRecord low, high;
    low.DATE = from;
    high.DATE = std::numeric_limits<std::int32_t>::max();
    // The first date bounds the key range: reading back from the first row
    // ends there instead of walking the history.
    m_cursor.setRangeBetween(1, low, high);
    m_cursor.setFilter([this](const DatesRecord &record) {
        return record.ACTNUMBER > 0 && (!m_filter || m_filter(&record));
    });
    seekStart();
}

Status OccurrenceSource::showActivities(Date from, std::vector<std::int32_t> activities)
{
    m_all = false;
    m_from = from;
    m_entries.clear();
    std::erase_if(activities, [](std::int32_t number) { return number <= 0; });
    std::sort(activities.begin(), activities.end());
    activities.erase(std::unique(activities.begin(), activities.end()), activities.end());
    m_activities = std::move(activities);
    seekStart();

    // Each activity's occurrences lie together in DAT:ACTNUMBER_KEY; the
    // cursor is set to each in turn rather than ranged, so that its
    // statements are prepared once.
    TypedCursor<DatesRecord> cursor(m_dates, DAT_ACTNUMBER_KEY);
    for (std::int32_t number : m_activities) {
        DatesRecord probe;
        probe.ACTNUMBER = number;
        cursor.setAt(probe, 1);
        Status status;
        while ((status = cursor.next()).ok() && cursor.record().ACTNUMBER == number) {
            const DatesRecord &record = cursor.record();
            if (record.DATE < from)
                continue;
            m_entries.push_back({record.DATE, record.TIME, record.ENDTIME,
                                 cursor.position().recordNumber(), cursor.position()});
        }
        if (!status.ok() && !status.is(ErrorCode::NoRecord)) {
            m_entries.clear();
            return status;
        }
    }
    cursor.release();
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry &a, const Entry &b) { return keyLess(a, b, 4); });
    for (const Entry &entry : m_entries)
        m_known[entry.recordNumber] = entry;
    return Status::success();
}

bool OccurrenceSource::passes(const DatesRecord &record) const
{
    if (record.ACTNUMBER <= 0 || record.DATE < m_from)
        return false;
    return m_all || std::binary_search(m_activities.begin(), m_activities.end(), record.ACTNUMBER);
}

RowPosition OccurrenceSource::find(const DatesRecord &record)
{
    TypedCursor<DatesRecord> cursor(m_dates, DAT_DATETIME_KEY);
    cursor.setAt(record, 3);
    RowPosition found;
    while (cursor.next().ok()) {
        const DatesRecord &read = cursor.record();
        if (read.DATE != record.DATE || read.TIME != record.TIME || read.ENDTIME != record.ENDTIME)
            break;
        if (read.ACTNUMBER == record.ACTNUMBER) {
            if (passes(read))
                found = {cursor.position(), 0};
            break;
        }
    }
    cursor.release();
    return found;
}

bool OccurrenceSource::keyLess(const Entry &a, const Entry &b, int components)
{
    const auto left = std::make_tuple(a.date, a.time, a.endTime, a.recordNumber);
    const auto right = std::make_tuple(b.date, b.time, b.endTime, b.recordNumber);
    switch (components) {
    case 1:
        return a.date < b.date;
    case 2:
        return std::tie(a.date, a.time) < std::tie(b.date, b.time);
    case 3:
        return std::tie(a.date, a.time, a.endTime) < std::tie(b.date, b.time, b.endTime);
    default:
        return left < right;
    }
}

void OccurrenceSource::seekStart()
{
    m_anchor = Anchor{};
    if (m_all)
        m_cursor.setStart();
}

void OccurrenceSource::seekKey(const void *row, int components)
{
    const auto &wanted = *static_cast<const DatesRecord *>(row);
    if (m_all) {
        // Below the first date, the range starts the read.
        m_cursor.setAt(wanted, components);
        return;
    }
    m_anchor = Anchor{false, std::clamp(components, 1, 3), true, {}};
    m_anchor.key.date = wanted.DATE;
    m_anchor.key.time = wanted.TIME;
    m_anchor.key.endTime = wanted.ENDTIME;
}

Status OccurrenceSource::seek(const RowPosition &position, bool onRow)
{
    if (m_all)
        return m_cursor.reset(position.key, onRow);
    auto known = m_known.find(position.recordNumber());
    if (known == m_known.end()) {
        // Not one of this source's rows: its neighbours are found by its key.
        DatesRecord record;
        if (!position.key.isValid() || !rereadOccurrence(m_dates, position.key, record).ok()) {
            seekStart();
            return Status::success();
        }
        Entry entry{record.DATE, record.TIME, record.ENDTIME, position.recordNumber(), {}};
        m_anchor = Anchor{false, 4, onRow, entry};
        return Status::success();
    }
    m_anchor = Anchor{false, 4, onRow, known->second};
    return Status::success();
}

Status OccurrenceSource::next()
{
    return m_all ? readAll(true) : readGathered(true);
}

Status OccurrenceSource::previous()
{
    return m_all ? readAll(false) : readGathered(false);
}

Status OccurrenceSource::readAll(bool forward)
{
    Status status = forward ? m_cursor.next() : m_cursor.previous();
    if (!status.ok())
        return status;
    m_row = m_cursor.record();
    m_rowPosition = m_cursor.position();
    finishRow();
    return status;
}

Status OccurrenceSource::readGathered(bool forward)
{
    const auto count = static_cast<std::int64_t>(m_entries.size());
    std::int64_t at = 0;
    if (m_anchor.start) {
        at = forward ? 0 : count - 1;
    } else {
        auto less = [this](const Entry &a, const Entry &b) {
            return keyLess(a, b, m_anchor.components);
        };
        auto lower = std::lower_bound(m_entries.begin(), m_entries.end(), m_anchor.key, less);
        auto upper = std::upper_bound(m_entries.begin(), m_entries.end(), m_anchor.key, less);
        if (forward)
            at = (m_anchor.inclusive ? lower : upper) - m_entries.begin();
        else
            at = (m_anchor.inclusive ? upper : lower) - m_entries.begin() - 1;
    }
    for (; at >= 0 && at < count; at += forward ? 1 : -1) {
        const Entry &entry = m_entries[static_cast<std::size_t>(at)];
        Status failure;
        if (readEntry(entry, failure)) {
            m_anchor = Anchor{false, 4, false, entry};
            return Status::success();
        }
        if (!failure.ok())
            return failure;
    }
    return noMore();
}

bool OccurrenceSource::readEntry(const Entry &entry, Status &failure)
{
    // Read again as it is now: gone, or moved to another date or time since
    // it was gathered, it waits for the next gathering.
    if (Status status = m_reread.reset(entry.position, true); !status.ok()) {
        failure = status;
        return false;
    }
    Status status = m_reread.next();
    if (!status.ok()) {
        if (!status.is(ErrorCode::NoRecord))
            failure = status;
        return false;
    }
    const DatesRecord &record = m_reread.record();
    if (m_reread.position().recordNumber() != entry.recordNumber || record.DATE != entry.date ||
        record.TIME != entry.time || record.ENDTIME != entry.endTime || !passes(record) ||
        (m_filter && !m_filter(&record)))
        return false;
    m_row = record;
    m_rowPosition = m_reread.position();
    finishRow();
    return true;
}

void OccurrenceSource::finishRow()
{
    fillDisplayFields(m_row);
    // The activity by its number, on a cursor that keeps its statements: a
    // missing activity leaves a blank one (the row shows no name).
    ActivityRecord probe;
    probe.ACTNUMBER = m_row.ACTNUMBER;
    m_activityCursor.setAt(probe, 1);
    if (m_activityCursor.next().ok() && m_activityCursor.record().ACTNUMBER == m_row.ACTNUMBER)
        m_activity = m_activityCursor.record();
    else
        m_activity = {};
}

RowPosition OccurrenceSource::position() const
{
    return {m_rowPosition, 0};
}

std::shared_ptr<void> OccurrenceSource::copyRow(const void *row) const
{
    return row ? std::make_shared<DatesRecord>(*static_cast<const DatesRecord *>(row))
               : std::make_shared<DatesRecord>();
}

std::shared_ptr<void> OccurrenceSource::copyJoined(const void *joined) const
{
    return joined ? std::make_shared<ActivityRecord>(*static_cast<const ActivityRecord *>(joined))
                  : std::make_shared<ActivityRecord>();
}

void OccurrenceSource::setFilter(Filter filter)
{
    m_filter = std::move(filter);
    seekStart();
}

void OccurrenceSource::release()
{
    m_cursor.release();
    m_reread.release();
    m_activityCursor.release();
}

} // namespace korvalen
