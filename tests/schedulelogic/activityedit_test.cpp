// The activity form's working state and its two saves: what a save stores
// and under which number, the group walk, the change flags, and that a
// failed write, a change by another station or a killed program leaves
// nothing half-written.

#include "schedulelogic/activityedit.h"

#include "../childprogram.h"
#include "../storage/testsupport.h"
#include "runtime/prompter.h"
#include "schedulelogic/conflicts.h"
#include "schedulelogic/generate.h"
#include "storage/cursor.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace korvalen::testing {
namespace {

using namespace keys;
using People = std::vector<std::string>;

constexpr ClockTime at(int hour, int minute = 0)
{
    return hour * kHundredthsPerHour + minute * kHundredthsPerMinute + 1;
}

const Date kFirst = makeDate(3, 1, 2027);

// Every record of `file` whose key `key` leads with activity `number`, in
// the order of the key.
template <class Record>
std::vector<Record> recordsOf(DataFile &file, Record &buffer, int key, std::int32_t number)
{
    BufferKeeper<Record> keeper(buffer);
    Record probe{};
    probe.ACTNUMBER = number;
    Cursor cursor(file, key);
    cursor.setRangeEqual(1, &probe);
    std::vector<Record> found;
    Status status;
    while ((status = cursor.next()).ok())
        found.push_back(buffer);
    EXPECT_TRUE(status.is(ErrorCode::NoRecord)) << status.text();
    return found;
}

std::vector<Occurrence> storedOccurrences(AppData &data, std::int32_t number)
{
    std::vector<Occurrence> found;
    for (const DatesRecord &r : recordsOf(data.dates, data.DAT, DAT_ACTNUMBER_KEY, number))
        found.push_back({r.ACTNUMBER, r.DATE, r.TIME, r.ENDTIME});
    std::sort(found.begin(), found.end());
    return found;
}

People storedPeople(AppData &data, std::int32_t number)
{
    People found;
    for (const PersonActRecord &r : recordsOf(data.personAct, data.PER, PER_ACTIVITY_KEY, number))
        found.push_back(r.PERSON.str());
    std::sort(found.begin(), found.end());
    return found;
}

People peopleOf(const ActivityEdit &edit)
{
    People people;
    for (const Participant &entry : edit.participants.entries())
        people.push_back(entry.person.str());
    return people;
}

// The files an activity save writes, open and used as a form would use them.
void openForSaves(AppData &data)
{
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct, &data.groupPeople}) {
        Status status = file->open();
        if (status.is(ErrorCode::FileNotFound)) {
            ASSERT_TRUE(file->create().ok()) << file->name();
            status = file->open();
        }
        ASSERT_TRUE(status.ok()) << file->name() << ": " << status.text();
        file->addUser();
        // Durability is not under test here; speed is welcome.
        ASSERT_TRUE(data.database.execute("PRAGMA " + file->schema() + ".synchronous = OFF").ok());
    }
}

class ActivityEditTest : public StorageTest
{
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        openForSaves(*m_data);
    }

    // A new activity primed on `data`, named `name`, on `dates` (each an
    // hour from 10:00) with `people`.
    static ActivityEdit newActivity(AppData &data, const char *name, const std::vector<Date> &dates,
                                    const std::vector<Text<10>> &people)
    {
        ActivityEdit edit;
        Status status = edit.primeNew(data, at(12));
        EXPECT_TRUE(status.ok()) << status.text();
        edit.activity.NAME = name;
        for (Date date : dates)
            edit.occurrences.insert({edit.activity.ACTNUMBER, date, at(10), at(11)});
        edit.addPeople(people);
        return edit;
    }

    // Stores a new activity and returns its number.
    std::int32_t store(const char *name, const std::vector<Date> &dates,
                       const std::vector<Text<10>> &people)
    {
        ActivityEdit edit = newActivity(*m_data, name, dates, people);
        SaveResult result = saveNewActivity(*m_data, m_prompter, edit);
        EXPECT_TRUE(result.ok()) << result.status.text();
        return edit.activity.ACTNUMBER;
    }

    // The change form's state of activity `number`, read watched as the
    // form reads it, opened on its occurrence dated `selected`.
    ActivityEdit loadForChange(std::int32_t number, Date selected)
    {
        ActivityEdit edit;
        m_data->ACT.ACTNUMBER = number;
        m_data->activity.watch();
        Status status = m_data->activity.get(ACT_ACTNUMBER_KEY);
        EXPECT_TRUE(status.ok()) << status.text();
        DatesRecord occurrence;
        occurrence.ACTNUMBER = number;
        occurrence.DATE = selected;
        occurrence.TIME = at(10);
        occurrence.ENDTIME = at(11);
        status = edit.loadForChange(*m_data, m_data->ACT, m_data->activity.current(), occurrence);
        EXPECT_TRUE(status.ok()) << status.text();
        return edit;
    }

    std::string storedName(std::int32_t number)
    {
        BufferKeeper<ActivityRecord> keeper(m_data->ACT);
        m_data->ACT.ACTNUMBER = number;
        Status status = m_data->activity.get(ACT_ACTNUMBER_KEY);
        return status.ok() ? m_data->ACT.NAME.str() : "(" + status.text() + ")";
    }

    std::int64_t records(DataFile &file)
    {
        std::int64_t count = -1;
        EXPECT_TRUE(file.records(count).ok());
        return count;
    }

    // Makes the engine refuse the writes `when` picks (an SQL condition on
    // OLD or NEW) of `operation` on `file`.
    void failWrites(const char *operation, const char *file, const std::string &when)
    {
        const std::string sql = std::string("CREATE TEMP TRIGGER injected BEFORE ") + operation +
                                " ON " + file + ".rec WHEN " + when +
                                " BEGIN SELECT RAISE(ABORT, 'injected failure'); END";
        Status status = m_data->database.execute(sql);
        ASSERT_TRUE(status.ok()) << status.text();
    }
    void stopFailing() { ASSERT_TRUE(m_data->database.execute("DROP TRIGGER injected").ok()); }

    void addMember(const char *group, const char *person)
    {
        m_data->GRP = GroupPeopleRecord{group, person};
        ASSERT_TRUE(m_data->groupPeople.add().ok());
    }

    ScriptedPrompter m_prompter;
};

// A weekly series of `count` dates from kFirst on.
std::vector<Date> weekly(int count, Date first = kFirst)
{
    std::vector<Date> dates;
    for (int i = 0; i < count; ++i)
        dates.push_back(first + 7 * i);
    return dates;
}

// ---------------------------------------------------------------------------
// Saving a new activity

TEST_F(ActivityEditTest, NewActivityInAnEmptyFileIsStoredWholeAsNumberOne)
{
    ActivityEdit edit;
    ASSERT_TRUE(edit.primeNew(*m_data, at(12)).ok());
    EXPECT_EQ(edit.activity.ACTNUMBER, 1);
    edit.activity.NAME = "Piano lesson";
    edit.activity.NOTES.text = "Bring the green book";
    for (int i = 0; i < 4; ++i)
        edit.occurrences.insert({1, kFirst + 3 * i, at(9 + i), at(10 + i, 30)});
    edit.addPeople({"Bea", "Ann"});

    SaveResult result = saveNewActivity(*m_data, m_prompter, edit);
    ASSERT_TRUE(result.ok()) << result.status.text();
    EXPECT_EQ(records(m_data->activity), 1);
    m_data->ACT.ACTNUMBER = 1;
    ASSERT_TRUE(m_data->activity.get(ACT_ACTNUMBER_KEY).ok());
    EXPECT_EQ(m_data->ACT, edit.activity);
    EXPECT_EQ(storedOccurrences(*m_data, 1), edit.occurrences.entries());
    for (const DatesRecord &r : recordsOf(m_data->dates, m_data->DAT, DAT_ACTNUMBER_KEY, 1)) {
        EXPECT_TRUE(r.DATETEXT.isBlank());
        EXPECT_TRUE(r.DAYNAME.isBlank());
    }
    EXPECT_EQ(storedPeople(*m_data, 1), (People{"Ann", "Bea"}));
    EXPECT_TRUE(m_prompter.shown().empty());
}

// Both forms open before either saves and so show the same number; the
// save takes the number anew, so both store, each whole under its own.
TEST_F(ActivityEditTest, TwoStationsPrimingAtOnceBothStoreUnderNumbersOfTheirOwn)
{
    // One activity with a number above the count of activities.
    m_data->ACT = {};
    m_data->ACT.ACTNUMBER = 5;
    ASSERT_TRUE(m_data->activity.add().ok());
    auto other = secondStation();
    openForSaves(*other);
    ActivityEdit mine = newActivity(*m_data, "Swimming", weekly(3), {"Ann"});
    ActivityEdit theirs = newActivity(*other, "Chess", weekly(2, kFirst + 1), {"Bea", "Cid"});
    ASSERT_EQ(mine.activity.ACTNUMBER, 6);
    ASSERT_EQ(theirs.activity.ACTNUMBER, 6);

    SaveResult result = saveNewActivity(*m_data, m_prompter, mine);
    ASSERT_TRUE(result.ok()) << result.status.text();
    ScriptedPrompter otherPrompter;
    result = saveNewActivity(*other, otherPrompter, theirs);
    ASSERT_TRUE(result.ok()) << result.status.text();

    EXPECT_EQ(mine.activity.ACTNUMBER, 6);
    EXPECT_EQ(theirs.activity.ACTNUMBER, 7);
    // The form goes on with the number stored.
    EXPECT_EQ(theirs.occurrences.current.actNumber, 7);
    for (const Occurrence &entry : theirs.occurrences.entries())
        EXPECT_EQ(entry.actNumber, 7);
    for (const Participant &entry : theirs.participants.entries())
        EXPECT_EQ(entry.actNumber, 7);

    EXPECT_EQ(storedName(6), "Swimming");
    EXPECT_EQ(storedName(7), "Chess");
    EXPECT_EQ(storedOccurrences(*m_data, 6), mine.occurrences.entries());
    EXPECT_EQ(storedOccurrences(*m_data, 7), theirs.occurrences.entries());
    EXPECT_EQ(storedPeople(*m_data, 6), (People{"Ann"}));
    EXPECT_EQ(storedPeople(*m_data, 7), (People{"Bea", "Cid"}));
}

struct FailureCase
{
    const char *what;
    const char *operation;
    const char *file;
    std::string when;
    SaveStep step;
};

TEST_F(ActivityEditTest, NewActivityWhoseWriteFailsInTheMiddleStoresNothing)
{
    const std::vector<Date> dates = weekly(5);
    const FailureCase cases[] = {
        {"a middle occurrence", "INSERT", "DATES", "NEW.DATE = " + std::to_string(dates[2]),
         SaveStep::Write},
        {"the second participant", "INSERT", "PERSONACT", "rtrim(NEW.PERSON) = 'Bea'",
         SaveStep::Write},
    };
    for (const FailureCase &c : cases) {
        SCOPED_TRACE(c.what);
        ActivityEdit edit = newActivity(*m_data, "Piano", dates, {"Ann", "Bea", "Cid"});
        failWrites(c.operation, c.file, c.when);
        SaveResult result = saveNewActivity(*m_data, m_prompter, edit);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.step, c.step);
        EXPECT_EQ(result.file, c.file);
        for (DataFile *file : {&m_data->activity, &m_data->dates, &m_data->personAct})
            EXPECT_EQ(records(*file), 0) << file->name();
        // Storage leaves the telling to the form.
        EXPECT_TRUE(m_prompter.shown().empty());

        // The form keeps the user's entries: OK again stores them whole.
        stopFailing();
        result = saveNewActivity(*m_data, m_prompter, edit);
        ASSERT_TRUE(result.ok()) << result.status.text();
        EXPECT_EQ(storedOccurrences(*m_data, 1), edit.occurrences.entries());
        EXPECT_EQ(storedPeople(*m_data, 1), (People{"Ann", "Bea", "Cid"}));
        // Back to empty files for the next case.
        m_data->ACT.ACTNUMBER = 1;
        ASSERT_TRUE(m_data->activity.get(ACT_ACTNUMBER_KEY).ok());
        ASSERT_TRUE(m_data->activity.remove().ok());
        ASSERT_TRUE(m_data->database.execute("DELETE FROM DATES.rec").ok());
        ASSERT_TRUE(m_data->database.execute("DELETE FROM PERSONACT.rec").ok());
    }
}

// ---------------------------------------------------------------------------
// Saving a changed activity

// More occurrences than a cursor reads at once, so that the deletes of the
// old ones run while the walk over them goes on.
constexpr int kManyDates = 150;

TEST_F(ActivityEditTest, ChangeReplacesExactlyThatActivitysOccurrencesAndPeople)
{
    const std::int32_t changed = store("Choir", weekly(kManyDates), {"Ann", "Bea"});
    // Another activity on the neighbouring days, with a person in common.
    const std::int32_t neighbour = store("Band", weekly(40, kFirst + 1), {"Ann", "Cid"});
    const std::vector<Occurrence> neighbourDates = storedOccurrences(*m_data, neighbour);

    ActivityEdit edit = loadForChange(changed, kFirst + 7);
    ASSERT_EQ(edit.occurrences.size(), static_cast<std::size_t>(kManyDates));
    edit.activity.NAME = "Chorus";
    edit.occurrences.removeAt(3);
    edit.occurrences.insert({changed, kFirst + 2, at(18), at(19)});
    edit.removeParticipantAt(0); // Ann
    edit.addPeople({"Dan"});
    SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
    ASSERT_TRUE(result.ok()) << result.status.text();

    EXPECT_EQ(records(m_data->activity), 2);
    EXPECT_EQ(storedName(changed), "Chorus");
    EXPECT_EQ(storedOccurrences(*m_data, changed), edit.occurrences.entries());
    EXPECT_EQ(storedPeople(*m_data, changed), (People{"Bea", "Dan"}));
    EXPECT_EQ(storedName(neighbour), "Band");
    EXPECT_EQ(storedOccurrences(*m_data, neighbour), neighbourDates);
    EXPECT_EQ(storedPeople(*m_data, neighbour), (People{"Ann", "Cid"}));

    // The form's watch follows its own put: a further save is not taken
    // for a change by another station.
    edit.activity.NAME = "Chorus 2";
    result = saveChangedActivity(*m_data, m_prompter, edit);
    EXPECT_TRUE(result.ok()) << result.status.text();
    EXPECT_EQ(storedName(changed), "Chorus 2");
}

TEST_F(ActivityEditTest, ChangeWhoseWriteFailsInTheMiddleStoresNothing)
{
    const std::vector<Date> dates = weekly(6);
    const std::int32_t number = store("Choir", dates, {"Ann", "Bea"});
    const FailureCase cases[] = {
        {"the delete of an old occurrence", "DELETE", "DATES",
         "OLD.DATE = " + std::to_string(dates[3]), SaveStep::Delete},
        {"the add of a participant", "INSERT", "PERSONACT", "rtrim(NEW.PERSON) = 'Cid'",
         SaveStep::Write},
    };
    for (const FailureCase &c : cases) {
        SCOPED_TRACE(c.what);
        ActivityEdit edit = loadForChange(number, dates[0]);
        edit.activity.NAME = "Chorus";
        edit.occurrences.removeAt(1);
        edit.addPeople({"Cid"});
        failWrites(c.operation, c.file, c.when);
        SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.step, c.step);
        EXPECT_EQ(result.file, c.file);
        EXPECT_EQ(storedName(number), "Choir");
        EXPECT_EQ(storedOccurrences(*m_data, number).size(), dates.size());
        EXPECT_EQ(storedPeople(*m_data, number), (People{"Ann", "Bea"}));
        stopFailing();
    }
    // The activity's own put went back with the rest: its watch still holds.
    ActivityEdit edit = loadForChange(number, dates[0]);
    ActivityEdit stale = edit;
    ASSERT_TRUE(saveChangedActivity(*m_data, m_prompter, edit).ok());
    EXPECT_TRUE(saveChangedActivity(*m_data, m_prompter, stale).is(ErrorCode::ChangedByOther));
}

TEST_F(ActivityEditTest, ChangeOfAnActivityChangedElsewhereSinceItWasReadStoresNothing)
{
    const std::int32_t number = store("Choir", weekly(4), {"Ann", "Bea"});
    ActivityEdit edit = loadForChange(number, kFirst);
    auto other = secondStation();
    openForSaves(*other);
    other->ACT.ACTNUMBER = number;
    ASSERT_TRUE(other->activity.get(ACT_ACTNUMBER_KEY).ok());
    other->ACT.NAME = "Renamed elsewhere";
    ASSERT_TRUE(other->activity.put().ok());

    edit.activity.NAME = "Chorus";
    edit.occurrences.removeAt(2);
    edit.addPeople({"Cid"});
    SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
    EXPECT_TRUE(result.is(ErrorCode::ChangedByOther)) << result.status.text();
    EXPECT_EQ(result.file, "ACTIVITY");
    EXPECT_EQ(storedName(number), "Renamed elsewhere");
    EXPECT_EQ(storedOccurrences(*m_data, number).size(), 4u);
    EXPECT_EQ(storedPeople(*m_data, number), (People{"Ann", "Bea"}));
}

// ---------------------------------------------------------------------------
// Groups and what counts as a change

TEST_F(ActivityEditTest, GroupJoinsAndLeavesByItsExactNameOnly)
{
    // The spellings of one name share the key, in record order: the exact
    // one's members stand between those of the others.
    addMember("CHOIR", "Vic");
    addMember("Choir", "Ann");
    addMember("choir", "Wes");
    addMember("Choir", "Bea");
    addMember("Choirs", "Xan");
    addMember("Choir", "Cid");
    ActivityEdit edit = newActivity(*m_data, "", {}, {"Zed", "Ann"});

    ASSERT_TRUE(edit.addGroup(*m_data, "Choir").ok());
    EXPECT_EQ(peopleOf(edit), (People{"Ann", "Bea", "Cid", "Zed"}));
    // Members joined from a group are not a change the user is asked about.
    EXPECT_FALSE(edit.hasUnsavedChanges());

    ASSERT_TRUE(edit.removeGroup(*m_data, "Choir").ok());
    EXPECT_EQ(peopleOf(edit), (People{"Zed"}));
}

TEST_F(ActivityEditTest, UnsavedChangesAreTheActivitysOwnOrPeopleInsertedOrDeleted)
{
    const std::function<void(ActivityEdit &)> changes[] = {
        [](ActivityEdit &edit) { edit.activity.NAME = "Piano"; },
        [](ActivityEdit &edit) { edit.activity.NOTES.text = "Bring the book"; },
        [](ActivityEdit &edit) { edit.peopleChanged = true; },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE("change " + std::to_string(i));
        ActivityEdit edit;
        ASSERT_TRUE(edit.primeNew(*m_data, at(12)).ok());
        // Dates and times alone do not count.
        edit.acceptDate(kFirst);
        edit.acceptStart(at(9));
        edit.acceptEnd(at(10));
        EXPECT_FALSE(edit.hasUnsavedChanges());
        changes[i](edit);
        EXPECT_TRUE(edit.hasUnsavedChanges());
    }
}

enum class Field
{
    Date,
    Start,
    End
};

struct AcceptCase
{
    const char *what;
    Field field;
    std::int32_t value;
    bool dateChanged, timeChanged;
};

TEST(ActivityEditFlagsTest, AcceptedFieldsSetTheirFlagOnlyWhenTheyDifferFromTheOpeningValue)
{
    // Opened on 10:00 to 11:00: each time field is also given the other's
    // opening value, which differs from its own.
    const Occurrence opening{4, kFirst, at(10), at(11)};
    const AcceptCase cases[] = {
        {"date as opened", Field::Date, kFirst, false, false},
        {"another date", Field::Date, kFirst + 1, true, false},
        {"start as opened", Field::Start, at(10), false, false},
        {"start at the opening end", Field::Start, at(11), false, true},
        {"end as opened", Field::End, at(11), false, false},
        {"end at the opening start", Field::End, at(10), false, true},
    };
    for (const AcceptCase &c : cases) {
        SCOPED_TRACE(c.what);
        ActivityEdit edit;
        edit.opening = edit.occurrences.current = opening;
        Occurrence accepted = opening;
        switch (c.field) {
        case Field::Date:
            edit.acceptDate(accepted.date = c.value);
            break;
        case Field::Start:
            edit.acceptStart(accepted.time = c.value);
            break;
        case Field::End:
            edit.acceptEnd(accepted.endTime = c.value);
            break;
        }
        EXPECT_EQ(edit.dateChanged, c.dateChanged);
        EXPECT_EQ(edit.timeChanged, c.timeChanged);
        EXPECT_EQ(edit.occurrences.current, accepted);
    }
}

// ---------------------------------------------------------------------------
// Changing a series: which occurrences a change applies to, and the split

// The conflict window, scripted: each collision takes the next answer
// (Accept when none is left); the dates shown and whether a series was
// being checked are kept.
class ScriptedConflicts : public ConflictHost
{
public:
    std::optional<ConflictChoice> show(const Collision &collision, bool seriesCheck) override
    {
        shownOn.push_back(collision.occurrence.DATE);
        seriesChecks.push_back(seriesCheck);
        if (answers.empty())
            return ConflictChoice::Accept;
        const ConflictChoice answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    void readFailed(std::string_view fileName, const Status &status) override
    {
        ADD_FAILURE() << fileName << ": " << status.text();
    }

    std::vector<ConflictChoice> answers;
    std::vector<Date> shownOn;
    std::vector<bool> seriesChecks;
};

class ChangeScopeTest : public ActivityEditTest
{
protected:
    void SetUp() override
    {
        ActivityEditTest::SetUp();
        openFile(m_data->special);
    }

    // A weekly series of `count` dates from kFirst on, 10:00 to 11:00, as
    // the repeat dialog leaves one.
    std::int32_t storeWeekly(const char *name, int count, const std::vector<Text<10>> &people)
    {
        ActivityEdit edit = newActivity(*m_data, name, weekly(count), people);
        edit.activity.REPEATTYPE = kFixedWeeks;
        edit.activity.REPNUMBER = 1;
        edit.activity.REPEND = kFirst + 7 * (count - 1);
        SaveResult result = saveNewActivity(*m_data, m_prompter, edit);
        EXPECT_TRUE(result.ok()) << result.status.text();
        return edit.activity.ACTNUMBER;
    }
    // An activity of one occurrence on `date` from `start` to `end`.
    std::int32_t storeOne(const char *name, Date date, ClockTime start, ClockTime end,
                          const std::vector<Text<10>> &people)
    {
        ActivityEdit edit = newActivity(*m_data, name, {}, people);
        edit.occurrences.insert({edit.activity.ACTNUMBER, date, start, end});
        SaveResult result = saveNewActivity(*m_data, m_prompter, edit);
        EXPECT_TRUE(result.ok()) << result.status.text();
        return edit.activity.ACTNUMBER;
    }

    // The stored record of activity `number`; number 0 when there is none.
    ActivityRecord storedRecord(std::int32_t number)
    {
        BufferKeeper<ActivityRecord> keeper(m_data->ACT);
        m_data->ACT = {};
        m_data->ACT.ACTNUMBER = number;
        return m_data->activity.get(ACT_ACTNUMBER_KEY).ok() ? m_data->ACT : ActivityRecord{};
    }

    ScopeOutcome apply(ActivityEdit &edit, ChangeScope scope, bool useNewTimes = true)
    {
        ConflictCheck check(*m_data, edit.participants, m_conflicts);
        return edit.applyChange(scope, check, useNewTimes);
    }

    ScriptedConflicts m_conflicts;
};

std::vector<Occurrence> occurrencesOn(std::int32_t number, const std::vector<Date> &dates,
                                      ClockTime start, ClockTime end)
{
    std::vector<Occurrence> found;
    for (Date date : dates)
        found.push_back({number, date, start, end});
    return found;
}

TEST_F(ChangeScopeTest, JustThisOneRenamesOneOccurrenceUnderAStarredActivityOfItsOwn)
{
    const std::vector<Date> dates = weekly(4);
    const std::int32_t series = storeWeekly("Choir", 4, {"Ann", "Bea"});
    const ActivityRecord stored = storedRecord(series);
    ActivityEdit edit = loadForChange(series, dates[1]);
    // Fifty characters: the star pushes the last one out.
    const std::string name(50, 'n');
    edit.activity.NAME = name;
    edit.activity.NOTES.text = "Bring the new songbook";
    edit.removeParticipantAt(0); // Ann
    edit.addPeople({"Cid"});
    ASSERT_EQ(apply(edit, ChangeScope::JustThisOne), ScopeOutcome::Save);
    SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
    ASSERT_TRUE(result.ok()) << result.status.text();

    EXPECT_EQ(storedRecord(series), stored);
    EXPECT_EQ(storedOccurrences(*m_data, series),
              occurrencesOn(series, {dates[0], dates[2], dates[3]}, at(10), at(11)));
    EXPECT_EQ(storedPeople(*m_data, series), (People{"Ann", "Bea"}));

    const std::int32_t added = edit.split->added.ACTNUMBER;
    EXPECT_EQ(added, series + 1);
    const ActivityRecord star = storedRecord(added);
    EXPECT_EQ(star.NAME.str(), "*" + name.substr(0, 49));
    EXPECT_EQ(star.REPEATTYPE.str(), kNoRepeats);
    EXPECT_EQ(star.REPEND, 0);
    EXPECT_EQ(star.REPNUMBER, 0);
    EXPECT_EQ(star.NOTES.text, "Bring the new songbook");
    EXPECT_EQ(storedOccurrences(*m_data, added), occurrencesOn(added, {dates[1]}, at(10), at(11)));
    EXPECT_EQ(storedPeople(*m_data, added), (People{"Bea", "Cid"}));
}

// The new times collide with the lesson only, the old ones with the dentist
// only, and with the series' own stored occurrences, which never count.
TEST_F(ChangeScopeTest, ThisOneAndFutureFromTheThirdSplitsTheSeriesIntoTwoIrregularOnes)
{
    const std::vector<Date> dates = weekly(6);
    const std::int32_t series = storeWeekly("Choir", 6, {"Ann", "Bea"});
    const std::int32_t dentist = storeOne("Dentist", dates[3], at(9, 30), at(10, 15), {"Ann"});
    storeOne("Lesson", dates[4], at(11), at(12), {"Bea"});
    ActivityEdit edit = loadForChange(series, dates[2]);
    edit.acceptStart(at(10, 30));
    edit.acceptEnd(at(11, 30));
    edit.addPeople({"Cid"});
    m_conflicts.answers = {ConflictChoice::Skip};
    ASSERT_EQ(apply(edit, ChangeScope::ThisOneAndFuture), ScopeOutcome::Save);
    SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
    ASSERT_TRUE(result.ok()) << result.status.text();

    EXPECT_EQ(m_conflicts.shownOn, std::vector<Date>{dates[4]});
    EXPECT_EQ(m_conflicts.seriesChecks, std::vector<bool>{true});
    const ActivityRecord old = storedRecord(series);
    EXPECT_EQ(old.NAME.str(), "Choir");
    EXPECT_EQ(old.REPEATTYPE.str(), kIrregularDates);
    EXPECT_EQ(old.REPEND, 0);
    EXPECT_EQ(old.REPNUMBER, 0);
    // The skipped date stays with the old activity as it was.
    EXPECT_EQ(storedOccurrences(*m_data, series),
              occurrencesOn(series, {dates[0], dates[1], dates[4]}, at(10), at(11)));
    EXPECT_EQ(storedPeople(*m_data, series), (People{"Ann", "Bea"}));

    const std::int32_t added = edit.split->added.ACTNUMBER;
    EXPECT_EQ(added, 4);
    EXPECT_EQ(storedName(added), "*Choir");
    EXPECT_EQ(storedRecord(added).REPEATTYPE.str(), kIrregularDates);
    EXPECT_EQ(storedOccurrences(*m_data, added),
              occurrencesOn(added, {dates[2], dates[3], dates[5]}, at(10, 30), at(11, 30)));
    EXPECT_EQ(storedPeople(*m_data, added), (People{"Ann", "Bea", "Cid"}));
    EXPECT_EQ(storedOccurrences(*m_data, dentist).size(), 1u);
}

TEST_F(ChangeScopeTest, AllAfterOnlyARenameKeepsTheNumberAndEveryOccurrence)
{
    // One occurrence keeps times of its own; Ann is busy on another date.
    ActivityEdit first = newActivity(*m_data, "Choir", weekly(3), {"Ann"});
    first.activity.REPEATTYPE = kFixedWeeks;
    first.occurrences.overwrite(2, {1, kFirst + 14, at(16), at(17)});
    ASSERT_TRUE(saveNewActivity(*m_data, m_prompter, first).ok());
    storeOne("Dentist", kFirst + 7, at(10), at(11), {"Ann"});
    const std::vector<Occurrence> before = storedOccurrences(*m_data, 1);

    ActivityEdit edit = loadForChange(1, kFirst);
    edit.activity.NAME = "Chorus";
    ASSERT_EQ(apply(edit, ChangeScope::All), ScopeOutcome::Save);
    SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
    ASSERT_TRUE(result.ok()) << result.status.text();

    EXPECT_FALSE(edit.split);
    EXPECT_TRUE(m_conflicts.shownOn.empty()) << "nothing moved, nothing to check";
    EXPECT_EQ(records(m_data->activity), 2);
    EXPECT_EQ(storedName(1), "Chorus");
    EXPECT_EQ(storedOccurrences(*m_data, 1), before);
}

TEST_F(ChangeScopeTest, AllSkippedOnTheEditedOccurrenceLeavesItAsTheFormOpenedOnIt)
{
    const std::vector<Date> dates = weekly(3);
    const std::int32_t series = storeWeekly("Choir", 3, {"Ann"});
    storeOne("Dentist", dates[1] + 1, at(14), at(15), {"Ann"});
    ActivityEdit edit = loadForChange(series, dates[1]);
    edit.acceptDate(dates[1] + 1);
    edit.acceptStart(at(14));
    edit.acceptEnd(at(15));
    m_conflicts.answers = {ConflictChoice::Skip};
    ASSERT_EQ(apply(edit, ChangeScope::All), ScopeOutcome::Save);
    SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
    ASSERT_TRUE(result.ok()) << result.status.text();

    EXPECT_EQ(m_conflicts.shownOn, std::vector<Date>{dates[1] + 1});
    EXPECT_EQ(storedOccurrences(*m_data, series),
              (std::vector<Occurrence>{{series, dates[0], at(14), at(15)},
                                       {series, dates[1], at(10), at(11)},
                                       {series, dates[2], at(14), at(15)}}));
}

TEST_F(ChangeScopeTest, ThisOneAndFutureFromTheFirstOccurrenceDeletesTheOldActivity)
{
    const std::int32_t series = storeWeekly("Choir", 3, {"Ann", "Bea"});
    const std::int32_t band = store("Band", weekly(2, kFirst + 1), {"Ann"});
    ActivityEdit edit = loadForChange(series, kFirst);
    edit.acceptStart(at(9));
    edit.acceptEnd(at(10));
    ASSERT_EQ(apply(edit, ChangeScope::ThisOneAndFuture), ScopeOutcome::Save);
    SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
    ASSERT_TRUE(result.ok()) << result.status.text();

    EXPECT_EQ(storedRecord(series).ACTNUMBER, 0);
    EXPECT_TRUE(storedOccurrences(*m_data, series).empty());
    EXPECT_TRUE(storedPeople(*m_data, series).empty());
    const std::int32_t added = edit.split->added.ACTNUMBER;
    EXPECT_EQ(added, 3) << "a number just given up is not handed out again";
    EXPECT_EQ(storedOccurrences(*m_data, added), occurrencesOn(added, weekly(3), at(9), at(10)));
    EXPECT_EQ(storedPeople(*m_data, added), (People{"Ann", "Bea"}));
    EXPECT_EQ(storedOccurrences(*m_data, band).size(), 2u);
    EXPECT_EQ(storedPeople(*m_data, band), (People{"Ann"}));
}

// Another station adds an activity after the form decided on the split and
// before it saves: the split's occurrences never go to that activity.
TEST_F(ChangeScopeTest, SplitTakesItsNumberInsideTheSave)
{
    const std::int32_t series = storeWeekly("Choir", 3, {"Ann"});
    ActivityEdit edit = loadForChange(series, kFirst + 7);
    edit.activity.NAME = "Chorus";
    ASSERT_EQ(apply(edit, ChangeScope::JustThisOne), ScopeOutcome::Save);

    auto other = secondStation();
    openForSaves(*other);
    ActivityEdit theirs = newActivity(*other, "Chess", {kFirst + 1}, {"Bea"});
    ScriptedPrompter otherPrompter;
    ASSERT_TRUE(saveNewActivity(*other, otherPrompter, theirs).ok());
    ASSERT_EQ(theirs.activity.ACTNUMBER, 2);

    SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
    ASSERT_TRUE(result.ok()) << result.status.text();
    EXPECT_EQ(edit.split->added.ACTNUMBER, 3);
    EXPECT_EQ(storedName(3), "*Chorus");
    EXPECT_EQ(storedOccurrences(*m_data, 2), theirs.occurrences.entries());
    EXPECT_EQ(storedPeople(*m_data, 2), (People{"Bea"}));
    EXPECT_EQ(storedOccurrences(*m_data, 3), occurrencesOn(3, {kFirst + 7}, at(10), at(11)));
}

struct SplitFailure
{
    const char *what;
    ChangeScope scope;
    int selected; // the index of the occurrence the form is opened on
    const char *operation;
    const char *file;
    std::string when;
    SaveStep step;
};

TEST_F(ChangeScopeTest, SplitWhoseWriteFailsOrWhoseActivityChangedElsewhereStoresNothing)
{
    const std::vector<Date> dates = weekly(4);
    const std::int32_t series = storeWeekly("Choir", 4, {"Ann", "Bea"});
    const ActivityRecord stored = storedRecord(series);
    const std::vector<Occurrence> storedDates = storedOccurrences(*m_data, series);
    auto expectUntouched = [&] {
        EXPECT_EQ(records(m_data->activity), 1);
        EXPECT_EQ(storedOccurrences(*m_data, series), storedDates);
        EXPECT_EQ(storedPeople(*m_data, series), (People{"Ann", "Bea"}));
    };
    auto split = [&](ChangeScope scope, int selected) {
        ActivityEdit edit = loadForChange(series, dates[static_cast<std::size_t>(selected)]);
        edit.acceptStart(at(15));
        edit.acceptEnd(at(16));
        edit.addPeople({"Cid"});
        EXPECT_EQ(apply(edit, scope), ScopeOutcome::Save);
        return edit;
    };
    const SplitFailure cases[] = {
        {"the add of the new activity", ChangeScope::JustThisOne, 1, "INSERT", "ACTIVITY", "1",
         SaveStep::Write},
        {"a later occurrence moved", ChangeScope::ThisOneAndFuture, 2, "INSERT", "DATES",
         "NEW.DATE = " + std::to_string(dates[3]), SaveStep::Write},
        {"the old activity's people", ChangeScope::ThisOneAndFuture, 0, "DELETE", "PERSONACT", "1",
         SaveStep::Delete},
    };
    for (const SplitFailure &c : cases) {
        SCOPED_TRACE(c.what);
        ActivityEdit edit = split(c.scope, c.selected);
        failWrites(c.operation, c.file, c.when);
        SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.step, c.step);
        EXPECT_EQ(result.file, c.file);
        EXPECT_EQ(storedRecord(series), stored);
        expectUntouched();
        stopFailing();
    }

    ActivityEdit edit = split(ChangeScope::ThisOneAndFuture, 2);
    auto other = secondStation();
    openForSaves(*other);
    other->ACT.ACTNUMBER = series;
    ASSERT_TRUE(other->activity.get(ACT_ACTNUMBER_KEY).ok());
    other->ACT.NAME = "Renamed elsewhere";
    ASSERT_TRUE(other->activity.put().ok());
    SaveResult result = saveChangedActivity(*m_data, m_prompter, edit);
    EXPECT_TRUE(result.is(ErrorCode::ChangedByOther)) << result.status.text();
    EXPECT_EQ(storedName(series), "Renamed elsewhere");
    EXPECT_EQ(storedRecord(series).REPEATTYPE.str(), kFixedWeeks);
    expectUntouched();
}

// ---------------------------------------------------------------------------
// A save killed at any moment

// The saving program (schedulelogic_save_helper) started on a working
// directory; it is always killed and reaped in the end.
class SavingStation
{
public:
    SavingStation(const std::filesystem::path &directory, int occurrences, int pauseMs = 0)
        : m_program(SAVE_HELPER,
                    {directory.string(), std::to_string(occurrences), std::to_string(pauseMs)})
    {
    }

    // Whether it said `line` within `timeoutMs`.
    bool waitFor(const std::string &line, int timeoutMs)
    {
        return m_program
            .waitForLine([&](const std::string &said) { return said == line; }, timeoutMs)
            .has_value();
    }
    // Kills it at once, reaps it and reads what it wrote before.
    void kill() { m_program.kill(); }
    const std::vector<std::string> &lines() const { return m_program.lines(); }
    std::string transcript() const { return m_program.transcript(); }

private:
    ChildProgram m_program;
};

class ActivitySaveCrashTest : public StorageTest
{
protected:
    static constexpr int kOccurrences = 500;
    static constexpr int kRounds = 12;
    static constexpr int kLongestWaitMs = 400;

    void SetUp() override
    {
        StorageTest::SetUp();
        for (DataFile *file : files())
            openFile(*file);
        closeAll();
    }

    std::vector<DataFile *> files()
    {
        return {&m_data->activity, &m_data->dates, &m_data->personAct};
    }
    void closeAll()
    {
        for (DataFile *file : files())
            file->close();
    }

    // Opens the files after the kill (rolling back what it left half-done),
    // checks that every activity on file is whole and that no occurrence or
    // participant is without its activity, and returns the activities.
    std::int64_t reopenAndCheck()
    {
        for (DataFile *file : files()) {
            Status status = file->open();
            EXPECT_TRUE(status.ok()) << file->name() << ": " << status.text();
            if (!status.ok())
                return -1;
            EXPECT_TRUE(file->checkKeys().ok()) << file->name();
        }
        std::vector<std::int32_t> numbers;
        Cursor activities(m_data->activity, ACT_ACTNUMBER_KEY);
        while (activities.next().ok())
            numbers.push_back(m_data->ACT.ACTNUMBER);
        for (std::int32_t number : numbers) {
            SCOPED_TRACE("activity " + std::to_string(number));
            EXPECT_EQ(storedOccurrences(*m_data, number).size(),
                      static_cast<std::size_t>(kOccurrences));
            EXPECT_EQ(storedPeople(*m_data, number), (People{"Ann", "Bea", "Cid"}));
        }
        const auto stored = static_cast<std::int64_t>(numbers.size());
        std::int64_t dates = -1, people = -1;
        EXPECT_TRUE(m_data->dates.records(dates).ok());
        EXPECT_TRUE(m_data->personAct.records(people).ok());
        EXPECT_EQ(dates, stored * kOccurrences) << "occurrences without their activity";
        EXPECT_EQ(people, stored * 3) << "participants without their activity";
        closeAll();
        return stored;
    }
};

TEST_F(ActivitySaveCrashTest, SaveKilledAtAnyMomentLeavesEachActivityWholeOrAbsent)
{
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> waitMs(0, kLongestWaitMs);
    std::int64_t stored = 0;
    int killedInSave = 0;
    for (int round = 1; round <= kRounds && !HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        SavingStation writer(m_dir.path(), kOccurrences);
        ASSERT_TRUE(writer.waitFor("ready", 10000)) << writer.transcript();
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs(random)));
        writer.kill();
        const auto &lines = writer.lines();
        const auto saved = std::count_if(lines.begin(), lines.end(), [](const std::string &l) {
            return l.starts_with("saved ");
        });
        ASSERT_TRUE(lines.back() == "saving" || lines.back().starts_with("saved ") ||
                    lines.back() == "ready")
            << writer.transcript();
        killedInSave += lines.back() == "saving";

        const std::int64_t before = stored;
        stored = reopenAndCheck();
        // Every save it reported is kept; the one it was killed in may be.
        EXPECT_GE(stored, before + saved) << writer.transcript();
        EXPECT_LE(stored, before + saved + 1) << writer.transcript();
    }
    EXPECT_GE(killedInSave, 1) << "no round was killed inside a save";
    RecordProperty("activities", static_cast<int>(stored));
    RecordProperty("killed_in_save", killedInSave);
}

TEST_F(ActivitySaveCrashTest, TwoStationsAddingAtOnceBothStoreEveryActivityUnderItsOwnNumber)
{
    // Stations that pause between saves, as people do.
    SavingStation first(m_dir.path(), kOccurrences, 30);
    SavingStation second(m_dir.path(), kOccurrences, 30);
    ASSERT_TRUE(first.waitFor("ready", 10000)) << first.transcript();
    ASSERT_TRUE(second.waitFor("ready", 10000)) << second.transcript();
    // Both save, one after the other, for as long as they are let.
    EXPECT_TRUE(first.waitFor("saved 5", 10000) || second.waitFor("saved 5", 10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    first.kill();
    second.kill();
    std::set<std::string> numbers;
    for (const SavingStation *station : {&first, &second}) {
        int saved = 0;
        for (const std::string &line : station->lines()) {
            EXPECT_FALSE(line.starts_with("failed")) << station->transcript();
            if (line.starts_with("saved ")) {
                ++saved;
                EXPECT_TRUE(numbers.insert(line).second) << "a number stored twice: " << line;
            }
        }
        EXPECT_GE(saved, 1) << "a station never got to save: " << station->transcript();
    }
    const std::int64_t stored = reopenAndCheck();
    EXPECT_GE(stored, static_cast<std::int64_t>(numbers.size()));
    EXPECT_LE(stored, static_cast<std::int64_t>(numbers.size()) + 2);
}

} // namespace
} // namespace korvalen::testing
