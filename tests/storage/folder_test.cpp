// What a save and a data folder guarantee when things go wrong around them:
// SQLite ending a transaction on its own, a full disk, the leftovers of
// killed stations.

#include "testsupport.h"

#include "../scratchmount.h"
#include "storage/engine.h"
#include "storage/lockfile.h"

#include <fstream>

namespace korvalen::testing {
namespace {

class SaveFailureTest : public StorageTest
{
protected:
    std::int64_t groups()
    {
        std::int64_t count = -1;
        EXPECT_TRUE(m_data->group.records(count).ok());
        return count;
    }
    Status addGroup(const std::string &name)
    {
        m_data->GRO.GROUP = name;
        return m_data->group.add();
    }
};

// After a full disk or an I/O error inside a transaction SQLite rolls all of
// it back by itself; the save's later writes must not each commit alone.
TEST_F(SaveFailureTest, WritesAfterSQLiteEndedTheTransactionFailAndStoreNothing)
{
    openFile(m_data->group);
    Transaction transaction(m_data->database);
    ASSERT_TRUE(transaction.status().ok());
    ASSERT_TRUE(addGroup("First").ok());
    ASSERT_EQ(sqlite3_exec(engineHandle(m_data->database), "ROLLBACK", nullptr, nullptr, nullptr),
              SQLITE_OK);

    EXPECT_FALSE(addGroup("Second").ok());
    Transaction nested(m_data->database);
    EXPECT_FALSE(nested.status().ok()) << "a savepoint would begin a transaction of its own";
    EXPECT_FALSE(addGroup("Third").ok());
    EXPECT_FALSE(transaction.commit().ok());
    EXPECT_EQ(groups(), 0);

    // The next save works as usual.
    Transaction next(m_data->database);
    ASSERT_TRUE(addGroup("Fourth").ok());
    ASSERT_TRUE(next.commit().ok());
    EXPECT_EQ(groups(), 1);
}

TEST_F(SaveFailureTest, AFullDiskInsideASaveLeavesNothingOfIt)
{
    ScratchMount disk = ScratchMount::small(m_dir.path() / "disk", 256);
    if (!disk.isMounted())
        GTEST_SKIP() << "cannot mount here";
    m_data = std::make_unique<AppData>();
    ASSERT_TRUE(m_data->database.open(disk.path()).ok());
    openFile(m_data->group);
    ASSERT_TRUE(addGroup("Kept").ok());

    Transaction transaction(m_data->database);
    Status status;
    int added = 0;
    while ((status = addGroup(std::to_string(added))).ok())
        ++added;
    EXPECT_TRUE(status.is(ErrorCode::FileSystem)) << status.text();
    RecordProperty("sqlite_ended_the_transaction",
                   sqlite3_get_autocommit(engineHandle(m_data->database)));
    EXPECT_FALSE(addGroup("After").ok());
    EXPECT_FALSE(transaction.commit().ok());
    EXPECT_EQ(groups(), 1);
    m_data.reset();
}

// ---------------------------------------------------------------------------

class FolderTest : public StorageTest
{
protected:
    // A super-journal as SQLite writes it: the journals of the commit,
    // each ended by a zero byte.
    std::filesystem::path superJournal(const std::string &suffix,
                                       const std::vector<std::string> &journals)
    {
        std::filesystem::path path = m_dir.path() / (std::string("KORVALEN.DB-mj") + suffix);
        std::ofstream out(path, std::ios::binary);
        for (const std::string &journal : journals)
            out << journal << '\0';
        return path;
    }
    void reopen()
    {
        m_data.reset();
        m_data = std::make_unique<AppData>();
        ASSERT_TRUE(m_data->database.open(m_dir.path()).ok());
    }
};

TEST_F(FolderTest, LeftoverSuperJournalsGoOnlyWhenNoStationOrJournalNeedsThem)
{
    std::filesystem::path orphan =
        superJournal("0A1B2C3D", {"DATES.DB-journal", "GROUP.DB-journal"});
    std::filesystem::path needed = superJournal("4E5F6071", {"/elsewhere/PEOPLE.DB-journal"});
    std::ofstream(m_dir.path() / "PEOPLE.DB-journal") << "hot";

    // Another station is running: nothing is touched.
    auto other = secondStation();
    reopen();
    EXPECT_TRUE(std::filesystem::exists(orphan));

    other.reset();
    reopen();
    EXPECT_FALSE(std::filesystem::exists(orphan));
    EXPECT_TRUE(std::filesystem::exists(needed)) << "a journal still names it";
}

} // namespace
} // namespace korvalen::testing
