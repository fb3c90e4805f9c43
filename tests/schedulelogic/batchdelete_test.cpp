// The batch delete of old activities: exactly what lies before the day goes,
// activities left without occurrences go with their people, a held activity
// stays whole, the compaction happens only where the files are free, the copy
// made first holds what went, and a kill leaves all of it or none.

#include "schedulelogic/batchdelete.h"

#include "../childprogram.h"
#include "../storage/testsupport.h"
#include "runtime/prompter.h"
#include "storage/lockfile.h"
#include "storage/openfile.h"
#include "storage/table.h"

#include <chrono>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace korvalen::testing {
namespace {

using namespace keys;

const Date kToday = makeDate(12, 8, 2026);
constexpr ClockTime kNine = 9 * kHundredthsPerHour + 1;
constexpr ClockTime kTen = 10 * kHundredthsPerHour + 1;

class BatchDeleteTest : public StorageTest
{
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        for (DataFile *file : files())
            openFile(*file);
    }
    void TearDown() override
    {
        // The batch delete lets go of the files before the program's data goes.
        m_batch.reset();
        StorageTest::TearDown();
    }

    std::vector<DataFile *> files()
    {
        return {&m_data->activity, &m_data->dates, &m_data->personAct};
    }

    // Adds activity `number` with an occurrence on each of `dates` and the
    // participants `people`; returns its ACTIVITY record number.
    std::int64_t addActivity(std::int32_t number, const std::vector<Date> &dates,
                             const std::vector<std::string> &people = {"Ann"})
    {
        m_data->ACT = {};
        m_data->ACT.ACTNUMBER = number;
        EXPECT_TRUE(m_data->activity.add().ok());
        const std::int64_t record = m_data->activity.current().recordNumber;
        for (Date date : dates) {
            m_data->DAT = {number, date, kNine, kTen};
            EXPECT_TRUE(m_data->dates.add().ok());
        }
        for (const std::string &person : people) {
            m_data->PER = {number, Text<10>(person)};
            EXPECT_TRUE(m_data->personAct.add().ok());
        }
        return record;
    }

    // A fresh batch delete of everything before `before` (the one before it
    // let go first); it keeps the files open until the next.
    SaveResult run(Date before, Date archiveDay = 0)
    {
        m_batch.reset();
        m_batch = std::make_unique<BatchDelete>(*m_data, m_prompter);
        return m_batch->run(before, archiveDay);
    }

    // The stored dates of activity `number`, in date order.
    std::vector<Date> datesOf(std::int32_t number)
    {
        std::vector<Date> found;
        TypedCursor<DatesRecord> cursor(m_data->dates, DAT_DATETIME_KEY);
        while (cursor.next().ok())
            if (cursor.record().ACTNUMBER == number)
                found.push_back(cursor.record().DATE);
        return found;
    }
    std::vector<std::string> peopleOf(std::int32_t number)
    {
        std::vector<std::string> found;
        TypedCursor<PersonActRecord> cursor(m_data->personAct, PER_ACTIVITY_KEY);
        while (cursor.next().ok())
            if (cursor.record().ACTNUMBER == number)
                found.push_back(cursor.record().PERSON.str());
        return found;
    }
    bool hasActivity(std::int32_t number)
    {
        m_data->ACT.ACTNUMBER = number;
        return m_data->activity.get(ACT_ACTNUMBER_KEY).ok();
    }

    ScriptedPrompter m_prompter;
    std::unique_ptr<BatchDelete> m_batch;
};

TEST_F(BatchDeleteTest, TheDayItselfIsKept)
{
    addActivity(1, {kToday - 1, kToday, kToday + 3});
    ASSERT_TRUE(run(kToday).ok());
    EXPECT_EQ(datesOf(1), (std::vector<Date>{kToday, kToday + 3}));
    EXPECT_EQ(m_batch->counts().occurrences, 1);
}

TEST_F(BatchDeleteTest, AnActivityWithOccurrencesLeftKeepsItselfAndItsPeople)
{
    addActivity(1, {kToday - 30, kToday - 2, kToday + 5}, {"Ann", "Bea"});
    ASSERT_TRUE(run(kToday).ok());
    EXPECT_TRUE(hasActivity(1));
    EXPECT_EQ(peopleOf(1), (std::vector<std::string>{"Ann", "Bea"}));
    EXPECT_EQ(m_batch->counts().activities, 0);
    EXPECT_EQ(m_batch->counts().participants, 0);
}

TEST_F(BatchDeleteTest, ActivitiesLeftWithoutOccurrencesGoWithTheirPeopleThoseThatNeverHadOneToo)
{
    addActivity(1, {kToday - 30, kToday - 2}, {"Ann", "Bea"});
    addActivity(2, {}, {"Cid"});
    addActivity(3, {kToday + 1}, {"Dan"});
    ASSERT_TRUE(run(kToday).ok());
    EXPECT_FALSE(hasActivity(1));
    EXPECT_FALSE(hasActivity(2));
    EXPECT_TRUE(peopleOf(1).empty());
    EXPECT_TRUE(peopleOf(2).empty());
    EXPECT_EQ(peopleOf(3), std::vector<std::string>{"Dan"});
    EXPECT_EQ(m_batch->counts().activities, 2);
    EXPECT_EQ(m_batch->counts().participants, 3);
}

TEST_F(BatchDeleteTest, ASecondRunOnTheSameDayDeletesNothingAndCompactsNothing)
{
    {
        Transaction fill(m_data->database);
        for (std::int32_t number = 1; number <= 200; ++number)
            addActivity(number, {kToday - number, kToday - number - 400});
        addActivity(201, {kToday + 1});
        ASSERT_TRUE(fill.commit().ok());
    }
    std::error_code error;
    const auto sizeBefore = std::filesystem::file_size(m_data->dates.path(), error);

    ASSERT_TRUE(run(kToday).ok());
    EXPECT_EQ(m_batch->counts().packed,
              (std::vector<std::string>{"DATES", "PERSONACT", "ACTIVITY"}));
    EXPECT_LT(std::filesystem::file_size(m_data->dates.path(), error), sizeBefore)
        << "the space of the deleted occurrences was not given back";

    ASSERT_TRUE(run(kToday).ok());
    EXPECT_EQ(m_batch->counts().occurrences + m_batch->counts().activities +
                  m_batch->counts().participants,
              0);
    EXPECT_TRUE(m_batch->counts().packed.empty());
    EXPECT_EQ(datesOf(201), std::vector<Date>{kToday + 1});
}

TEST_F(BatchDeleteTest, AnActivityWhoseFormIsOpenElsewhereIsLeftAloneWhole)
{
    const std::int64_t open = addActivity(1, {kToday - 5, kToday + 5}, {"Ann"});
    const std::int64_t openWithout = addActivity(2, {}, {"Bea"});
    addActivity(3, {kToday - 5}, {"Cid"});
    const std::int64_t later = addActivity(4, {kToday + 9});
    RecordHold form, otherForm;
    ASSERT_TRUE(m_data->activity.hold(form, open, 0).ok());
    ASSERT_TRUE(m_data->activity.hold(otherForm, openWithout, 0).ok());

    ASSERT_TRUE(run(kToday).ok());
    EXPECT_EQ(datesOf(1), (std::vector<Date>{kToday - 5, kToday + 5}));
    EXPECT_EQ(peopleOf(1), std::vector<std::string>{"Ann"});
    EXPECT_TRUE(hasActivity(2));
    EXPECT_EQ(peopleOf(2), std::vector<std::string>{"Bea"});
    EXPECT_FALSE(hasActivity(3));
    EXPECT_EQ(m_batch->counts().skippedActivities, 2);
    // Its holds ended with it: a form opens on any activity again.
    RecordHold afterwards;
    EXPECT_TRUE(m_data->activity.hold(afterwards, later, 0).ok());
}

TEST_F(BatchDeleteTest, FilesInUseElsewhereAreNotCompactedAndTheDeletionsStand)
{
    addActivity(1, {kToday - 5}, {"Ann"});
    addActivity(2, {kToday + 5});
    // Another station has DATES open; another window of this program uses
    // PERSONACT.
    auto station = secondStation();
    ASSERT_TRUE(station->dates.open().ok());
    m_data->personAct.addUser();

    ASSERT_TRUE(run(kToday).ok());
    EXPECT_EQ(m_batch->counts().packed, std::vector<std::string>{"ACTIVITY"});
    EXPECT_TRUE(m_prompter.shown().empty());
    EXPECT_FALSE(hasActivity(1));
    EXPECT_TRUE(peopleOf(1).empty());
    m_data->personAct.removeUser();
}

TEST_F(BatchDeleteTest, TheCopyMadeFirstHoldsWhatWentAndOpensAsTheDataFiles)
{
    addActivity(1, {kToday - 5}, {"Ann"});
    addActivity(2, {kToday + 5}, {"Bea"});
    ASSERT_TRUE(run(kToday, kToday).ok());
    const std::vector<std::filesystem::path> copies = m_batch->archive();
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_EQ(copies[0].filename(), "DATES-2026-12-08.BAK");
    EXPECT_FALSE(hasActivity(1));

    // Restored in place of the files of another folder, the copy is the
    // data as it was.
    TempDir restored;
    for (const std::filesystem::path &copy : copies) {
        const std::string name = copy.filename().string();
        std::filesystem::copy_file(copy,
                                   restored.path() / (name.substr(0, name.find('-')) + ".DB"));
    }
    m_batch.reset();
    m_data = std::make_unique<AppData>();
    ASSERT_TRUE(m_data->database.open(restored.path()).ok());
    for (DataFile *file : files())
        ASSERT_TRUE(file->open().ok()) << file->name();
    EXPECT_EQ(datesOf(1), std::vector<Date>{kToday - 5});
    EXPECT_EQ(peopleOf(1), std::vector<std::string>{"Ann"});

    // A second copy on the same day takes a name of its own.
    EXPECT_EQ(batchArchivePaths(m_dir.path(), kToday)[2].filename(), "ACTIVITY-2026-12-08-2.BAK");
}

// ---------------------------------------------------------------------------
// A batch delete killed in the middle

// The batch-delete program (schedulelogic_batch_helper) on a folder; killed
// and reaped in the end.
class BatchStation
{
public:
    BatchStation(const std::filesystem::path &directory, Date before, int slice)
        : m_program(BATCH_HELPER,
                    {directory.string(), std::to_string(before), std::to_string(slice)})
    {
    }

    // Waits for a line starting with `start`: false after `timeoutMs` or
    // at the end of its output.
    bool waitFor(const std::string &start, int timeoutMs)
    {
        return m_program
            .waitForLine([&](const std::string &line) { return line.starts_with(start); },
                         timeoutMs)
            .has_value();
    }
    void kill() { m_program.kill(); }
    std::string transcript() const { return m_program.transcript(); }

private:
    ChildProgram m_program;
};

TEST_F(BatchDeleteTest, AKilledBatchDeleteLeavesAllOfItOrNone)
{
    // 1,000 activities of 100 weekly occurrences each, half of them before
    // the day; every fifth activity lies wholly before it.
    constexpr int kActivities = 1000;
    constexpr int kEach = 100;
    {
        Transaction fill(m_data->database);
        for (std::int32_t number = 1; number <= kActivities; ++number) {
            m_data->ACT = {};
            m_data->ACT.ACTNUMBER = number;
            ASSERT_TRUE(m_data->activity.add().ok());
            const Date first = number % 5 == 0 ? kToday - 7 * kEach : kToday - 7 * (kEach / 2);
            for (int i = 0; i < kEach; ++i) {
                m_data->DAT = {number, first + 7 * i, kNine, kTen};
                ASSERT_TRUE(m_data->dates.add().ok());
            }
            m_data->PER = {number, Text<10>("Ann")};
            ASSERT_TRUE(m_data->personAct.add().ok());
        }
        ASSERT_TRUE(fill.commit().ok());
    }
    for (DataFile *file : files())
        file->close();

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // Killed at a random moment of the deletions or the commit, again while
    // a kill left everything in place.
    bool deleted = false;
    for (int round = 1; round <= 3 && !deleted && !HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        BatchStation batch(m_dir.path(), kToday, 2000);
        ASSERT_TRUE(batch.waitFor("slice", 10000)) << batch.transcript();
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 300000)(random)));
        batch.kill();
        const bool committed = batch.waitFor("committed", 0);

        // Opening after a killed station checks the keys in full.
        for (DataFile *file : files())
            ASSERT_TRUE(file->open().ok()) << file->name();
        std::int64_t dates = 0, activities = 0, people = 0;
        ASSERT_TRUE(m_data->dates.records(dates).ok());
        ASSERT_TRUE(m_data->activity.records(activities).ok());
        ASSERT_TRUE(m_data->personAct.records(people).ok());
        const std::int64_t kept = kActivities * 4 / 5;
        deleted = dates != std::int64_t{kActivities} * kEach;
        if (!deleted) {
            EXPECT_FALSE(committed) << batch.transcript();
            EXPECT_EQ(activities, kActivities);
            EXPECT_EQ(people, kActivities);
        } else {
            EXPECT_EQ(dates, kept * kEach / 2) << "half done; " << batch.transcript();
            EXPECT_EQ(activities, kept);
            EXPECT_EQ(people, kept);
        }
        for (DataFile *file : files())
            file->close();
    }
}

} // namespace
} // namespace korvalen::testing
