// Two programs on one working directory: the second station is a process of
// its own (storage_station_helper), so that its locks, its crash and its
// commits are those of another program.

#include "testsupport.h"

#include "../childprogram.h"

#include "storage/engine.h"
#include "storage/lockfile.h"
#include "storage/recordupdate.h"

#include <signal.h>

#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace korvalen::testing {
namespace {

using namespace keys;
using Clock = std::chrono::steady_clock;

constexpr int kLineTimeoutMs = 10000;

long msSince(Clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The helper process, started on the test's working directory. Its output
// is read line by line with a time limit; it is always reaped, killed if it
// does not end on its own when told to.
class Station
{
public:
    Station(const std::filesystem::path &directory, const std::vector<std::string> &args);
    ~Station() { finish(); }
    Station(const Station &) = delete;
    Station &operator=(const Station &) = delete;

    bool isRunning() const { return m_program.isRunning(); }

    // The rest of the next line that begins with `event` ("put 89" gives
    // "89"); nullopt when the helper ends or takes longer than `timeoutMs`.
    std::optional<std::string> waitFor(const std::string &event, int timeoutMs = kLineTimeoutMs);
    // The code reported with `event`, -1 when it never came.
    int codeOf(const std::string &event, int timeoutMs = kLineTimeoutMs);
    bool said(const std::string &event) const;
    // The lines read so far, for failure messages.
    std::string transcript() const { return m_program.transcript(); }

    // Tells the helper to close its files and end.
    void send(const std::string &line) { m_program.send(line); }
    // Kills the helper at once, reaps it and reads what it wrote before.
    void kill() { m_program.kill(); }
    // Ends the helper's wait and reaps it (killing it after `timeoutMs`).
    void finish(int timeoutMs = 5000);

private:
    static bool isEvent(const std::string &line, const std::string &event)
    {
        return line == event || line.starts_with(event + " ");
    }

    ChildProgram m_program;
    std::size_t m_consumed = 0;
};

Station::Station(const std::filesystem::path &directory, const std::vector<std::string> &args)
    : m_program(
          STATION_HELPER,
          [&] {
              std::vector<std::string> words = {directory.string()};
              words.insert(words.end(), args.begin(), args.end());
              return words;
          }(),
          true)
{
}

std::optional<std::string> Station::waitFor(const std::string &event, int timeoutMs)
{
    std::optional<std::size_t> found = m_program.waitForLine(
        [&](const std::string &line) { return isEvent(line, event); }, timeoutMs, m_consumed);
    if (!found)
        return std::nullopt;
    m_consumed = *found + 1;
    const std::string &line = m_program.lines()[*found];
    return line.size() > event.size() ? line.substr(event.size() + 1) : "";
}

int Station::codeOf(const std::string &event, int timeoutMs)
{
    std::optional<std::string> rest = waitFor(event, timeoutMs);
    return rest ? std::atoi(rest->c_str()) : -1;
}

bool Station::said(const std::string &event) const
{
    for (const std::string &line : m_program.lines())
        if (isEvent(line, event))
            return true;
    return false;
}

void Station::finish(int timeoutMs)
{
    if (!m_program.endsWithin(timeoutMs)) {
        ADD_FAILURE() << "the helper did not end when told; killed";
        kill();
    }
}

class StationTest : public StorageTest
{
protected:
    // A line written to a helper that died must not end the test program.
    static void SetUpTestSuite() { signal(SIGPIPE, SIG_IGN); }

    std::unique_ptr<Station> start(const std::vector<std::string> &args)
    {
        auto station = std::make_unique<Station>(m_dir.path(), args);
        EXPECT_TRUE(station->isRunning()) << "cannot start " << STATION_HELPER;
        return station;
    }

    // A count from SQL on this program's connection (one integer parameter).
    std::int64_t count(const std::string &sql, std::int64_t parameter)
    {
        Statement statement;
        Status status = m_data->database.prepare(sql, statement);
        EXPECT_TRUE(status.ok()) << status.text();
        if (!status.ok())
            return -1;
        sqlite3_bind_int64(statement.get(), 1, parameter);
        return sqlite3_step(statement.get()) == SQLITE_ROW
                   ? sqlite3_column_int64(statement.get(), 0)
                   : -1;
    }

    std::string integrityCheck(const DataFile &file)
    {
        Statement statement;
        Status status =
            m_data->database.prepare("PRAGMA " + file.schema() + ".integrity_check", statement);
        if (!status.ok())
            return "cannot check: " + status.text();
        if (sqlite3_step(statement.get()) != SQLITE_ROW)
            return "cannot check: " + std::string(sqlite3_errmsg(engineHandle(m_data->database)));
        auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0));
        return text ? text : "";
    }

    void addPerson(const char *shortName, const char *longName)
    {
        m_data->PEO = {};
        m_data->PEO.PERSON = shortName;
        m_data->PEO.NAME = longName;
        Status status = m_data->people.add();
        ASSERT_TRUE(status.ok()) << status.text();
    }

    std::int64_t addGroup(const char *name)
    {
        m_data->GRO.GROUP = name;
        Status status = m_data->group.add();
        EXPECT_TRUE(status.ok()) << status.text();
        return m_data->group.current().recordNumber;
    }

    void addDate(int act, int date)
    {
        m_data->DAT = {};
        m_data->DAT.ACTNUMBER = act;
        m_data->DAT.DATE = date;
        Status status = m_data->dates.add();
        ASSERT_TRUE(status.ok()) << status.text();
    }

    // Reads `person` with a watch, as a form does before it changes a record.
    void readWatched(const char *person)
    {
        m_data->PEO.PERSON = person;
        m_data->people.watch();
        Status status = m_data->people.get(PEO_PERSON_KEY);
        ASSERT_TRUE(status.ok()) << status.text();
        ASSERT_TRUE(m_data->people.current().watched);
    }
};

// ---------------------------------------------------------------------------
// Watch: changes and deletes by another program

TEST_F(StationTest, WatchedPutAndRemoveFailWhenAnotherProgramChangedOrDeletedTheRecord)
{
    openFile(m_data->people);
    addPerson("Cy", "Cyrus");
    addPerson("Di", "Diana");

    readWatched("Cy");
    auto changer = start({"put-person", "Cy", "Cyril"});
    ASSERT_EQ(changer->codeOf("put"), 0);
    m_data->PEO.NAME = "Cyrus the Great";
    EXPECT_TRUE(m_data->people.put().is(ErrorCode::ChangedByOther));
    EXPECT_EQ(m_data->database.lastStatus().text(), "Record Changed By Another Station (89)");

    // Read again: the other program's name is there, and the put goes through.
    readWatched("Cy");
    EXPECT_EQ(m_data->PEO.NAME.str(), "Cyril");
    m_data->PEO.NAME = "Cyrus the Great";
    EXPECT_TRUE(m_data->people.put().ok()) << m_data->database.lastStatus().text();

    readWatched("Cy");
    auto remover = start({"remove-person", "Cy"});
    ASSERT_EQ(remover->codeOf("remove"), 0);
    EXPECT_TRUE(m_data->people.remove().is(ErrorCode::ChangedByOther));
    EXPECT_EQ(m_data->database.lastStatus().text(), "Record Changed By Another Station (89)");
}

TEST_F(StationTest, UnwatchedPutOfARecordAnotherProgramDeletedIsNotFound)
{
    openFile(m_data->people);
    addPerson("Di", "Diana");
    m_data->PEO.PERSON = "Di";
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    ASSERT_FALSE(m_data->people.current().watched);

    auto remover = start({"remove-person", "Di"});
    ASSERT_EQ(remover->codeOf("remove"), 0);
    m_data->PEO.NAME = "Dinah";
    EXPECT_TRUE(m_data->people.put().is(ErrorCode::RecordNotFound))
        << m_data->database.lastStatus().text();
    EXPECT_TRUE(m_data->people.remove().is(ErrorCode::RecordNotFound));
}

TEST_F(StationTest, PersonChangedByAnotherProgramIsNeitherOverwrittenNorRenamed)
{
    openFile(m_data->people);
    openFile(m_data->personAct);
    m_data->people.addUser();
    m_data->personAct.addUser();
    addPerson("Cy", "Cyrus");
    m_data->PER.ACTNUMBER = 1;
    m_data->PER.PERSON = "Cy";
    ASSERT_TRUE(m_data->personAct.add().ok());

    readWatched("Cy");
    RecordRef ref = m_data->people.current();
    PeopleRecord mine = m_data->PEO;
    mine.PERSON = "Cyrus";
    auto changer = start({"put-person", "Cy", "Cyril"});
    ASSERT_EQ(changer->codeOf("put"), 0);

    // Saving again repeats the same check: it fails again.
    ScriptedPrompter prompter;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SaveResult result = updatePerson(*m_data, prompter, mine, ref);
        EXPECT_TRUE(result.is(ErrorCode::ChangedByOther));
        EXPECT_EQ(result.file, "PEOPLE");
    }
    readWatched("Cy");
    EXPECT_EQ(m_data->PEO.NAME.str(), "Cyril");
    m_data->PER.PERSON = "Cy";
    EXPECT_TRUE(m_data->personAct.get(PER_PERSON_KEY).ok()) << "a participant was renamed";
}

// ---------------------------------------------------------------------------
// Holds across programs

TEST_F(StationTest, HoldOfARecordHeldByAnotherProgramFailsUntilThatProgramDies)
{
    openFile(m_data->group);
    std::int64_t choir = addGroup("Choir");
    std::int64_t band = addGroup("Band");
    auto holder = start({"hold-group", "Choir", "0"});
    ASSERT_EQ(holder->codeOf("held"), 0);

    RecordHold hold;
    auto before = Clock::now();
    EXPECT_TRUE(m_data->group.hold(hold, choir, 200).is(ErrorCode::RecordHeld));
    EXPECT_GE(msSince(before), 180) << "the hold gave up before its wait was over";
    EXPECT_EQ(m_data->database.lastStatus().code(), ErrorCode::RecordHeld);
    // Only that record is held.
    RecordHold other;
    EXPECT_TRUE(m_data->group.hold(other, band, 0).ok());

    holder->kill();
    EXPECT_TRUE(m_data->group.hold(hold, choir, 0).ok()) << "the hold did not die with its holder";
}

TEST_F(StationTest, HoldWaitsForAnotherProgramToReleaseTheRecord)
{
    openFile(m_data->group);
    std::int64_t choir = addGroup("Choir");
    auto holder = start({"hold-group", "Choir", "300"});
    ASSERT_EQ(holder->codeOf("held"), 0);

    RecordHold hold;
    auto before = Clock::now();
    Status status = m_data->group.hold(hold, choir, 2000);
    long waited = msSince(before);
    EXPECT_TRUE(status.ok()) << status.text();
    EXPECT_GE(waited, 150) << "held a record the other program still held";
    EXPECT_LT(waited, 2000);
    EXPECT_TRUE(holder->waitFor("released").has_value());
}

// ---------------------------------------------------------------------------
// Two programs at once: shared and exclusive opens

TEST_F(StationTest, RecordsAddedByAnotherProgramAppearAtTheNextRead)
{
    openFile(m_data->dates);
    for (int date = 1; date <= 3; ++date)
        addDate(1, date);
    m_data->dates.set(DAT_DATETIME_KEY);
    ASSERT_TRUE(m_data->dates.next().ok());
    ASSERT_TRUE(m_data->dates.next().ok());
    m_data->database.releaseReads(); // as the event loop does before it waits

    auto adder = start({"add-dates", "2", "4", "10"});
    std::optional<std::string> added = adder->waitFor("added");
    ASSERT_TRUE(added.has_value());
    EXPECT_EQ(*added, "0 7") << "the other program must see this one's records too";

    // The walk goes on past its place into the other program's records.
    std::vector<int> dates;
    while (m_data->dates.next().ok())
        dates.push_back(m_data->DAT.DATE);
    EXPECT_EQ(dates, (std::vector<int>{3, 10, 11, 12, 13}));
    std::int64_t records = 0;
    ASSERT_TRUE(m_data->dates.records(records).ok());
    EXPECT_EQ(records, 7);
    // Both have the file open: neither is alone with it until the other ends.
    EXPECT_TRUE(m_data->dates.openExclusive().is(ErrorCode::FileLocked));
    adder->finish();
    EXPECT_TRUE(adder->said("closed")) << adder->transcript();
    EXPECT_TRUE(m_data->dates.openExclusive().ok());
}

TEST_F(StationTest, ExclusiveOpenHereKeepsAnotherProgramOut)
{
    openFile(m_data->dates);
    m_data->dates.close();
    ASSERT_TRUE(m_data->dates.openExclusive().ok());

    auto exclusive = start({"open-exclusive", "DATES"});
    EXPECT_EQ(exclusive->codeOf("open-exclusive"), 32);
    auto shared = start({"open", "DATES", "300"});
    std::optional<std::string> opened = shared->waitFor("open");
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(std::atoi(opened->c_str()), 32);
    EXPECT_GE(std::atol(opened->substr(opened->find(' ') + 1).c_str()), 250)
        << "the open did not wait: " << *opened;

    // Giving up the exclusive use lets others in while this program keeps
    // the file open; the other then keeps this one from taking it again.
    m_data->dates.endExclusive();
    EXPECT_TRUE(m_data->dates.isOpen());
    auto later = start({"open", "DATES", "300"});
    EXPECT_EQ(later->codeOf("open"), 0);
    EXPECT_TRUE(m_data->dates.openExclusive().is(ErrorCode::FileLocked));
}

TEST_F(StationTest, ExclusiveOpenElsewhereMakesOpensHereWaitAndFail)
{
    openFile(m_data->dates);
    m_data->dates.close();
    auto exclusive = start({"open-exclusive", "DATES"});
    ASSERT_EQ(exclusive->codeOf("open-exclusive"), 0);

    EXPECT_TRUE(m_data->dates.openExclusive().is(ErrorCode::FileLocked));
    m_data->database.setBusyTimeoutMs(300);
    auto before = Clock::now();
    EXPECT_TRUE(m_data->dates.open().is(ErrorCode::FileLocked));
    EXPECT_GE(msSince(before), 250) << "the open did not wait";
    EXPECT_EQ(m_data->database.lastStatus().code(), ErrorCode::FileLocked);
    EXPECT_FALSE(m_data->dates.isOpen());

    exclusive->send("close");
    ASSERT_TRUE(exclusive->waitFor("closed").has_value());
    Status status = m_data->dates.open();
    EXPECT_TRUE(status.ok()) << status.text();
}

// ---------------------------------------------------------------------------
// A station that stops without closing a file

TEST_F(StationTest, AStationKilledWhileAnotherKeepsTheFileOpenIsNotForgotten)
{
    openFile(m_data->group);
    auto needsCheck = [&] {
        LockFile lock;
        EXPECT_TRUE(lock.open(m_data->group.path()).ok());
        lock.claimSlot();
        return lock.needsCheck();
    };
    {
        auto closer = start({"open", "GROUP", "1000"});
        ASSERT_EQ(closer->codeOf("open"), 0) << closer->transcript();
    }
    EXPECT_FALSE(needsCheck()) << "a clean close is no crash";
    auto keeper = start({"open", "GROUP", "1000"});
    ASSERT_EQ(keeper->codeOf("open"), 0) << keeper->transcript();
    {
        auto victim = start({"open", "GROUP", "1000"});
        ASSERT_EQ(victim->codeOf("open"), 0) << victim->transcript();
        victim->kill();
    }
    // This station closes cleanly, and it is not the last.
    m_data->group.close();
    EXPECT_TRUE(needsCheck());
    // An open shared with another station runs no full check: the mark stays.
    openFile(m_data->group);
    m_data->group.close();
    EXPECT_TRUE(needsCheck());
    keeper.reset();
    // The next open alone checks the file fully, and the mark goes.
    openFile(m_data->group);
    EXPECT_FALSE(needsCheck());
}

// ---------------------------------------------------------------------------
// Crash safety: one transaction across three files, killed at any moment

class StationCrashTest : public StationTest
{
protected:
    static constexpr int kSeededParticipants = 5;
    static constexpr int kRounds = 30;

    enum class Outcome
    {
        Whole,
        Absent,
        Half
    };

    // When the helper reached its commit and ended it, counted from the
    // begin of its transaction.
    struct Timing
    {
        long commitStartUs = 0;
        long commitEndUs = 0;
    };

    // How the rounds went.
    struct Tally
    {
        int whole = 0;
        int absent = 0;
        int killedInCommit = 0;
        int hotJournals = 0;
    };

    void openAll()
    {
        for (DataFile *file : {&m_data->activity, &m_data->dates, &m_data->personAct})
            openFile(*file);
    }
    void closeAll()
    {
        for (DataFile *file : {&m_data->activity, &m_data->dates, &m_data->personAct})
            file->close();
    }

    // Committed participants the round's transaction renames.
    void seed(int round)
    {
        for (int i = 0; i < kSeededParticipants; ++i) {
            m_data->PER.ACTNUMBER = round;
            m_data->PER.PERSON = "Old";
            Status status = m_data->personAct.add();
            ASSERT_TRUE(status.ok()) << status.text();
        }
    }

    // Opens the files after the kill (rolling back a hot journal) and checks
    // them fully.
    void reopenAndCheck()
    {
        for (DataFile *file : {&m_data->activity, &m_data->dates, &m_data->personAct}) {
            Status status = file->open();
            ASSERT_TRUE(status.ok()) << file->name() << ": " << status.text();
            status = file->checkKeys();
            EXPECT_TRUE(status.ok()) << file->name() << ": " << status.text();
            EXPECT_EQ(integrityCheck(*file), "ok") << file->name();
        }
    }

    Outcome outcome(int round)
    {
        std::int64_t activities =
            count("SELECT count(*) FROM ACTIVITY.rec WHERE ACTNUMBER = ?1", round);
        std::int64_t dates = count("SELECT count(*) FROM DATES.rec WHERE ACTNUMBER = ?1", round);
        std::int64_t renamed = count(
            "SELECT count(*) FROM PERSONACT.rec WHERE ACTNUMBER = ?1 AND PERSON = 'New'", round);
        std::int64_t old = count(
            "SELECT count(*) FROM PERSONACT.rec WHERE ACTNUMBER = ?1 AND PERSON = 'Old'", round);
        if (activities == 1 && dates == 2000 && renamed == 20 + kSeededParticipants && old == 0)
            return Outcome::Whole;
        if (activities == 0 && dates == 0 && renamed == 0 && old == kSeededParticipants)
            return Outcome::Absent;
        ADD_FAILURE() << "half a transaction: " << activities << " activities, " << dates
                      << " dates, " << renamed << " renamed and " << old << " old participants";
        return Outcome::Half;
    }

    bool journalLeft() const
    {
        for (const char *name : {"ACTIVITY.DB-journal", "DATES.DB-journal", "PERSONACT.DB-journal"})
            if (std::filesystem::exists(m_dir.path() / name))
                return true;
        return false;
    }

    // The kill moment of round `round`: every fifth round after the commit
    // (-1, which measures the timing again), the others at random inside
    // the writes or, more often, inside the commit, where a commit that is
    // not atomic across the files would leave some of them written.
    static long killMoment(int round, const Timing &timing, std::mt19937 &random)
    {
        if (round % 5 == 1)
            return -1;
        bool atCommit = round % 3 != 0;
        long low = atCommit ? timing.commitStartUs : 0;
        long high = atCommit ? timing.commitEndUs : timing.commitStartUs;
        return std::uniform_int_distribution<long>(low, std::min(high, 2000000L))(random);
    }

    void runRound(int round, long delayUs, Timing &timing, Tally &tally);
    void runRounds(int rounds, const std::function<std::filesystem::path(int)> &writerPath);

    // Another path to the same folder: how a second station, another mount
    // point or the folder moved elsewhere reaches the files.
    std::filesystem::path otherPath(const char *suffix) const
    {
        return m_dir.path().string() + suffix;
    }
    // Moves the folder (files closed) and opens the connection at its new
    // path, or back.
    void moveFolder(const std::filesystem::path &from, const std::filesystem::path &to)
    {
        closeAll();
        m_data->database.close();
        std::filesystem::rename(from, to);
        Status status = m_data->database.open(to);
        ASSERT_TRUE(status.ok()) << status.text();
    }

    // Where the writer of the next round reaches the folder, and whether the
    // folder is renamed after the kill, before it is opened again.
    std::filesystem::path m_writerPath;
    bool m_renameAfterKill = false;

    // Checks the files after the kill of `writer` in round `round`.
    void judge(int round, const Station &writer, Tally &tally);
};

void StationCrashTest::runRound(int round, long delayUs, Timing &timing, Tally &tally)
{
    SCOPED_TRACE("round " + std::to_string(round) + ", killed after " +
                 (delayUs < 0 ? std::string("the commit") : std::to_string(delayUs) + " us"));
    seed(round);
    closeAll();
    Station writer(m_writerPath, {"transaction", std::to_string(round)});
    ASSERT_EQ(writer.codeOf("begun"), 0) << writer.transcript();
    if (delayUs < 0) {
        std::optional<std::string> committing = writer.waitFor("committing");
        std::optional<std::string> committed = writer.waitFor("committed");
        ASSERT_TRUE(committing && committed) << writer.transcript();
        ASSERT_EQ(std::atoi(committed->c_str()), 0) << writer.transcript();
        timing.commitStartUs = std::atol(committing->substr(committing->find(' ')).c_str());
        timing.commitEndUs = std::atol(committed->substr(committed->find(' ')).c_str());
    } else {
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
    }
    writer.kill();
    tally.hotJournals += journalLeft() ? 1 : 0;
    if (m_renameAfterKill) {
        const std::filesystem::path moved = otherPath("-moved");
        moveFolder(m_dir.path(), moved);
        reopenAndCheck();
        judge(round, writer, tally);
        moveFolder(moved, m_dir.path());
        openAll();
        return;
    }
    reopenAndCheck();
    judge(round, writer, tally);
}

void StationCrashTest::judge(int round, const Station &writer, Tally &tally)
{
    Outcome result = outcome(round);
    tally.whole += result == Outcome::Whole;
    tally.absent += result == Outcome::Absent;
    bool committed = writer.said("committed 0");
    bool committing = writer.said("committing");
    tally.killedInCommit += committing && !committed;
    if (committed) {
        EXPECT_EQ(result, Outcome::Whole) << "a committed transaction was lost";
    }
    if (!committing) {
        EXPECT_EQ(result, Outcome::Absent) << "a transaction killed before its commit stayed";
    }
}

// Runs `rounds` rounds, the writer of round r reaching the folder at
// `writerPath(r)`, and checks that some were killed inside the transaction.
void StationCrashTest::runRounds(int rounds,
                                 const std::function<std::filesystem::path(int)> &writerPath)
{
    openAll();
    unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Timing timing;
    Tally tally;
    for (int round = 1; round <= rounds && !HasFatalFailure(); ++round) {
        m_writerPath = writerPath(round);
        runRound(round, killMoment(round, timing, random), timing, tally);
    }
    EXPECT_GE(tally.whole, 1);
    EXPECT_GE(tally.absent, 1) << "no round was killed inside its transaction";
    RecordProperty("whole", tally.whole);
    RecordProperty("absent", tally.absent);
    RecordProperty("killed_in_commit", tally.killedInCommit);
    RecordProperty("hot_journals", tally.hotJournals);
}

TEST_F(StationCrashTest, TransactionAcrossFilesIsWholeOrAbsentAfterAKill)
{
    runRounds(kRounds, [this](int) { return m_dir.path(); });
}

// The journals of a commit across files name the commit's super-journal. A
// station that reaches the folder by another path must find it there, or it
// takes the journals for committed and leaves some files written, others not.
TEST_F(StationCrashTest, TransactionIsWholeOrAbsentWhenTheFolderIsReachedByAnotherPath)
{
    const std::filesystem::path link = otherPath("-link");
    std::filesystem::create_directory_symlink(m_dir.path(), link);
    m_renameAfterKill = true;
    // Every other writer reaches the folder through a link.
    runRounds(40, [&](int round) { return round % 2 ? link : m_dir.path(); });
    std::filesystem::remove(link);
}

// Two stations on one folder by two paths are still two stations on one set
// of files: holds and commits reach each other.
TEST_F(StationTest, ProgramsReachingTheFolderByTwoPathsShareHoldsAndCommits)
{
    const std::filesystem::path link = m_dir.path().string() + "-link";
    std::filesystem::create_directory_symlink(m_dir.path(), link);
    openFile(m_data->group);
    std::int64_t number = addGroup("Kids");
    {
        Station holder(link, {"hold-group", "Kids", "0"});
        ASSERT_EQ(holder.codeOf("held"), 0) << holder.transcript();
        RecordHold hold;
        EXPECT_TRUE(m_data->group.hold(hold, number, 0).is(ErrorCode::RecordHeld));
    }
    openFile(m_data->dates);
    m_data->dates.close();
    {
        Station writer(link, {"add-dates", "7", "3", "80000"});
        ASSERT_EQ(writer.codeOf("added"), 0) << writer.transcript();
    }
    openFile(m_data->dates);
    EXPECT_EQ(count("SELECT count(*) FROM DATES.rec WHERE ACTNUMBER = ?1", 7), 3);
    std::filesystem::remove(link);
}

// ---------------------------------------------------------------------------
// Crash safety: a group rename and its cascades, killed at any moment

class StationRenameCrashTest : public StationTest
{
protected:
    static constexpr int kReferences = 3000;
    static constexpr int kRounds = 16;

    std::vector<DataFile *> files() const
    {
        return {&m_data->group, &m_data->activity, &m_data->groupPeople};
    }

    void seed()
    {
        for (DataFile *file : files())
            openFile(*file);
        Transaction transaction(m_data->database);
        m_data->GRO.GROUP = "Old";
        ASSERT_TRUE(m_data->group.add().ok());
        for (int i = 0; i < kReferences; ++i) {
            m_data->ACT = {};
            m_data->ACT.ACTNUMBER = i + 1;
            m_data->ACT.GROUP = "Old";
            ASSERT_TRUE(m_data->activity.add().ok());
            m_data->GRP.GROUP = "Old";
            m_data->GRP.PEOPLE = "P" + std::to_string(i);
            ASSERT_TRUE(m_data->groupPeople.add().ok());
        }
        ASSERT_TRUE(transaction.commit().ok());
    }

    std::int64_t countOf(const std::string &table, const std::string &name)
    {
        Statement statement;
        std::string sql = "SELECT count(*) FROM " + table + " WHERE \"GROUP\" = ?1";
        EXPECT_TRUE(m_data->database.prepare(sql, statement).ok());
        sqlite3_bind_text(statement.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
        return sqlite3_step(statement.get()) == SQLITE_ROW
                   ? sqlite3_column_int64(statement.get(), 0)
                   : -1;
    }

    // The name the group and all its references carry, after opening the
    // files again (which rolls back a hot journal) and checking them fully.
    std::string agreedName()
    {
        for (DataFile *file : files()) {
            Status status = file->open();
            EXPECT_TRUE(status.ok()) << file->name() << ": " << status.text();
            EXPECT_TRUE(file->checkKeys().ok()) << file->name();
            EXPECT_EQ(integrityCheck(*file), "ok") << file->name();
        }
        for (const char *name : {"Old", "New"}) {
            std::int64_t groups = countOf("\"GROUP\".rec", name);
            std::int64_t activities = countOf("ACTIVITY.rec", name);
            std::int64_t members = countOf("GROUPPEOPLE.rec", name);
            if (groups == 1 && activities == kReferences && members == kReferences)
                return name;
        }
        ADD_FAILURE() << "half a rename: Old " << countOf("ACTIVITY.rec", "Old") << "/"
                      << countOf("GROUPPEOPLE.rec", "Old") << ", New "
                      << countOf("ACTIVITY.rec", "New") << "/" << countOf("GROUPPEOPLE.rec", "New");
        return {};
    }
};

TEST_F(StationRenameCrashTest, KilledRenameLeavesTheOldOrTheNewNameEverywhere)
{
    seed();
    unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::string name = "Old";
    long durationUs = 0;
    int killedMidway = 0;
    for (int round = 1; round <= kRounds && !HasFatalFailure(); ++round) {
        for (DataFile *file : files())
            file->close();
        std::string to = name == "Old" ? "New" : "Old";
        Station writer(m_dir.path(), {"rename-group", name, to});
        ASSERT_EQ(writer.codeOf("renaming"), 0) << writer.transcript();
        if (round % 5 == 1) {
            std::optional<std::string> renamed = writer.waitFor("renamed");
            ASSERT_TRUE(renamed && std::atoi(renamed->c_str()) == 0) << writer.transcript();
            durationUs = std::atol(renamed->substr(renamed->find(' ')).c_str());
        } else {
            std::uniform_int_distribution<long> moment(0, std::min(durationUs, 3000000L));
            std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        }
        writer.kill();
        std::string now = agreedName();
        ASSERT_FALSE(now.empty()) << "round " << round;
        if (writer.said("renamed 0")) {
            EXPECT_EQ(now, to) << "a finished rename was lost";
        }
        killedMidway += now == name;
        name = now;
    }
    EXPECT_GE(killedMidway, 1) << "no rename was killed before its commit";
    RecordProperty("killed_midway", killedMidway);
}

} // namespace
} // namespace korvalen::testing
