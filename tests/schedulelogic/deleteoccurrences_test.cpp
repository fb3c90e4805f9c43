// Deleting occurrences: which ones each answer takes, the activity and its
// people going with the last one, and that a stale choice, a held activity
// or a failed write deletes nothing.

#include "schedulelogic/deleteoccurrences.h"

#include "../storage/testsupport.h"
#include "runtime/dates.h"
#include "runtime/prompter.h"
#include "storage/lockfile.h"
#include "storage/table.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace korvalen::testing {
namespace {

using namespace keys;

constexpr ClockTime at(int hour, int minute = 0)
{
    return hour * kHundredthsPerHour + minute * kHundredthsPerMinute + 1;
}

const Date kDay = makeDate(5, 12, 2027);

// An occurrence as the tests compare them: activity, date, start, end.
using Stored = std::tuple<std::int32_t, Date, ClockTime, ClockTime>;

class DeleteOccurrencesTest : public StorageTest
{
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        for (DataFile *file : {&m_data->activity, &m_data->dates, &m_data->personAct}) {
            openFile(*file);
            file->addUser();
        }
    }

    // Adds activity `number` with `people`.
    void addActivity(std::int32_t number, const std::vector<std::string> &people)
    {
        m_data->ACT = {};
        m_data->ACT.ACTNUMBER = number;
        m_data->ACT.NAME = "Activity " + std::to_string(number);
        ASSERT_TRUE(m_data->activity.add().ok());
        for (const std::string &person : people) {
            m_data->PER = {number, Text<10>(person)};
            ASSERT_TRUE(m_data->personAct.add().ok());
        }
    }

    // Adds an occurrence and returns what a list that read it would hand on.
    ChosenOccurrence addOccurrence(std::int32_t number, Date date, ClockTime start, ClockTime end)
    {
        m_data->DAT = {};
        m_data->DAT.ACTNUMBER = number;
        m_data->DAT.DATE = date;
        m_data->DAT.TIME = start;
        m_data->DAT.ENDTIME = end;
        const Status status = m_data->dates.add();
        EXPECT_TRUE(status.ok()) << status.text();
        return {m_data->dates.current().recordNumber, m_data->DAT};
    }

    // Every stored occurrence, in date order.
    std::vector<Stored> occurrences()
    {
        std::vector<Stored> found;
        TypedCursor<DatesRecord> cursor(m_data->dates, DAT_DATETIME_KEY);
        while (cursor.next().ok()) {
            const DatesRecord &r = cursor.record();
            found.emplace_back(r.ACTNUMBER, r.DATE, r.TIME, r.ENDTIME);
        }
        return found;
    }

    std::vector<std::string> people(std::int32_t number)
    {
        std::vector<std::string> found;
        PersonActRecord probe{number, {}};
        TypedCursor<PersonActRecord> cursor(m_data->personAct, PER_ACTIVITY_KEY);
        cursor.setRangeEqual(1, probe);
        while (cursor.next().ok())
            found.push_back(cursor.record().PERSON.str());
        return found;
    }

    bool activityStored(std::int32_t number)
    {
        ActivityRecord probe;
        probe.ACTNUMBER = number;
        return readByKey(m_data->activity, ACT_ACTNUMBER_KEY, probe).ok();
    }

    SaveResult remove(const ChosenOccurrence &chosen, DeleteScope scope)
    {
        return deleteOccurrences(*m_data, m_prompter, chosen, scope, 0);
    }

    ScriptedPrompter m_prompter;
};

TEST_F(DeleteOccurrencesTest, ThisOneAndFutureTakesLaterStartsAndEndsOfItsOwnActivityOnly)
{
    addActivity(1, {"Ann", "Bea"});
    addActivity(2, {"Ann"});
    const std::vector<Stored> kept = {
        {1, kDay - 7, at(10), at(11)}, {1, kDay, at(9), at(10)}, // same date, earlier start
        {1, kDay, at(10), at(10, 30)},                           // same start, earlier end
        {2, kDay - 7, at(12), at(13)},                           // another activity before...
        {2, kDay, at(10), at(11)},      // ... at the very same date and times...
        {2, kDay + 7, at(10), at(11)}}; // ... and after
    for (const auto &[number, date, start, end] : kept)
        addOccurrence(number, date, start, end);
    const ChosenOccurrence chosen = addOccurrence(1, kDay, at(10), at(11));
    addOccurrence(1, kDay, at(10), at(11)); // a twin of the chosen one
    addOccurrence(1, kDay, at(10), at(12)); // same start, later end
    addOccurrence(1, kDay, at(14), at(15)); // same date, later start
    addOccurrence(1, kDay + 7, at(8), at(9));

    const SaveResult result = remove(chosen, DeleteScope::ThisOneAndFuture);
    ASSERT_TRUE(result.ok()) << result.status.text();

    std::vector<Stored> expected = kept;
    std::vector<Stored> left = occurrences();
    std::sort(expected.begin(), expected.end());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, expected);
    // Earlier occurrences remain: the activity and its people stay.
    EXPECT_TRUE(activityStored(1));
    EXPECT_EQ(people(1), (std::vector<std::string>{"Ann", "Bea"}));
}

TEST_F(DeleteOccurrencesTest, LastOccurrenceGoneTakesTheActivityAndItsPeopleWithIt)
{
    struct Case
    {
        const char *what;
        DeleteScope scope;
        int chosenIndex;
    };
    const Case cases[] = {
        {"this one and future from the first", DeleteScope::ThisOneAndFuture, 0},
        {"all from a middle one", DeleteScope::All, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        addActivity(1, {"Ann", "Bea"});
        addActivity(2, {"Ann"});
        addOccurrence(2, kDay, at(10), at(11));
        std::vector<ChosenOccurrence> series;
        for (int week = 0; week < 4; ++week)
            series.push_back(addOccurrence(1, kDay + 7 * week, at(10), at(11)));

        const SaveResult result = remove(series[c.chosenIndex], c.scope);
        ASSERT_TRUE(result.ok()) << result.status.text();
        EXPECT_EQ(occurrences(), (std::vector<Stored>{{2, kDay, at(10), at(11)}}));
        EXPECT_FALSE(activityStored(1));
        EXPECT_TRUE(people(1).empty());
        EXPECT_TRUE(activityStored(2));
        EXPECT_EQ(people(2), std::vector<std::string>{"Ann"});

        ASSERT_TRUE(m_data->database.execute("DELETE FROM ACTIVITY.rec").ok());
        ASSERT_TRUE(m_data->database.execute("DELETE FROM DATES.rec").ok());
        ASSERT_TRUE(m_data->database.execute("DELETE FROM PERSONACT.rec").ok());
    }
}

TEST_F(DeleteOccurrencesTest, JustThisOneOfTwoKeepsTheOtherTheActivityAndItsPeople)
{
    addActivity(1, {"Ann"});
    addOccurrence(1, kDay, at(10), at(11));
    const ChosenOccurrence later = addOccurrence(1, kDay + 7, at(10), at(11));
    // An earlier twin of the later one: only the chosen record goes.
    addOccurrence(1, kDay + 7, at(10), at(11));

    const SaveResult result = remove(later, DeleteScope::JustThisOne);
    ASSERT_TRUE(result.ok()) << result.status.text();
    EXPECT_EQ(occurrences(),
              (std::vector<Stored>{{1, kDay, at(10), at(11)}, {1, kDay + 7, at(10), at(11)}}));
    EXPECT_TRUE(activityStored(1));
    EXPECT_EQ(people(1), std::vector<std::string>{"Ann"});
}

TEST_F(DeleteOccurrencesTest, OccurrenceDeletedOrChangedElsewhereSinceItWasReadDeletesNothing)
{
    struct Case
    {
        const char *what;
        const char *otherStation; // what the other station does to it
    };
    const Case cases[] = {
        {"deleted", "DELETE FROM DATES.rec WHERE recno = ?"},
        {"moved to another time", "UPDATE DATES.rec SET TIME = TIME + 90000 WHERE recno = ?"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        addActivity(1, {"Ann"});
        std::vector<ChosenOccurrence> series;
        for (int week = 0; week < 3; ++week)
            series.push_back(addOccurrence(1, kDay + 7 * week, at(10), at(11)));
        {
            auto other = secondStation();
            openFile(other->dates);
            std::string sql = c.otherStation;
            sql.replace(sql.find('?'), 1, std::to_string(series[1].recordNumber));
            ASSERT_TRUE(other->database.execute(sql).ok());
        }
        const std::vector<Stored> before = occurrences();

        const SaveResult result = remove(series[1], DeleteScope::All);
        EXPECT_TRUE(result.is(ErrorCode::ChangedByOther)) << result.status.text();
        EXPECT_EQ(result.step, SaveStep::Delete);
        EXPECT_EQ(result.file, "DATES");
        EXPECT_EQ(occurrences(), before);
        EXPECT_TRUE(activityStored(1));
        EXPECT_EQ(people(1), std::vector<std::string>{"Ann"});

        ASSERT_TRUE(m_data->database.execute("DELETE FROM ACTIVITY.rec").ok());
        ASSERT_TRUE(m_data->database.execute("DELETE FROM DATES.rec").ok());
        ASSERT_TRUE(m_data->database.execute("DELETE FROM PERSONACT.rec").ok());
    }
}

TEST_F(DeleteOccurrencesTest, ActivityHeldByAnotherStationDeletesNothing)
{
    addActivity(1, {"Ann"});
    const ChosenOccurrence only = addOccurrence(1, kDay, at(10), at(11));
    const std::int64_t activityRecord = m_data->activity.current().recordNumber;
    auto other = secondStation();
    openFile(other->activity);
    RecordHold formOpen;
    ASSERT_TRUE(other->activity.hold(formOpen, activityRecord, 0).ok());

    SaveResult result = remove(only, DeleteScope::All);
    EXPECT_TRUE(result.is(ErrorCode::RecordHeld)) << result.status.text();
    EXPECT_EQ(result.file, "ACTIVITY");
    EXPECT_EQ(occurrences().size(), 1u);
    EXPECT_TRUE(activityStored(1));
    EXPECT_EQ(people(1), std::vector<std::string>{"Ann"});

    // Once the form closes the delete goes through, and its own hold is
    // given back: the form opens again on what is left.
    formOpen.release();
    result = remove(only, DeleteScope::All);
    ASSERT_TRUE(result.ok()) << result.status.text();
    EXPECT_FALSE(activityStored(1));
    EXPECT_TRUE(other->activity.hold(formOpen, activityRecord, 0).ok());
}

TEST_F(DeleteOccurrencesTest, DeleteWhoseLastWriteFailsStoresNothing)
{
    addActivity(1, {"Ann", "Bea"});
    const ChosenOccurrence first = addOccurrence(1, kDay, at(10), at(11));
    addOccurrence(1, kDay + 7, at(10), at(11));
    // The last participant's delete is refused, after every occurrence went.
    ASSERT_TRUE(m_data->database
                    .execute("CREATE TEMP TRIGGER injected BEFORE DELETE ON PERSONACT.rec WHEN "
                             "rtrim(OLD.PERSON) = 'Bea' BEGIN SELECT RAISE(ABORT, 'injected'); "
                             "END")
                    .ok());

    const SaveResult result = remove(first, DeleteScope::ThisOneAndFuture);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.step, SaveStep::Delete);
    EXPECT_EQ(result.file, "PERSONACT");
    EXPECT_EQ(occurrences().size(), 2u);
    EXPECT_TRUE(activityStored(1));
    EXPECT_EQ(people(1), (std::vector<std::string>{"Ann", "Bea"}));
    EXPECT_TRUE(m_prompter.shown().empty());
}

} // namespace
} // namespace korvalen::testing
