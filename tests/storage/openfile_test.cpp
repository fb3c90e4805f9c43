#include "testsupport.h"

#include "storage/engine.h"
#include "storage/openfile.h"
#include "storage/warnings.h"

#include <unistd.h>

#include <fstream>

namespace korvalen::testing {
namespace {

using namespace keys;

class OpenDataFileTest : public StorageTest
{
protected:
    // Runs openDataFile; returns the final text when the program ended.
    std::string open(DataFile &file)
    {
        try {
            openDataFile(file, m_prompter);
        } catch (const ProgramHalted &halt) {
            return halt.finalText;
        }
        return {};
    }

    std::vector<std::string> captions() const
    {
        std::vector<std::string> out;
        for (const auto &shown : m_prompter.shown())
            out.push_back(shown.request.caption);
        return out;
    }

    void addGroups(int count)
    {
        Transaction transaction(m_data->database);
        for (int i = 0; i < count; ++i) {
            m_data->GRO.GROUP = "G" + std::to_string(100000 + i);
            ASSERT_TRUE(m_data->group.add().ok());
        }
        ASSERT_TRUE(transaction.commit().ok());
    }

    std::int64_t scalar(const std::string &sql)
    {
        Statement statement;
        EXPECT_TRUE(m_data->database.prepare(sql, statement).ok()) << sql;
        EXPECT_EQ(sqlite3_step(statement.get()), SQLITE_ROW) << sql;
        return sqlite3_column_int64(statement.get(), 0);
    }

    // The middle one of the index leaf pages of a plain file with one key.
    static std::int64_t middleIndexLeaf(const std::filesystem::path &path, std::int64_t pageSize)
    {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::int64_t> leaves;
        std::vector<char> page(static_cast<std::size_t>(pageSize));
        for (std::int64_t number = 1; in.read(page.data(), pageSize); ++number)
            if (number > 1 && page[0] == 0x0A) // b-tree leaf page of an index
                leaves.push_back(number);
        return leaves.empty() ? 0 : leaves[leaves.size() / 2];
    }

    static void scribble(const std::filesystem::path &path, std::int64_t offset, int bytes)
    {
        std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(offset);
        for (int i = 0; i < bytes; ++i)
            out.put(static_cast<char>(0xA5 ^ (i * 37)));
    }

    // Overwrites one page of key `keyName` of the open `file` with garbage:
    // its first page, or one of its leaves in the middle. Closes the file.
    void damageKey(DataFile &file, const std::string &keyName, bool middleLeaf = false)
    {
        std::int64_t pageSize = scalar("PRAGMA " + file.schema() + ".page_size");
        std::int64_t page = scalar("SELECT rootpage FROM " + file.schema() +
                                   ".sqlite_schema WHERE name = '" + keyName + "'");
        file.close();
        if (middleLeaf)
            page = middleIndexLeaf(file.path(), pageSize);
        ASSERT_GT(page, 1);
        scribble(file.path(), (page - 1) * pageSize, static_cast<int>(pageSize));
    }

    ScriptedPrompter m_prompter;
};

TEST_F(OpenDataFileTest, MissingFileIsCreatedEmptyWithoutAsking)
{
    EXPECT_EQ(open(m_data->weekday), "");
    EXPECT_TRUE(m_data->weekday.isOpen());
    EXPECT_TRUE(m_prompter.shown().empty());
    bool any = true;
    ASSERT_TRUE(m_data->weekday.hasRecords(any).ok());
    EXPECT_FALSE(any);
    EXPECT_TRUE(std::filesystem::exists(m_dir.path() / "WEEKDAY.DB"));
}

TEST_F(OpenDataFileTest, DamagedKeysAreRebuiltOnYesAndTheFileIsUsable)
{
    openFile(m_data->group);
    addGroups(300);
    damageKey(m_data->group, "GROUP_KEY");

    m_prompter.queueAnswer(ButtonYes);
    EXPECT_EQ(open(m_data->group), "");
    ASSERT_EQ(captions(), std::vector<std::string>{"Invalid Key"});
    EXPECT_EQ(m_prompter.shown()[0].request.text,
              "GROUP key file is invalid.  Do you want to rebuild the key?");
    ASSERT_TRUE(m_data->group.isOpen());
    EXPECT_TRUE(m_data->group.checkKeys().ok());

    // Every record is back in key order, and the key still refuses clashes.
    int count = 0;
    m_data->group.set(GRO_GROUP_KEY);
    std::string previous;
    while (m_data->group.next().ok()) {
        EXPECT_LT(previous, m_data->GRO.GROUP.str());
        previous = m_data->GRO.GROUP.str();
        ++count;
    }
    EXPECT_EQ(count, 300);
    m_data->GRO.GROUP = "g100007";
    EXPECT_TRUE(m_data->group.add().is(ErrorCode::DuplicateKey));
    m_data->GRO.GROUP = "New";
    ASSERT_TRUE(m_data->group.add().ok());
    EXPECT_EQ(m_data->group.current().recordNumber, 301);
}

TEST_F(OpenDataFileTest, DamagedKeysEndTheProgramOnNo)
{
    openFile(m_data->people);
    for (int i = 0; i < 50; ++i) {
        m_data->PEO.PERSON = "P" + std::to_string(i);
        ASSERT_TRUE(m_data->people.add().ok());
    }
    damageKey(m_data->people, "PERSON_KEY");
    m_prompter.queueAnswer(ButtonNo);
    EXPECT_EQ(open(m_data->people), "Invalid Key!");
    EXPECT_EQ(captions(), std::vector<std::string>{"Invalid Key"});
    EXPECT_FALSE(m_data->people.isOpen());
}

TEST_F(OpenDataFileTest, NoRebuildWhileAnotherStationHasTheFileOpen)
{
    openFile(m_data->group);
    addGroups(300);
    auto other = secondStation();
    ASSERT_TRUE(other->group.open().ok());
    damageKey(m_data->group, "GROUP_KEY");
    m_prompter.queueAnswer(ButtonYes);
    EXPECT_EQ(open(m_data->group), "Error Rebuilding Key!");
    EXPECT_EQ(captions(), (std::vector<std::string>{"Invalid Key", "Key Rebuild Error"}));
    EXPECT_NE(m_prompter.shown()[1].request.text.find("(32)) repairing key for GROUP."),
              std::string::npos);
}

TEST_F(OpenDataFileTest, DamageAwayFromTheEndsIsFoundAfterAnUncleanStop)
{
    openFile(m_data->group);
    addGroups(3000);
    damageKey(m_data->group, "GROUP_KEY", true);
    // A clean close: the quick look at the ends of the keys misses it.
    EXPECT_TRUE(m_data->group.open().ok());
    m_data->group.close();
    // A station that died with the file open leaves the in-use mark.
    std::ofstream(lockPathFor(m_data->group.path()), std::ios::binary) << '1';
    EXPECT_TRUE(m_data->group.open().is(ErrorCode::KeysInvalid));
    m_prompter.queueAnswer(ButtonYes);
    EXPECT_EQ(open(m_data->group), "");
    EXPECT_TRUE(m_data->group.checkKeys().ok());
}

TEST_F(OpenDataFileTest, GarbageAndWrongKeyEndWithDiskError)
{
    std::ofstream(m_dir.path() / "SPECIAL.DB", std::ios::binary) << std::string(8192, 'x');
    EXPECT_EQ(open(m_data->special), "Disk Error");
    ASSERT_EQ(captions(), std::vector<std::string>{"File Access Error"});
    EXPECT_NE(m_prompter.shown()[0].request.text.find("File (SPECIAL) could not be opened.  "
                                                      "Error: "),
              std::string::npos);
    EXPECT_NE(m_prompter.shown()[0].request.text.find("(36)."), std::string::npos);

    // A plain data file where an encrypted one belongs reads as the wrong
    // key: the same message.
    m_prompter.clear();
    openFile(m_data->group);
    m_data->group.close();
    std::filesystem::copy_file(m_data->group.path(), m_data->people.path());
    EXPECT_TRUE(m_data->people.open().is(ErrorCode::InvalidFile));
    EXPECT_EQ(open(m_data->people), "Disk Error");
    EXPECT_EQ(captions(), std::vector<std::string>{"File Access Error"});
}

TEST_F(OpenDataFileTest, DifferentLayoutEndsWithInvalidFile)
{
    // A data file of another kind in this file's place.
    openFile(m_data->dates);
    m_data->dates.close();
    std::filesystem::copy_file(m_data->dates.path(), m_data->special.path());
    EXPECT_EQ(open(m_data->special), "Invalid File!");
    ASSERT_EQ(captions(), std::vector<std::string>{"Invalid File"});
    EXPECT_EQ(m_prompter.shown()[0].request.text,
              "Error: (Invalid Record Declaration (47)) accessing SPECIAL.  Press OK to end this "
              "application.");
}

TEST_F(OpenDataFileTest, FileStaysOpenUntilItsLastUserLeaves)
{
    {
        FileUse first(m_data->group, m_prompter);
        EXPECT_TRUE(m_data->group.isOpen());
        {
            FileUse second(m_data->group, m_prompter);
            EXPECT_EQ(m_data->group.openCount(), 2);
        }
        EXPECT_TRUE(m_data->group.isOpen());
        EXPECT_EQ(m_data->group.openCount(), 1);
    }
    EXPECT_FALSE(m_data->group.isOpen());
    EXPECT_EQ(m_data->group.openCount(), 0);
    EXPECT_FALSE(m_data->group.removeUser()); // never below zero
}

TEST_F(OpenDataFileTest, CreationFailureEndsWithFileCreationError)
{
    // A file is made under a temporary name first; a directory standing in
    // that place makes the creation fail, whatever the rights of the test.
    std::filesystem::path blocker = m_data->special.path();
    blocker += ".new" + std::to_string(getpid());
    std::filesystem::create_directories(blocker / "inside");
    EXPECT_EQ(open(m_data->special), "File Creation Error!");
    ASSERT_EQ(captions(), std::vector<std::string>{"File Creation Error"});
    EXPECT_EQ(m_prompter.shown()[0].request.text.rfind("Error: (", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(m_data->special.path()));
}

} // namespace
} // namespace korvalen::testing
