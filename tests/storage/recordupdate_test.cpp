#include "testsupport.h"

#include "storage/engine.h"
#include "storage/recordupdate.h"
#include "storage/warnings.h"

#include <map>
#include <string>

namespace korvalen::testing {
namespace {

using namespace keys;
using Tally = std::map<std::string, int>;

// More records than any page of a list holds.
constexpr int kMany = 150;

class RecordUpdateTest : public StorageTest
{
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        for (DataFile *file : {&m_data->activity, &m_data->personAct, &m_data->group,
                               &m_data->groupPeople, &m_data->people, &m_data->special}) {
            openFile(*file);
            file->addUser(); // as a window using it would
            // Durability is not under test here; speed is welcome.
            ASSERT_TRUE(
                m_data->database.execute("PRAGMA " + file->schema() + ".synchronous = OFF").ok());
        }
    }

    template <class Record> void add(DataFile &file, Record &buffer, const Record &record)
    {
        buffer = record;
        Status status = file.add();
        ASSERT_TRUE(status.ok()) << file.name() << ": " << status.text();
    }
    void addActivity(const char *group)
    {
        ActivityRecord act;
        act.ACTNUMBER = ++m_lastActivity;
        act.GROUP = group;
        add(m_data->activity, m_data->ACT, act);
    }
    void addMember(const char *group, const std::string &person)
    {
        add(m_data->groupPeople, m_data->GRP, GroupPeopleRecord{group, Text<10>(person)});
    }
    void addParticipant(int act, const char *person)
    {
        add(m_data->personAct, m_data->PER, PersonActRecord{act, person});
    }

    // Adds a record and reads it back with a watch, as a list does before it
    // calls a form: the form's reference to it.
    RecordRef addGroup(const char *name)
    {
        add(m_data->group, m_data->GRO, GroupRecord{name});
        return watched(m_data->group, m_data->group.current().recordNumber);
    }
    RecordRef addPerson(const char *shortName)
    {
        add(m_data->people, m_data->PEO, PeopleRecord{shortName, "", 90000});
        return watched(m_data->people, m_data->people.current().recordNumber);
    }
    RecordRef watched(DataFile &file, std::int64_t recordNumber)
    {
        file.watch();
        Status status = file.getByRecordNumber(recordNumber);
        EXPECT_TRUE(status.ok()) << status.text();
        return file.current();
    }

    // How many records of `file` hold each exact value of `field`.
    template <class Record, std::size_t N>
    Tally tally(DataFile &file, Record &buffer, Text<N> Record::*field)
    {
        Tally counts;
        Cursor cursor(file, kFileOrder);
        Status status;
        while ((status = cursor.next()).ok())
            ++counts[std::string((buffer.*field).padded())];
        EXPECT_TRUE(status.is(ErrorCode::NoRecord)) << status.text();
        return counts;
    }
    Tally activityGroups() { return tally(m_data->activity, m_data->ACT, &ActivityRecord::GROUP); }
    Tally memberGroups()
    {
        return tally(m_data->groupPeople, m_data->GRP, &GroupPeopleRecord::GROUP);
    }
    Tally memberPeople()
    {
        return tally(m_data->groupPeople, m_data->GRP, &GroupPeopleRecord::PEOPLE);
    }
    Tally participants() { return tally(m_data->personAct, m_data->PER, &PersonActRecord::PERSON); }

    static std::string padded(const char *value) { return std::string(Text<10>(value).padded()); }

    std::int64_t sqlNumber(const std::string &sql)
    {
        Statement statement;
        EXPECT_TRUE(m_data->database.prepare(sql, statement).ok());
        return sqlite3_step(statement.get()) == SQLITE_ROW
                   ? sqlite3_column_int64(statement.get(), 0)
                   : -1;
    }
    // A write of record `recordNumber` of `file` that the engine refuses.
    void failWriteOf(const char *file, const char *operation, std::int64_t recordNumber)
    {
        std::string sql = std::string("CREATE TEMP TRIGGER injected BEFORE ") + operation + " ON " +
                          file + ".rec WHEN OLD.recno = " + std::to_string(recordNumber) +
                          " BEGIN SELECT RAISE(ABORT, 'injected failure'); END";
        Status status = m_data->database.execute(sql);
        ASSERT_TRUE(status.ok()) << status.text();
    }

    std::string lastText() const
    {
        return m_prompter.shown().empty() ? "" : m_prompter.shown().back().request.text;
    }

    ScriptedPrompter m_prompter;
    int m_lastActivity = 0;
};

// ---------------------------------------------------------------------------
// Renames and their cascades

TEST_F(RecordUpdateTest, GroupRenameReachesActivitiesWithExactlyTheOldNameAndMembersInAnyCase)
{
    RecordRef choir = addGroup("Choir");
    addGroup("Band");
    // The case variants come first in the key: a walk that stopped at the
    // first value differing in case would reach nothing.
    for (int i = 0; i < 10; ++i) {
        addActivity(i % 2 ? "CHOIR" : "choir");
        addMember("CHOIR", "Early" + std::to_string(i));
    }
    for (int i = 0; i < kMany; ++i) {
        addActivity(i % 3 ? "Choir" : "Choir     "); // trailing blanks are padding
        addMember("Choir", "P" + std::to_string(i));
        if (i % 30 == 0) {
            addActivity("Band");
            addActivity("");
            addActivity("choir");
            addMember("Band", "B" + std::to_string(i));
        }
    }
    ASSERT_TRUE(updateGroup(*m_data, m_prompter, GroupRecord{"Chorus"}, choir).ok());
    EXPECT_TRUE(m_prompter.shown().empty()) << lastText();
    EXPECT_EQ(activityGroups(), (Tally{{padded("Chorus"), kMany},
                                       {padded("choir"), 10},
                                       {padded("CHOIR"), 5},
                                       {padded("Band"), 5},
                                       {padded(""), 5}}));
    // A membership spelled otherwise is still the group's: left as it was, it
    // would be nobody's, then a later group of that spelling's.
    EXPECT_EQ(memberGroups(), (Tally{{padded("Chorus"), kMany + 10}, {padded("Band"), 5}}));
    EXPECT_EQ(sqlNumber("SELECT max(version) FROM ACTIVITY.rec"), 1) << "a record put twice";
    EXPECT_EQ(sqlNumber("SELECT max(version) FROM GROUPPEOPLE.rec"), 1) << "a record put twice";
    m_data->GRO.GROUP = "Chorus";
    EXPECT_TRUE(m_data->group.get(GRO_GROUP_KEY).ok());

    // A second save from the same window renames from the name it stored
    // last, and is checked against its own last version.
    ASSERT_TRUE(updateGroup(*m_data, m_prompter, GroupRecord{"Singers"}, choir).ok()) << lastText();
    EXPECT_EQ(activityGroups()[padded("Singers")], kMany);
    EXPECT_EQ(memberGroups()[padded("Singers")], kMany + 10);
}

TEST_F(RecordUpdateTest, CascadeLeavesTheCallersBuffersAsTheyWere)
{
    RecordRef choir = addGroup("Choir");
    for (int i = 0; i < 5; ++i) {
        addActivity("Choir");
        addMember("Choir", "P" + std::to_string(i));
    }
    ActivityRecord act;
    act.ACTNUMBER = 77;
    act.NAME = "Being edited";
    m_data->ACT = act;
    m_data->GRP = GroupPeopleRecord{"Other", "Someone"};
    ASSERT_TRUE(updateGroup(*m_data, m_prompter, GroupRecord{"Chorus"}, choir).ok());
    EXPECT_EQ(m_data->ACT, act);
    EXPECT_EQ(m_data->GRP, (GroupPeopleRecord{"Other", "Someone"}));
    EXPECT_EQ(m_data->GRO, GroupRecord{"Chorus"});
}

TEST_F(RecordUpdateTest, RenameThatOnlyChangesLetterCaseReachesEachRecordOnce)
{
    RecordRef choir = addGroup("choir");
    for (int i = 0; i < kMany; ++i) {
        const char *spelling = i % 3 == 0 ? "choir" : i % 3 == 1 ? "Choir" : "CHOIR";
        addActivity(spelling);
        addMember(spelling, "P" + std::to_string(i));
    }
    ASSERT_TRUE(updateGroup(*m_data, m_prompter, GroupRecord{"Choir"}, choir).ok()) << lastText();
    EXPECT_EQ(activityGroups(),
              (Tally{{padded("Choir"), 2 * kMany / 3}, {padded("CHOIR"), kMany / 3}}));
    EXPECT_EQ(sqlNumber("SELECT max(version) FROM ACTIVITY.rec"), 1);
    // Every membership stays within the walked range when renamed: each one
    // is still put once, and those already spelled as wanted not at all.
    EXPECT_EQ(memberGroups(), (Tally{{padded("Choir"), kMany}}));
    EXPECT_EQ(sqlNumber("SELECT max(version) FROM GROUPPEOPLE.rec"), 1);
    EXPECT_EQ(sqlNumber("SELECT count(*) FROM GROUPPEOPLE.rec WHERE version = 0"), kMany / 3);
}

TEST_F(RecordUpdateTest, SaveWithoutRenameOrFromABlankNameChangesNoOtherRecord)
{
    RecordRef choir = addGroup("Choir");
    RecordRef blank = addGroup("");
    for (int i = 0; i < 20; ++i) {
        addActivity(i % 2 ? "Choir" : "");
        addMember(i % 2 ? "Choir" : "", "P" + std::to_string(i));
    }
    ASSERT_TRUE(updateGroup(*m_data, m_prompter, GroupRecord{"Choir"}, choir).ok());
    ASSERT_TRUE(updateGroup(*m_data, m_prompter, GroupRecord{"Chess"}, blank).ok());
    EXPECT_EQ(sqlNumber("SELECT max(version) FROM ACTIVITY.rec"), 0);
    EXPECT_EQ(sqlNumber("SELECT max(version) FROM GROUPPEOPLE.rec"), 0);
    EXPECT_EQ(sqlNumber("SELECT max(version) FROM \"GROUP\".rec"), 1);
}

TEST_F(RecordUpdateTest, PersonRenameReachesParticipantsButNotGroupMembers)
{
    RecordRef ann = addPerson("Ann");
    addPerson("ANN"); // another person: short names are case-sensitive
    for (int i = 0; i < kMany; ++i) {
        addParticipant(i, i % 5 == 0 ? "ANN" : i % 5 == 1 ? "ann" : "Ann");
        if (i % 10 == 0)
            addMember("Choir", "Ann");
    }
    PeopleRecord renamed{"Anne", "Ann Smith", 90000};
    ASSERT_TRUE(updatePerson(*m_data, m_prompter, renamed, ann).ok()) << lastText();
    EXPECT_EQ(participants(),
              (Tally{{padded("Anne"), 90}, {padded("ANN"), 30}, {padded("ann"), 30}}));
    EXPECT_EQ(memberPeople(), (Tally{{padded("Ann"), 15}}));
    EXPECT_EQ(m_data->PEO, renamed);
}

TEST_F(RecordUpdateTest, RenameOntoAnotherPersonFailsWithoutTouchingParticipants)
{
    RecordRef ann = addPerson("Ann");
    addPerson("Bea");
    addParticipant(1, "Ann");
    SaveResult result = updatePerson(*m_data, m_prompter, PeopleRecord{"Bea", "", 90000}, ann);
    EXPECT_TRUE(result.is(ErrorCode::DuplicateKey));
    EXPECT_TRUE(m_prompter.shown().empty()) << "the form shows the failure, not storage";
    showSaveFailure(m_prompter, result);
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    EXPECT_EQ(m_prompter.shown()[0].request.caption, "Update Operation Error");
    EXPECT_EQ(lastText(), "An error (Creates Duplicate Key (40)) was experienced when attempting "
                          "to update a record from the file.  Probable Cause: PEOPLE.");
    EXPECT_EQ(participants(), (Tally{{padded("Ann"), 1}}));
}

// ---------------------------------------------------------------------------
// All or nothing

TEST_F(RecordUpdateTest, FailureInTheMiddleOfACascadeLeavesTheOldStateWhole)
{
    RecordRef choir = addGroup("Choir");
    std::int64_t middle = 0;
    for (int i = 0; i < 40; ++i) {
        addActivity("Choir");
        addMember("Choir", "P" + std::to_string(i));
        if (i == 20)
            middle = m_data->groupPeople.current().recordNumber;
    }
    // The activities are all renamed by then; the members half.
    failWriteOf("GROUPPEOPLE", "UPDATE", middle);
    RecordRef before = choir;
    SaveResult result = updateGroup(*m_data, m_prompter, GroupRecord{"Chorus"}, choir);
    EXPECT_FALSE(result.ok());
    showSaveFailure(m_prompter, result);
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    EXPECT_EQ(m_prompter.shown()[0].request.caption, "Update Operation Error");
    EXPECT_NE(lastText().find("Probable Cause: GROUPPEOPLE."), std::string::npos) << lastText();
    EXPECT_EQ(activityGroups(), (Tally{{padded("Choir"), 40}}));
    EXPECT_EQ(memberGroups(), (Tally{{padded("Choir"), 40}}));
    m_data->GRO.GROUP = "Choir";
    EXPECT_TRUE(m_data->group.get(GRO_GROUP_KEY).ok()) << "the group's own put stayed";
    EXPECT_EQ(choir.version, before.version);

    // Trying again repeats a clean attempt.
    ASSERT_TRUE(m_data->database.execute("DROP TRIGGER injected").ok());
    ASSERT_TRUE(updateGroup(*m_data, m_prompter, GroupRecord{"Chorus"}, choir).ok()) << lastText();
    EXPECT_EQ(activityGroups(), (Tally{{padded("Chorus"), 40}}));
    EXPECT_EQ(memberGroups(), (Tally{{padded("Chorus"), 40}}));
}

TEST_F(RecordUpdateTest, WatchedSaveFailsWhileTheStoredRecordDiffersAndAgainWhenRepeated)
{
    RecordRef ann = addPerson("Ann");
    addParticipant(1, "Ann");
    auto other = secondStation();
    ASSERT_TRUE(other->people.open().ok());
    other->PEO.PERSON = "Ann";
    ASSERT_TRUE(other->people.get(PEO_PERSON_KEY).ok());
    other->PEO.NAME = "Changed elsewhere";
    ASSERT_TRUE(other->people.put().ok());

    for (int attempt = 0; attempt < 2; ++attempt) {
        SaveResult result = updatePerson(*m_data, m_prompter, PeopleRecord{"Anne", "", 0}, ann);
        EXPECT_TRUE(result.is(ErrorCode::ChangedByOther));
        showSaveFailure(m_prompter, result);
        EXPECT_EQ(lastText(), "This record was changed by another station.");
    }
    EXPECT_EQ(participants(), (Tally{{padded("Ann"), 1}}));
    m_data->PEO.PERSON = "Ann";
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    EXPECT_EQ(m_data->PEO.NAME.str(), "Changed elsewhere");
}

// ---------------------------------------------------------------------------
// Deletes

TEST_F(RecordUpdateTest, GroupUsedByAnActivityWithExactlyItsNameIsNotDeleted)
{
    RecordRef choir = addGroup("Choir");
    for (int i = 0; i < kMany; ++i)
        addActivity("CHOIR"); // not a reference, but first in the key
    addActivity("Choir");
    addMember("Choir", "Ann");
    SaveResult result = deleteGroup(*m_data, m_prompter, choir);
    EXPECT_FALSE(result.ok());
    showSaveFailure(m_prompter, result);
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    EXPECT_EQ(m_prompter.shown()[0].request.caption, "Referential Integrity Delete Error");
    EXPECT_EQ(lastText(), "This record is referenced from the file ACTIVITY.  This record cannot "
                          "be deleted while these references exist.");
    EXPECT_EQ(memberGroups(), (Tally{{padded("Choir"), 1}}));
    m_data->GRO.GROUP = "Choir";
    EXPECT_TRUE(m_data->group.get(GRO_GROUP_KEY).ok());
}

TEST_F(RecordUpdateTest, GroupDeleteTakesItsMembershipsInAnyCaseButNoOtherGroups)
{
    RecordRef choir = addGroup("Choir");
    for (int i = 0; i < 10; ++i) {
        addActivity("choir"); // differs in case: does not protect the group
        addMember(i % 2 ? "CHOIR" : "choir", "Early" + std::to_string(i));
    }
    for (int i = 0; i < kMany; ++i) {
        addMember("Choir", "P" + std::to_string(i));
        if (i % 50 == 0) {
            addMember("Band", "B" + std::to_string(i));
            addMember("Choirs", "C" + std::to_string(i)); // begins alike
        }
    }
    ASSERT_TRUE(deleteGroup(*m_data, m_prompter, choir).ok()) << lastText();
    EXPECT_TRUE(m_prompter.shown().empty());
    EXPECT_EQ(memberGroups(), (Tally{{padded("Band"), 3}, {padded("Choirs"), 3}}));
    EXPECT_EQ(activityGroups(), (Tally{{padded("choir"), 10}}));
    m_data->GRO.GROUP = "Choir";
    EXPECT_TRUE(m_data->group.get(GRO_GROUP_KEY).is(ErrorCode::RecordNotFound));
}

TEST_F(RecordUpdateTest, FailedMembershipDeleteDeletesNothing)
{
    RecordRef choir = addGroup("Choir");
    std::int64_t middle = 0;
    for (int i = 0; i < 30; ++i) {
        addMember("Choir", "P" + std::to_string(i));
        if (i == 15)
            middle = m_data->groupPeople.current().recordNumber;
    }
    failWriteOf("GROUPPEOPLE", "DELETE", middle);
    SaveResult result = deleteGroup(*m_data, m_prompter, choir);
    EXPECT_FALSE(result.ok());
    showSaveFailure(m_prompter, result);
    EXPECT_EQ(m_prompter.shown().back().request.caption, "Delete Operation Error");
    EXPECT_NE(lastText().find("from the file GROUPPEOPLE."), std::string::npos) << lastText();
    EXPECT_EQ(memberGroups(), (Tally{{padded("Choir"), 30}}));
    m_data->GRO.GROUP = "Choir";
    EXPECT_TRUE(m_data->group.get(GRO_GROUP_KEY).ok());
}

TEST_F(RecordUpdateTest, DeleteOfAGroupGoneOrChangedElsewhereDeletesNothing)
{
    RecordRef choir = addGroup("Choir");
    RecordRef band = addGroup("Band");
    addMember("Choir", "Ann");
    addMember("Band", "Bea");
    auto other = secondStation();
    ASSERT_TRUE(other->group.open().ok());
    other->GRO.GROUP = "Choir";
    ASSERT_TRUE(other->group.get(GRO_GROUP_KEY).ok());
    ASSERT_TRUE(other->group.remove().ok());
    other->GRO.GROUP = "Band";
    ASSERT_TRUE(other->group.get(GRO_GROUP_KEY).ok());
    other->GRO.GROUP = "Brass";
    ASSERT_TRUE(other->group.put().ok());

    SaveResult result = deleteGroup(*m_data, m_prompter, band);
    EXPECT_TRUE(result.is(ErrorCode::ChangedByOther));
    showSaveFailure(m_prompter, result);
    EXPECT_EQ(lastText(), "This record was changed by another station.");
    RecordRef unwatched = choir;
    unwatched.watched = false;
    result = deleteGroup(*m_data, m_prompter, unwatched);
    EXPECT_TRUE(result.is(ErrorCode::RecordNotFound));
    showSaveFailure(m_prompter, result);
    EXPECT_EQ(m_prompter.shown().back().request.caption, "Delete Operation Error");
    EXPECT_EQ(lastText(), "An error (Record Not Found (35)) was experienced when attempting to "
                          "delete a record from the file GROUP.");
    EXPECT_EQ(memberGroups(), (Tally{{padded("Choir"), 1}, {padded("Band"), 1}}));
}

TEST_F(RecordUpdateTest, PersonDeleteLeavesParticipationsAndMemberships)
{
    RecordRef ann = addPerson("Ann");
    addParticipant(1, "Ann");
    addMember("Choir", "Ann");
    ASSERT_TRUE(deletePerson(*m_data, m_prompter, ann).ok());
    m_data->PEO.PERSON = "Ann";
    EXPECT_TRUE(m_data->people.get(PEO_PERSON_KEY).is(ErrorCode::RecordNotFound));
    EXPECT_EQ(participants(), (Tally{{padded("Ann"), 1}}));
    EXPECT_EQ(memberPeople(), (Tally{{padded("Ann"), 1}}));
}

TEST_F(RecordUpdateTest, SpecialDayUpdateAndDeleteFollowTheStoredVersion)
{
    add(m_data->special, m_data->SPE, SpecialRecord{100, 107, "Holiday"});
    RecordRef ref = watched(m_data->special, m_data->special.current().recordNumber);
    ASSERT_TRUE(updateSpecial(*m_data, m_prompter, SpecialRecord{100, 108, "Holidays"}, ref).ok());
    ASSERT_TRUE(updateSpecial(*m_data, m_prompter, SpecialRecord{99, 108, "Holidays"}, ref).ok());
    RecordRef stale = ref;
    --stale.version;
    EXPECT_TRUE(deleteSpecial(*m_data, m_prompter, stale).is(ErrorCode::ChangedByOther));
    ASSERT_TRUE(deleteSpecial(*m_data, m_prompter, ref).ok()) << lastText();
    bool any = true;
    ASSERT_TRUE(m_data->special.hasRecords(any).ok());
    EXPECT_FALSE(any);
}

} // namespace
} // namespace korvalen::testing
