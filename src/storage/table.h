#pragma once

// Typed reads of the data files: each read lands in a record of the
// caller's own, and the file's shared record buffer, its current record and
// its pending watch stay exactly as they were. The shared buffers remain
// the hand-off between a procedure and the one it calls; code that only
// needs to look at records reads through these instead.

#include "storage/cursor.h"
#include "storage/datafile.h"
#include "storage/datafiles.h"

#include <cassert>
#include <functional>
#include <type_traits>
#include <utility>

namespace korvalen {

namespace detail {

// The declaration of the data file whose records are `Record`s; null for a
// record type that is not one of the nine.
template <class Record> const FileDef *declarationOf()
{
    if constexpr (std::is_same_v<Record, ActivityRecord>)
        return &activityFile();
    else if constexpr (std::is_same_v<Record, PersonActRecord>)
        return &personActFile();
    else if constexpr (std::is_same_v<Record, DatesRecord>)
        return &datesFile();
    else if constexpr (std::is_same_v<Record, GroupRecord>)
        return &groupFile();
    else if constexpr (std::is_same_v<Record, GroupPeopleRecord>)
        return &groupPeopleFile();
    else if constexpr (std::is_same_v<Record, PeopleRecord>)
        return &peopleFile();
    else if constexpr (std::is_same_v<Record, SpecialRecord>)
        return &specialFile();
    else if constexpr (std::is_same_v<Record, WeekdayRecord>)
        return &weekdayFile();
    else if constexpr (std::is_same_v<Record, UserPrefRecord>)
        return &userPrefFile();
    else
        return nullptr;
}

} // namespace detail

// A traversal of one file in the order of one of its keys, as Cursor, that
// reads each record into a record of its own. `Record` is the file's record
// type. Reading never changes the file's buffer or current record: a window
// holding a record there (read with watch, about to be put) keeps it, and
// two typed cursors walk one file side by side. Non-copyable.
template <class Record> class TypedCursor
{
public:
    using Filter = std::function<bool(const Record &record)>;

    TypedCursor(DataFile &file, int key) : m_cursor(file, key)
    {
        assert(!detail::declarationOf<Record>() || detail::declarationOf<Record>() == &file.def());
    }
    TypedCursor(const TypedCursor &) = delete;
    TypedCursor &operator=(const TypedCursor &) = delete;

    DataFile &file() const { return m_cursor.file(); }
    int key() const { return m_cursor.key(); }
    // Changes the order; the cursor is set to its start.
    void setKey(int key) { m_cursor.setKey(key); }

    // As Cursor's range and filter.
    void setRangeEqual(int components, const Record &record)
    {
        m_cursor.setRangeEqual(components, &record);
    }
    void setRangeBetween(int components, const Record &low, const Record &high)
    {
        m_cursor.setRangeBetween(components, &low, &high);
    }
    void clearRange() { m_cursor.clearRange(); }
    // Records for which `filter` is false are passed over; an empty filter
    // passes every record.
    void setFilter(Filter filter)
    {
        if (!filter) {
            m_cursor.setFilter({});
            return;
        }
        m_cursor.setFilter([filter = std::move(filter)](const void *record) {
            return filter(*static_cast<const Record *>(record));
        });
    }

    // As Cursor's: the next read returns the first (next) or last
    // (previous) record of the order; or the records from `record`'s key
    // values on; or `position` again.
    void setStart() { m_cursor.setStart(); }
    void setAt(const Record &record, int components = -1) { m_cursor.setAt(&record, components); }
    Status reset(const Position &position, bool onRecord = true)
    {
        return m_cursor.reset(position, onRecord);
    }

    // Reads the next or previous record into record(): 33 at the end or the
    // start, an engine failure otherwise; record() is unchanged then.
    Status next() { return m_cursor.next(&m_record); }
    Status previous() { return m_cursor.previous(&m_record); }

    // The record read last (a blank record before any read).
    const Record &record() const { return m_record; }
    // What a put or delete of the record read last names (unwatched).
    RecordRef recordRef() const { return {m_cursor.recordNumber(), m_cursor.version(), false}; }
    // The position of the record read last (invalid before any read).
    Position position() const { return m_cursor.position(); }

    // Gives up the read lock of the stepping read; the cursor keeps its place.
    void release() { m_cursor.release(); }

private:
    Cursor m_cursor;
    Record m_record{};
};

// Reads into `probeAndResult` the first record (in record order) whose key
// `key` equals `probeAndResult`'s key values in every component, as
// DataFile::get does, but leaving the file's buffer, current record and
// own cursor as they were: 0; 35 when there is none (`probeAndResult` then
// unchanged); an engine failure otherwise. With `found`, it receives what a
// put or delete of that record names.
template <class Record>
Status readByKey(DataFile &file, int key, Record &probeAndResult, RecordRef *found = nullptr)
{
    TypedCursor<Record> cursor(file, key);
    // Equal key values keep record order, so the first of the range is the
    // record with the lowest number.
    cursor.setRangeEqual(file.keyComponentCount(key), probeAndResult);
    Status status = cursor.next();
    if (status.is(ErrorCode::NoRecord))
        return file.database().remember(
            Status(ErrorCode::RecordNotFound, standardMessage(ErrorCode::RecordNotFound)));
    if (!status.ok())
        return status;
    probeAndResult = cursor.record();
    if (found)
        *found = cursor.recordRef();
    return status;
}

} // namespace korvalen
