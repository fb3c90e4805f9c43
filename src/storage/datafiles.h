#pragma once

// The nine data files of the program: their records, declarations and the
// context that holds one record buffer and one open counter per file.

#include "runtime/text.h"
#include "storage/database.h"
#include "storage/datafile.h"
#include "storage/filedef.h"

#include <cstdint>

namespace korvalen {

// ACTIVITY: one record per activity (94 bytes and a memo).
struct ActivityRecord
{
    std::int32_t ACTNUMBER = 0;
    Text<50> NAME;
    std::uint8_t TYPE = 0;
    Text<10> GROUP;
    Text<18> REPEATTYPE;
    std::int16_t REPNUMBER = 0;
    Text<4> WEEK;
    std::uint8_t WEEKDAY = 0;
    std::int32_t REPEND = 0;
    Memo NOTES;

    template <class V> void visitFields(V &&v)
    {
        v(ACTNUMBER), v(NAME), v(TYPE), v(GROUP), v(REPEATTYPE), v(REPNUMBER), v(WEEK), v(WEEKDAY),
            v(REPEND), v(NOTES);
    }
    friend bool operator==(const ActivityRecord &, const ActivityRecord &) = default;
};

// PERSONACT: one record per person taking part in an activity (14 bytes).
struct PersonActRecord
{
    std::int32_t ACTNUMBER = 0;
    Text<10> PERSON;

    template <class V> void visitFields(V &&v) { v(ACTNUMBER), v(PERSON); }
    friend bool operator==(const PersonActRecord &, const PersonActRecord &) = default;
};

// DATES: one record per dated occurrence of an activity (31 bytes).
struct DatesRecord
{
    std::int32_t ACTNUMBER = 0;
    std::int32_t DATE = 0;
    std::int32_t TIME = 0;
    std::int32_t ENDTIME = 0;
    Text<11> DATETEXT;
    Text<4> DAYNAME;

    template <class V> void visitFields(V &&v)
    {
        v(ACTNUMBER), v(DATE), v(TIME), v(ENDTIME), v(DATETEXT), v(DAYNAME);
    }
    friend bool operator==(const DatesRecord &, const DatesRecord &) = default;
};

// GROUP: one record per named group (10 bytes).
struct GroupRecord
{
    Text<10> GROUP;

    template <class V> void visitFields(V &&v) { v(GROUP); }
    friend bool operator==(const GroupRecord &, const GroupRecord &) = default;
};

// GROUPPEOPLE: one record per member of a group (20 bytes).
struct GroupPeopleRecord
{
    Text<10> GROUP;
    Text<10> PEOPLE;

    template <class V> void visitFields(V &&v) { v(GROUP), v(PEOPLE); }
    friend bool operator==(const GroupPeopleRecord &, const GroupPeopleRecord &) = default;
};

// PEOPLE: one record per person (44 bytes, encrypted).
struct PeopleRecord
{
    Text<10> PERSON;
    Text<30> NAME;
    std::int32_t DATE = 0;

    template <class V> void visitFields(V &&v) { v(PERSON), v(NAME), v(DATE); }
    friend bool operator==(const PeopleRecord &, const PeopleRecord &) = default;
};

// SPECIAL: one record per special period, such as a holiday (28 bytes).
struct SpecialRecord
{
    std::int32_t STARTDATE = 0;
    std::int32_t ENDDATE = 0;
    Text<20> DESCRIPTION;

    template <class V> void visitFields(V &&v) { v(STARTDATE), v(ENDDATE), v(DESCRIPTION); }
    friend bool operator==(const SpecialRecord &, const SpecialRecord &) = default;
};

// WEEKDAY: the seven weekday names (10 bytes).
struct WeekdayRecord
{
    Text<9> DAY;
    std::uint8_t DAYNUMBER = 0;

    template <class V> void visitFields(V &&v) { v(DAY), v(DAYNUMBER); }
    friend bool operator==(const WeekdayRecord &, const WeekdayRecord &) = default;
};

// USERPREF: the single record of user preferences (8 bytes, encrypted).
struct UserPrefRecord
{
    std::int32_t STARTTIME = 0;
    std::int32_t DURATION = 0;

    template <class V> void visitFields(V &&v) { v(STARTTIME), v(DURATION); }
    friend bool operator==(const UserPrefRecord &, const UserPrefRecord &) = default;
};

// The declarations, constant for the whole run.
const FileDef &activityFile();
const FileDef &personActFile();
const FileDef &datesFile();
const FileDef &groupFile();
const FileDef &groupPeopleFile();
const FileDef &peopleFile();
const FileDef &specialFile();
const FileDef &weekdayFile();
const FileDef &userPrefFile();

// Key numbers, in the order of each file's declaration.
namespace keys {
enum Activity
{
    ACT_GROUP_KEY,
    ACT_ACTNUMBER_KEY,
    ACT_NAME_KEY
};
enum PersonAct
{
    PER_PERSON_KEY,
    PER_ACTIVITY_KEY
};
enum Dates
{
    DAT_DATETIME_KEY,
    DAT_ACTNUMBER_KEY
};
enum Group
{
    GRO_GROUP_KEY
};
enum GroupPeople
{
    GRP_GROUP_KEY
};
enum People
{
    PEO_PERSON_KEY,
    PEO_DATE_KEY
};
enum Special
{
    SPE_DATE_KEY
};
enum Weekday
{
    WEE_DAYNUMBER_KEY
};
} // namespace keys

// One program's data: the connection, the nine record buffers and the nine
// files (each with its open counter). A test builds a fresh one per case.
// Non-copyable.
struct AppData
{
    Database database;

    ActivityRecord ACT;
    PersonActRecord PER;
    DatesRecord DAT;
    GroupRecord GRO;
    GroupPeopleRecord GRP;
    PeopleRecord PEO;
    SpecialRecord SPE;
    WeekdayRecord WEE;
    UserPrefRecord USP;

    DataFile activity{database, activityFile(), &ACT};
    DataFile personAct{database, personActFile(), &PER};
    DataFile dates{database, datesFile(), &DAT};
    DataFile group{database, groupFile(), &GRO};
    DataFile groupPeople{database, groupPeopleFile(), &GRP};
    DataFile people{database, peopleFile(), &PEO};
    DataFile special{database, specialFile(), &SPE};
    DataFile weekday{database, weekdayFile(), &WEE};
    DataFile userPref{database, userPrefFile(), &USP};

    AppData() = default;
    AppData(const AppData &) = delete;
    AppData &operator=(const AppData &) = delete;
    ~AppData();

    // The nine files, in declaration order.
    DataFile *files[9] = {&activity, &personAct, &dates,   &group,   &groupPeople,
                          &people,   &special,   &weekday, &userPref};
};

// Puts a record buffer back as it was when the scope began: for work that
// reads through a shared buffer the caller still holds a record in.
template <class Record> class BufferKeeper
{
public:
    explicit BufferKeeper(Record &buffer) : m_buffer(buffer), m_saved(buffer) {}
    ~BufferKeeper() { m_buffer = m_saved; }
    BufferKeeper(const BufferKeeper &) = delete;
    BufferKeeper &operator=(const BufferKeeper &) = delete;

private:
    Record &m_buffer;
    Record m_saved;
};

// Reads the single preferences record (the file's record with the lowest
// number) into the USERPREF buffer: 33 when the file holds none.
Status readUserPreferences(AppData &data);

} // namespace korvalen
