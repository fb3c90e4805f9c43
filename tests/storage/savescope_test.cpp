#include "testsupport.h"

#include "storage/openfile.h"
#include "storage/savescope.h"

namespace korvalen::testing {
namespace {

class SaveScopeTest : public StorageTest
{
protected:
    std::int64_t count(DataFile &file)
    {
        std::int64_t n = -1;
        Status status = file.records(n);
        EXPECT_TRUE(status.ok()) << status.text();
        return n;
    }

    // Fills the buffers of the three files a save writes here.
    void prepareGroup(const char *group, const char *member)
    {
        m_data->GRO.GROUP = group;
        m_data->GRP.GROUP = group;
        m_data->GRP.PEOPLE = member;
        m_data->PEO.PERSON = member;
    }

    ScriptedPrompter m_prompter;
};

TEST_F(SaveScopeTest, OpeningAFileInsideASaveIsRefusedAndTheProgramGoesOn)
{
    SaveScope save(m_data->database, m_prompter, {m_data->group});
    ASSERT_TRUE(save.status().ok()) << save.status().text();
    {
        std::optional<FileUse> use;
        ASSERT_NO_THROW(use.emplace(m_data->special, m_prompter));
        EXPECT_TRUE(use->status().is(ErrorCode::AccessDenied)) << use->status().text();
        EXPECT_FALSE(m_prompter.halted());
        EXPECT_TRUE(m_prompter.shown().empty());
        // Refused before anything was tried: not made, not counted.
        EXPECT_FALSE(std::filesystem::exists(m_data->special.path()));
        EXPECT_EQ(m_data->special.openCount(), 0);
    }
    m_data->GRO.GROUP = "Family";
    ASSERT_TRUE(save.add(m_data->group).ok());
    EXPECT_TRUE(save.commit().ok());

    FileUse later(m_data->special, m_prompter);
    EXPECT_TRUE(later.status().ok()) << later.status().text();
    EXPECT_TRUE(m_data->special.isOpen());
}

TEST_F(SaveScopeTest, ANestedSaveNamingAClosedFileFailsAndWritesNothing)
{
    SaveScope outer(m_data->database, m_prompter, {m_data->group});
    ASSERT_TRUE(outer.status().ok());
    {
        SaveScope inner(m_data->database, m_prompter, {m_data->group, m_data->groupPeople});
        EXPECT_TRUE(inner.status().is(ErrorCode::AccessDenied)) << inner.status().text();
        m_data->GRO.GROUP = "Inner";
        EXPECT_FALSE(inner.add(m_data->group).ok());
        EXPECT_FALSE(inner.commit().ok());
    }
    EXPECT_FALSE(m_data->groupPeople.isOpen());
    m_data->GRO.GROUP = "Outer";
    ASSERT_TRUE(outer.add(m_data->group).ok());
    ASSERT_TRUE(outer.commit().ok());
    EXPECT_EQ(count(m_data->group), 1);
}

TEST_F(SaveScopeTest, ASaveThatCouldNotBeginWritesNothing)
{
    FileUse groups(m_data->group, m_prompter);
    FileUse people(m_data->people, m_prompter);
    m_data->GRO.GROUP = "Family";
    ASSERT_TRUE(m_data->group.add().ok());

    auto other = secondStation();
    openFile(other->group);
    auto held = std::make_unique<Transaction>(other->database);
    ASSERT_TRUE(held->status().ok());

    m_data->database.setBusyTimeoutMs(50);
    {
        SaveScope save(m_data->database, m_prompter, {m_data->group, m_data->people});
        EXPECT_TRUE(save.status().is(ErrorCode::FileLocked)) << save.status().text();
        // With the lock free again, a write on its own would be stored.
        held.reset();
        m_data->PEO.PERSON = "Anna";
        EXPECT_TRUE(save.add(m_data->people).is(ErrorCode::FileLocked));
        m_data->GRO.GROUP = "Kids";
        EXPECT_TRUE(save.put(m_data->group).is(ErrorCode::FileLocked));
        EXPECT_TRUE(save.remove(m_data->group).is(ErrorCode::FileLocked));
        EXPECT_TRUE(save.commit().is(ErrorCode::FileLocked));
    }

    EXPECT_EQ(count(m_data->people), 0);
    ASSERT_TRUE(m_data->group.getByRecordNumber(1).ok());
    EXPECT_EQ(m_data->GRO.GROUP, Text<10>("Family"));
}

TEST_F(SaveScopeTest, ACommitOverThreeFilesIsWhole)
{
    openFile(m_data->group);
    m_data->GRO.GROUP = "Family";
    ASSERT_TRUE(m_data->group.add().ok());

    // The group's name clashes last: the first two writes must go with it,
    // even when the caller commits regardless.
    {
        SaveScope save(m_data->database, m_prompter,
                       {m_data->people, m_data->groupPeople, m_data->group});
        ASSERT_TRUE(save.status().ok());
        prepareGroup("FAMILY", "Anna");
        EXPECT_TRUE(save.add(m_data->people).ok());
        EXPECT_TRUE(save.add(m_data->groupPeople).ok());
        EXPECT_TRUE(save.add(m_data->group).is(ErrorCode::DuplicateKey));
        EXPECT_TRUE(save.commit().is(ErrorCode::DuplicateKey));
    }
    auto other = secondStation();
    openFile(other->people);
    openFile(other->groupPeople);
    openFile(other->group);
    auto stored = [&] {
        std::int64_t people = -1, members = -1, groups = -1;
        EXPECT_TRUE(other->people.records(people).ok());
        EXPECT_TRUE(other->groupPeople.records(members).ok());
        EXPECT_TRUE(other->group.records(groups).ok());
        return std::vector<std::int64_t>{people, members, groups};
    };
    EXPECT_EQ(stored(), (std::vector<std::int64_t>{0, 0, 1}));

    {
        SaveScope save(m_data->database, m_prompter,
                       {m_data->people, m_data->groupPeople, m_data->group});
        prepareGroup("Kids", "Anna");
        ASSERT_TRUE(save.add(m_data->people).ok());
        ASSERT_TRUE(save.add(m_data->groupPeople).ok());
        ASSERT_TRUE(save.add(m_data->group).ok());
        EXPECT_TRUE(save.commit().ok());
    }
    EXPECT_EQ(stored(), (std::vector<std::int64_t>{1, 1, 2}));
}

TEST_F(SaveScopeTest, WritesOutsideTheSaveAreRefused)
{
    openFile(m_data->special);
    SaveScope save(m_data->database, m_prompter, {m_data->group});
    ASSERT_TRUE(save.status().ok());
    m_data->SPE.DESCRIPTION = "Holiday";
    EXPECT_FALSE(save.add(m_data->special).ok());
    m_data->GRO.GROUP = "Family";
    ASSERT_TRUE(save.add(m_data->group).ok());
    ASSERT_TRUE(save.commit().ok());

    // Once ended, a write would be stored on its own.
    m_data->GRO.GROUP = "Kids";
    EXPECT_FALSE(save.add(m_data->group).ok());
    EXPECT_EQ(count(m_data->group), 1);
    EXPECT_EQ(count(m_data->special), 0);
}

TEST_F(SaveScopeTest, ASetBasedStatementIsPartOfTheSave)
{
    openFile(m_data->group);
    m_data->group.addUser();
    for (const char *name : {"Band", "Choir", "Chess"}) {
        m_data->GRO.GROUP = name;
        ASSERT_TRUE(m_data->group.add().ok());
    }
    {
        SaveScope save(m_data->database, m_prompter, {m_data->group});
        std::int64_t changed = 0;
        // A value is bound, never read as SQL.
        ASSERT_TRUE(save.execute("DELETE FROM {GROUP} WHERE \"GROUP\" LIKE ?1 OR \"GROUP\" = ?2",
                                 {std::string("Ch%"), std::string("x' OR 1=1 --")}, &changed)
                        .ok());
        EXPECT_EQ(changed, 2);
        std::int64_t left = 0;
        ASSERT_TRUE(save.queryNumber("SELECT count(*) FROM {GROUP}", {}, left).ok());
        EXPECT_EQ(left, 1);
        // A file the save does not name is refused, and spoils the save.
        EXPECT_FALSE(save.execute("DELETE FROM {PEOPLE}").ok());
        EXPECT_FALSE(save.commit().ok());
    }
    EXPECT_EQ(count(m_data->group), 3);
}

} // namespace
} // namespace korvalen::testing
