#pragma once

// The occurrences the browse by date lists, as a row source of the one
// paging core: DATES in the order of DAT:DATETIME_KEY (date, start time, end
// time, then record number) from a first date on, each row the occurrence
// with its day name and date text filled and its activity joined.
//
//   OccurrenceSource source(data.dates, data.activity);
//   source.showAll(today);                       // every occurrence
//   std::vector<std::int32_t> numbers;
//   activitiesOfPerson(data.personAct, "Anna", numbers);
//   source.showActivities(today, numbers);       // only Anna's
//
// Every occurrence is read straight from the key, from the first date on, so
// reading back from the first row stops at once. The occurrences of a few
// activities are gathered from their participation instead: each activity's
// DATES records by DAT:ACTNUMBER_KEY, kept in memory in key order, so the
// rest of the file is never read and a page then costs what it shows. No
// key orders one activity's dates, so gathering reads those activities'
// earlier occurrences too, once per showActivities().

#include "runtime/dates.h"
#include "runtime/text.h"
#include "storage/datafiles.h"
#include "storage/table.h"
#include "ui/rowsource.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvalen {

// "Sun." to "Sat.": the abbreviated weekday of `date`.
std::string_view dayNameOf(Date date);
// Fills DAT:DAYNAME and DAT:DATETEXT (the date in picture D3) of `record`
// from its DAT:DATE; both blank when it has no date.
void fillDisplayFields(DatesRecord &record);

// The activity numbers (above 0, ascending, each once) in which `person`
// takes part: PERSONACT read by PER:PERSON_KEY, the short name compared
// byte for byte (people differ by letter case). `numbers` is replaced; 0, or
// the failed read's status.
Status activitiesOfPerson(DataFile &personAct, const Text<10> &person,
                          std::vector<std::int32_t> &numbers);
// The same for any of `people`.
Status activitiesOfPeople(DataFile &personAct, const std::vector<Text<10>> &people,
                          std::vector<std::int32_t> &numbers);
// The members of `group` in GRP:GROUP_KEY order, the group's name matched
// without regard to letter case. `members` is replaced; 0, or the failed
// read's status.
Status membersOfGroup(DataFile &groupPeople, const Text<10> &group, std::vector<Text<10>> &members);

// Reads into `record` the very DATES record at `position` (of any key): 0;
// 35 when it is gone; the read's failure otherwise. Buffers untouched.
Status rereadOccurrence(DataFile &dates, const Position &position, DatesRecord &record);

// The first occurrence of `activity` in key order dated `from` or later;
// nullopt when it has none (or the read failed). Buffers untouched.
std::optional<DatesRecord> firstOccurrenceOf(DataFile &dates, std::int32_t activity, Date from);

// The occurrence list's rows. Rows are DatesRecords with DAYNAME and
// DATETEXT filled; the joined record is the activity (blank when it is
// missing). Occurrences with an activity number of 0 or below are never
// rows. Reads go into records of the source's own: the files' buffers and
// current records are left alone.
class OccurrenceSource : public RowSource
{
public:
    // Shows every occurrence until showActivities() or another showAll()
    // says otherwise. The two files (open) must outlive the source.
    OccurrenceSource(DataFile &dates, DataFile &activity);
    ~OccurrenceSource() override;

    // Every occurrence dated `from` or later, read from DAT:DATETIME_KEY.
    void showAll(Date from);
    // Only the occurrences of `activities` dated `from` or later: their
    // DATES records are gathered now, by DAT:ACTNUMBER_KEY, and each row is
    // read again when shown (a record gone or moved meanwhile is passed
    // over until the next call). 0, or the failed read's status (the source
    // then shows nothing).
    Status showActivities(Date from, std::vector<std::int32_t> activities);

    Date from() const { return m_from; }
    // Whether all occurrences are shown (not only some activities').
    bool showsAll() const { return m_all; }
    // How many occurrences the last showActivities() gathered.
    std::size_t gathered() const { return m_entries.size(); }
    // Whether `record` is one of the rows: its activity number above 0, its
    // date not before from(), one of the activities shown.
    bool passes(const DatesRecord &record) const;
    // Where the occurrence with `record`'s date, times and activity stands
    // (the first of several alike); invalid when it is not one of the rows.
    RowPosition find(const DatesRecord &record);

    void seekStart() override;
    void seekKey(const void *row, int components) override;
    Status seek(const RowPosition &position, bool onRow) override;
    Status next() override;
    Status previous() override;
    RowPosition position() const override;
    const void *row() const override { return &m_row; }
    const void *joined() const override { return &m_activity; }
    std::shared_ptr<void> copyRow(const void *row) const override;
    std::shared_ptr<void> copyJoined(const void *joined) const override;
    // No range: the first date is the range. A filter passes over more rows.
    void setRange(Range) override { seekStart(); }
    void setFilter(Filter filter) override;
    void release() override;

private:
    // One gathered occurrence: its key values and where to read it again.
    struct Entry
    {
        std::int32_t date = 0, time = 0, endTime = 0;
        std::int64_t recordNumber = 0;
        Position position; // in DAT:ACTNUMBER_KEY order
    };
    // Where the next read of the gathered occurrences starts.
    struct Anchor
    {
        bool start = true;
        int components = 4; // compared: date, time, end time, record number
        bool inclusive = true;
        Entry key;
    };
    static bool keyLess(const Entry &a, const Entry &b, int components);

    Status readAll(bool forward);
    Status readGathered(bool forward);
    // `entry` read again into m_row; false when it is gone or no longer
    // where it was gathered (`failure` set when the read failed).
    bool readEntry(const Entry &entry, Status &failure);
    void finishRow();

    DataFile &m_dates;
    DataFile &m_activityFile;
    Date m_from = 0;
    bool m_all = true;
    Filter m_filter;

    // Every occurrence: a cursor on DAT:DATETIME_KEY from m_from on.
    TypedCursor<DatesRecord> m_cursor;
    // Some activities' occurrences, in key order, and every one ever
    // gathered by record number (a position whose record went is still
    // found among its neighbours).
    std::vector<std::int32_t> m_activities; // ascending
    std::vector<Entry> m_entries;
    std::unordered_map<std::int64_t, Entry> m_known;
    Anchor m_anchor;
    TypedCursor<DatesRecord> m_reread;

    TypedCursor<ActivityRecord> m_activityCursor;
    DatesRecord m_row;
    ActivityRecord m_activity;
    Position m_rowPosition;
};

} // namespace korvalen
