#include "testsupport.h"

#include "storage/engine.h"
#include "storage/lockfile.h"
#include "storage/recordcodec.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace korvalen::testing {
namespace {

using namespace keys;

class KeyedFileTest : public StorageTest
{
protected:
    void addPerson(const char *shortName, const char *longName = "", int date = 0)
    {
        m_data->PEO = {};
        m_data->PEO.PERSON = shortName;
        m_data->PEO.NAME = longName;
        m_data->PEO.DATE = date;
        Status status = m_data->people.add();
        ASSERT_TRUE(status.ok()) << status.text();
    }

    void addDate(int act, int date, int time, int end)
    {
        m_data->DAT = {};
        m_data->DAT.ACTNUMBER = act;
        m_data->DAT.DATE = date;
        m_data->DAT.TIME = time;
        m_data->DAT.ENDTIME = end;
        Status status = m_data->dates.add();
        ASSERT_TRUE(status.ok()) << status.text();
    }

    // Reads the whole file forward (or backward) through `file`'s cursor and
    // returns one text per record.
    template <class F> std::vector<std::string> readAll(DataFile &file, bool forward, F describe)
    {
        std::vector<std::string> out;
        for (;;) {
            Status status = forward ? file.next() : file.previous();
            if (status.is(ErrorCode::NoRecord))
                break;
            EXPECT_TRUE(status.ok()) << status.text();
            if (!status.ok())
                break;
            out.push_back(describe());
        }
        return out;
    }

    std::string person() const { return m_data->PEO.PERSON.str(); }
    std::string dateRow() const
    {
        const DatesRecord &d = m_data->DAT;
        return std::to_string(d.ACTNUMBER) + ":" + std::to_string(d.DATE) + "/" +
               std::to_string(d.TIME) + "-" + std::to_string(d.ENDTIME);
    }
};

TEST_F(KeyedFileTest, OpenCodesForMissingPresentAndAlreadyOpenFiles)
{
    EXPECT_TRUE(m_data->people.open().is(ErrorCode::FileNotFound));
    EXPECT_EQ(m_data->database.lastStatus().code(), ErrorCode::FileNotFound);
    ASSERT_TRUE(m_data->people.create().ok());
    EXPECT_TRUE(m_data->people.open().ok());
    EXPECT_TRUE(m_data->people.open().is(ErrorCode::AlreadyOpen));
    bool any = true;
    ASSERT_TRUE(m_data->people.hasRecords(any).ok());
    EXPECT_FALSE(any);
    m_data->people.close();
    EXPECT_TRUE(m_data->people.next().is(ErrorCode::FileNotOpen));
}

TEST_F(KeyedFileTest, CaseSensitiveKeyKeepsPeopleApartButCaseInsensitiveKeyJoinsGroups)
{
    openFile(m_data->people);
    openFile(m_data->group);
    addPerson("Ann");
    addPerson("ANN"); // differs in letter case only: a second person
    m_data->PEO.PERSON = "Ann";
    EXPECT_TRUE(m_data->people.add().is(ErrorCode::DuplicateKey));

    m_data->GRO.GROUP = "Family";
    ASSERT_TRUE(m_data->group.add().ok());
    m_data->GRO.GROUP = "FAMILY";
    Status clash = m_data->group.add();
    EXPECT_TRUE(clash.is(ErrorCode::DuplicateKey));
    EXPECT_EQ(m_data->database.lastStatus().text(), "Creates Duplicate Key (40)");
    EXPECT_TRUE(m_data->group.duplicate(GRO_GROUP_KEY));
    m_data->GRO.GROUP = "family   ";
    ASSERT_TRUE(m_data->group.get(GRO_GROUP_KEY).ok());
    EXPECT_EQ(m_data->GRO.GROUP.str(), "Family");
}

TEST_F(KeyedFileTest, TrailingBlanksAreIgnoredAndLeadingBlanksKept)
{
    openFile(m_data->people);
    addPerson("Bo");
    m_data->PEO.PERSON = "Bo        ";
    EXPECT_TRUE(m_data->people.add().is(ErrorCode::DuplicateKey));
    m_data->PEO.PERSON = " Bo";
    EXPECT_TRUE(m_data->people.add().ok());
    m_data->PEO.PERSON = "Bo";
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    EXPECT_EQ(m_data->PEO.PERSON.padded(), "Bo        ");
    m_data->PEO.PERSON = "bo";
    EXPECT_TRUE(m_data->people.get(PEO_PERSON_KEY).is(ErrorCode::RecordNotFound));
    // Quotes are values like any other.
    addPerson("O'Neil");
    m_data->PEO.PERSON = "O'Neil";
    EXPECT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
}

TEST_F(KeyedFileTest, EqualKeysKeepFileOrderInBothDirections)
{
    openFile(m_data->dates);
    addDate(1, 100, 0, 0);
    addDate(2, 100, 360001, 720001);
    addDate(3, 99, 5, 6);
    addDate(4, 100, 0, 0);
    addDate(5, 100, 360001, 540001);
    addDate(6, 100, 0, 0);
    m_data->dates.set(DAT_DATETIME_KEY);
    auto forward = readAll(m_data->dates, true, [&] { return dateRow(); });
    std::vector<std::string> expected = {"3:99/5-6",  "1:100/0-0",           "4:100/0-0",
                                         "6:100/0-0", "5:100/360001-540001", "2:100/360001-720001"};
    EXPECT_EQ(forward, expected);
    m_data->dates.set(DAT_DATETIME_KEY);
    auto backward = readAll(m_data->dates, false, [&] { return dateRow(); });
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(backward, expected);
    // 33 at the end stays 33.
    EXPECT_TRUE(m_data->dates.previous().is(ErrorCode::NoRecord));
}

TEST_F(KeyedFileTest, SetAtValuesUsesLeadingComponentsOnly)
{
    openFile(m_data->dates);
    for (int day = 1; day <= 5; ++day) {
        addDate(day, day, 500, 600);
        addDate(10 + day, day, 100, 200);
    }
    // A component left over in the buffer must not make the read skip the
    // day's earlier records.
    m_data->DAT.DATE = 3;
    m_data->DAT.TIME = 999999;
    m_data->DAT.ENDTIME = 999999;
    m_data->dates.setAt(DAT_DATETIME_KEY, 1);
    ASSERT_TRUE(m_data->dates.next().ok());
    EXPECT_EQ(dateRow(), "13:3/100-200");
    // Previous from the same place reads the last record not greater.
    m_data->DAT.DATE = 3;
    m_data->dates.setAt(DAT_DATETIME_KEY, 1);
    ASSERT_TRUE(m_data->dates.previous().ok());
    EXPECT_EQ(dateRow(), "3:3/500-600");
    // All components: at or after (3, 150, 0).
    m_data->DAT.DATE = 3;
    m_data->DAT.TIME = 150;
    m_data->DAT.ENDTIME = 0;
    m_data->dates.setAt(DAT_DATETIME_KEY);
    ASSERT_TRUE(m_data->dates.next().ok());
    EXPECT_EQ(dateRow(), "3:3/500-600");
    // Beyond the last key.
    m_data->DAT.DATE = 99;
    m_data->dates.setAt(DAT_DATETIME_KEY, 1);
    EXPECT_TRUE(m_data->dates.next().is(ErrorCode::NoRecord));
}

TEST_F(KeyedFileTest, DirectionChangesStepToTheNeighbour)
{
    openFile(m_data->people);
    for (const char *name : {"a", "b", "c", "d"})
        addPerson(name);
    m_data->people.set(PEO_PERSON_KEY);
    ASSERT_TRUE(m_data->people.next().ok());
    ASSERT_TRUE(m_data->people.next().ok());
    ASSERT_TRUE(m_data->people.next().ok());
    EXPECT_EQ(person(), "c");
    ASSERT_TRUE(m_data->people.previous().ok());
    EXPECT_EQ(person(), "b");
    ASSERT_TRUE(m_data->people.previous().ok());
    EXPECT_EQ(person(), "a");
    EXPECT_TRUE(m_data->people.previous().is(ErrorCode::NoRecord));
    // Previous from the start of a key reads from its end.
    m_data->people.set(PEO_PERSON_KEY);
    ASSERT_TRUE(m_data->people.previous().ok());
    EXPECT_EQ(person(), "d");
}

TEST_F(KeyedFileTest, SequentialReadingGoesOnFromARecordGotByKey)
{
    openFile(m_data->people);
    for (const char *name : {"a", "b", "c"})
        addPerson(name);
    m_data->PEO.PERSON = "b";
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    ASSERT_TRUE(m_data->people.next().ok());
    EXPECT_EQ(person(), "c");
    m_data->PEO.PERSON = "b";
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    ASSERT_TRUE(m_data->people.previous().ok());
    EXPECT_EQ(person(), "a");
}

TEST_F(KeyedFileTest, ResetReturnsExactlyThatRecordAmongEqualKeys)
{
    openFile(m_data->people);
    for (int i = 0; i < 6; ++i)
        addPerson(("p" + std::to_string(i)).c_str(), "", 7); // all on one date
    m_data->people.set(PEO_DATE_KEY);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(m_data->people.next().ok());
    Position fourth = m_data->people.position(PEO_DATE_KEY);
    EXPECT_EQ(person(), "p3");
    m_data->people.set(PEO_DATE_KEY);
    ASSERT_TRUE(m_data->people.reset(fourth).ok());
    ASSERT_TRUE(m_data->people.next().ok());
    EXPECT_EQ(person(), "p3");
    ASSERT_TRUE(m_data->people.next().ok());
    EXPECT_EQ(person(), "p4");
    ASSERT_TRUE(m_data->people.reset(fourth).ok());
    ASSERT_TRUE(m_data->people.previous().ok());
    EXPECT_EQ(person(), "p3");
    ASSERT_TRUE(m_data->people.previous().ok());
    EXPECT_EQ(person(), "p2");
    // Reget reads it again; once deleted, reset lands on its neighbour.
    ASSERT_TRUE(m_data->people.reget(fourth).ok());
    EXPECT_EQ(person(), "p3");
    ASSERT_TRUE(m_data->people.remove().ok());
    EXPECT_TRUE(m_data->people.reget(fourth).is(ErrorCode::RecordNotFound));
    ASSERT_TRUE(m_data->people.reset(fourth).ok());
    ASSERT_TRUE(m_data->people.next().ok());
    EXPECT_EQ(person(), "p4");
}

TEST_F(KeyedFileTest, WritesBetweenReadsNeitherSkipNorRepeat)
{
    openFile(m_data->personAct);
    for (int i = 1; i <= 30; ++i) {
        m_data->PER.ACTNUMBER = i;
        m_data->PER.PERSON = "Old";
        ASSERT_TRUE(m_data->personAct.add().ok());
    }
    // A rename walk: each record read is rewritten with a key that sorts
    // after every remaining one.
    m_data->PER.PERSON = "Old";
    m_data->personAct.setAt(PER_PERSON_KEY);
    int renamed = 0;
    while (m_data->personAct.next().ok() && m_data->PER.PERSON == "Old") {
        m_data->PER.PERSON = "Zed";
        ASSERT_TRUE(m_data->personAct.put().ok());
        ++renamed;
    }
    EXPECT_EQ(renamed, 30);
}

TEST_F(KeyedFileTest, GetAndRecordNumbersAndUserPrefStartsAtTwo)
{
    openFile(m_data->userPref);
    m_data->USP.STARTTIME = 4320400;
    m_data->USP.DURATION = 360001;
    ASSERT_TRUE(m_data->userPref.add().ok());
    EXPECT_EQ(m_data->userPref.current().recordNumber, 2);
    m_data->USP = {};
    ASSERT_TRUE(m_data->userPref.getByRecordNumber(2).ok());
    EXPECT_EQ(m_data->USP.STARTTIME, 4320400);
    EXPECT_TRUE(m_data->userPref.getByRecordNumber(1).is(ErrorCode::RecordNotFound));
    m_data->USP = {};
    ASSERT_TRUE(readUserPreferences(*m_data).ok());
    EXPECT_EQ(m_data->USP.DURATION, 360001);
}

TEST_F(KeyedFileTest, RecordNumbersAreNeverReusedEvenAfterPack)
{
    openFile(m_data->group);
    for (const char *name : {"A", "B", "C"}) {
        m_data->GRO.GROUP = name;
        ASSERT_TRUE(m_data->group.add().ok());
    }
    ASSERT_TRUE(m_data->group.remove().ok()); // C, number 3
    ASSERT_TRUE(m_data->group.pack().ok());
    m_data->GRO.GROUP = "D";
    ASSERT_TRUE(m_data->group.add().ok());
    EXPECT_EQ(m_data->group.current().recordNumber, 4);
    std::int64_t count = 0;
    ASSERT_TRUE(m_data->group.records(count).ok());
    EXPECT_EQ(count, 3);
}

TEST_F(KeyedFileTest, WatchedPutFailsWhenAnotherStationChangedOrDeletedTheRecord)
{
    openFile(m_data->people);
    addPerson("Cy", "Cyrus");
    auto other = secondStation();
    ASSERT_TRUE(other->people.open().ok());

    m_data->PEO.PERSON = "Cy";
    m_data->people.watch();
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    RecordRef mine = m_data->people.current();

    other->PEO.PERSON = "Cy";
    ASSERT_TRUE(other->people.get(PEO_PERSON_KEY).ok());
    other->PEO.NAME = "Cyril";
    ASSERT_TRUE(other->people.put().ok());

    m_data->PEO.NAME = "Cyrus the Great";
    Status status = m_data->people.put(mine);
    EXPECT_TRUE(status.is(ErrorCode::ChangedByOther));
    EXPECT_EQ(m_data->database.lastStatus().code(), ErrorCode::ChangedByOther);

    // Read again with a watch: now the put goes through, and a second put
    // of this window's own is no change by another station.
    m_data->people.watch();
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    m_data->PEO.NAME = "Cyrus the Great";
    EXPECT_TRUE(m_data->people.put().ok());
    EXPECT_TRUE(m_data->people.put().ok());

    // A watched delete of a record the other station deleted.
    m_data->people.watch();
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    ASSERT_TRUE(other->people.get(PEO_PERSON_KEY).ok());
    ASSERT_TRUE(other->people.remove().ok());
    EXPECT_TRUE(m_data->people.remove().is(ErrorCode::ChangedByOther));
}

TEST_F(KeyedFileTest, ARolledBackPutLeavesTheWatchAsItWas)
{
    openFile(m_data->people);
    addPerson("Di");
    m_data->PEO.PERSON = "Di";
    m_data->people.watch();
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    {
        Transaction transaction(m_data->database);
        m_data->PEO.NAME = "Diana";
        ASSERT_TRUE(m_data->people.put().ok());
        ASSERT_TRUE(m_data->people.remove().ok());
    } // rolled back: neither the put nor the delete happened
    m_data->PEO.NAME = "Diane";
    EXPECT_TRUE(m_data->people.put().ok()); // no false "changed by another station"
    m_data->PEO.PERSON = "Di";
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    EXPECT_EQ(m_data->PEO.NAME.str(), "Diane");
}

TEST_F(KeyedFileTest, HoldConflictsBetweenWindowsAndEndsWithItsHolder)
{
    openFile(m_data->group);
    m_data->GRO.GROUP = "Choir";
    ASSERT_TRUE(m_data->group.add().ok());
    RecordHold first;
    ASSERT_TRUE(m_data->group.hold(first).ok());
    {
        RecordHold second;
        EXPECT_TRUE(m_data->group.hold(second, 50).is(ErrorCode::RecordHeld));
    }
    first.release();
    RecordHold third;
    EXPECT_TRUE(m_data->group.hold(third).ok());
}

TEST_F(KeyedFileTest, RangeAndFilterLimitAView)
{
    openFile(m_data->dates);
    for (int day = 1; day <= 20; ++day)
        for (int act = 1; act <= 3; ++act)
            addDate(act, day, act * 100, 0);
    Cursor view(m_data->dates, DAT_DATETIME_KEY);
    DatesRecord low, high;
    low.DATE = 5;
    high.DATE = 7;
    view.setRangeBetween(1, &low, &high);
    view.setFilter([](const void *record) {
        return static_cast<const DatesRecord *>(record)->ACTNUMBER != 2;
    });
    std::vector<std::string> seen;
    view.setStart();
    while (view.next().ok())
        seen.push_back(dateRow());
    EXPECT_EQ(seen, (std::vector<std::string>{"1:5/100-0", "3:5/300-0", "1:6/100-0", "3:6/300-0",
                                              "1:7/100-0", "3:7/300-0"}));
    view.setStart();
    ASSERT_TRUE(view.previous().ok());
    EXPECT_EQ(dateRow(), "3:7/300-0");

    Cursor byActivity(m_data->dates, DAT_ACTNUMBER_KEY);
    DatesRecord pinned;
    pinned.ACTNUMBER = 2;
    byActivity.setRangeEqual(1, &pinned);
    int count = 0;
    while (byActivity.next().ok()) {
        EXPECT_EQ(m_data->DAT.ACTNUMBER, 2);
        ++count;
    }
    EXPECT_EQ(count, 20);
}

TEST_F(KeyedFileTest, EmptyMemoIsStoredAsNoneAndLongMemoIsCut)
{
    openFile(m_data->activity);
    m_data->ACT.ACTNUMBER = 1;
    m_data->ACT.NAME = "Piano";
    m_data->ACT.NOTES.text = "   ";
    ASSERT_TRUE(m_data->activity.add().ok());
    m_data->ACT.ACTNUMBER = 2;
    m_data->ACT.NOTES.text = std::string(399, 'x') + "\xC3\xA9\xC3\xA9"; // 401 characters
    ASSERT_TRUE(m_data->activity.add().ok());

    Statement statement;
    ASSERT_TRUE(m_data->database
                    .prepare("SELECT NOTES IS NULL, length(CAST(NOTES AS BLOB)) FROM "
                             "ACTIVITY.rec ORDER BY recno",
                             statement)
                    .ok());
    ASSERT_EQ(sqlite3_step(statement.get()), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement.get(), 0), 1);
    ASSERT_EQ(sqlite3_step(statement.get()), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement.get(), 1), 401); // 400 characters, the last é kept
    statement = Statement();

    m_data->ACT.ACTNUMBER = 1;
    ASSERT_TRUE(m_data->activity.get(ACT_ACTNUMBER_KEY).ok());
    EXPECT_EQ(m_data->ACT.NOTES.text, "");
}

TEST_F(KeyedFileTest, DeclarationsMatchTheRecordSizes)
{
    struct Expected
    {
        const FileDef &def;
        int bytes;
    };
    for (const Expected &e :
         {Expected{activityFile(), 94}, Expected{personActFile(), 14}, Expected{datesFile(), 31},
          Expected{groupFile(), 10}, Expected{groupPeopleFile(), 20}, Expected{peopleFile(), 44},
          Expected{specialFile(), 28}, Expected{weekdayFile(), 10}, Expected{userPrefFile(), 8}}) {
        EXPECT_EQ(e.def.recordBytes(), e.bytes) << e.def.name;
        EXPECT_EQ(e.def.codec->fieldCount, static_cast<int>(e.def.fields.size())) << e.def.name;
    }
}

TEST_F(KeyedFileTest, EncryptedFilesHideTheirContentsAndNeedTheKey)
{
    openFile(m_data->people);
    addPerson("Zebedee", "Zebedee Longname");
    m_data->people.close();

    std::ifstream in(m_data->people.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.find("Zebedee"), std::string::npos);
    EXPECT_EQ(bytes.find("SQLite format"), std::string::npos);

    sqlite3 *plain = nullptr;
    ASSERT_EQ(sqlite3_open(m_data->people.path().c_str(), &plain), SQLITE_OK);
    int rc = sqlite3_exec(plain, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    EXPECT_EQ(rc, SQLITE_NOTADB);
    sqlite3_close(plain);

    ASSERT_TRUE(m_data->people.open().ok());
    m_data->PEO.PERSON = "Zebedee";
    EXPECT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
}

// Text widths count characters, whatever their UTF-8 length: what a field
// can hold goes in and comes back whole, and only the character after the
// last is cut.
TEST_F(KeyedFileTest, TextFieldsHoldTheirWidthInCharacters)
{
    openFile(m_data->people);
    const std::string shortName = "léa-ève-zé"; // ten characters, fifteen bytes
    const std::string longName = "Françoise-Hélène de Crémière Ô";
    ASSERT_EQ(utf8Length(longName), 30u);
    addPerson(shortName.c_str(), longName.c_str());
    addPerson("Zoë-Marie1");
    addPerson("Zoë-Marie2"); // differs in its tenth character only

    m_data->PEO.PERSON = shortName;
    ASSERT_TRUE(m_data->people.get(PEO_PERSON_KEY).ok());
    EXPECT_EQ(m_data->PEO.PERSON.str(), shortName);
    EXPECT_EQ(m_data->PEO.NAME.str(), longName);

    // An eleventh character never reaches the file.
    addPerson("éabcdefghié");
    Statement statement;
    ASSERT_TRUE(m_data->database
                    .prepare("SELECT PERSON FROM PEOPLE.rec ORDER BY recno DESC LIMIT 1", statement)
                    .ok());
    ASSERT_EQ(sqlite3_step(statement.get()), SQLITE_ROW);
    EXPECT_EQ(reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0)),
              std::string("éabcdefghi"));
}

TEST_F(KeyedFileTest, AnOverlongFormIsNotTheCharacterItImitates)
{
    openFile(m_data->group);
    m_data->GRO.GROUP = "A";
    ASSERT_TRUE(m_data->group.add().ok());
    m_data->GRO.GROUP = "\xC1\x81"; // "A" written in two bytes
    EXPECT_TRUE(m_data->group.add().ok());
    m_data->GRO.GROUP = "\xED\xA0\x81"; // a surrogate
    EXPECT_TRUE(m_data->group.add().ok());
    m_data->GRO.GROUP = "a";
    EXPECT_TRUE(m_data->group.add().is(ErrorCode::DuplicateKey));
}

// ---------------------------------------------------------------------------
// Work over a whole file: the hold of every free record, the consistent
// copy, the change counter

TEST_F(KeyedFileTest, HoldingEveryFreeRecordFindsTheHeldOnesAndKeepsNewHoldsOut)
{
    openFile(m_data->group);
    std::vector<std::int64_t> records;
    for (const char *name : {"A", "B", "C", "D", "E"}) {
        m_data->GRO.GROUP = name;
        ASSERT_TRUE(m_data->group.add().ok());
        records.push_back(m_data->group.current().recordNumber);
    }
    RecordHold form, otherForm;
    ASSERT_TRUE(m_data->group.hold(form, records[1], 0).ok());
    ASSERT_TRUE(m_data->group.hold(otherForm, records[3], 0).ok());

    std::vector<std::int64_t> heldElsewhere;
    {
        FreeRecordsHold all;
        ASSERT_TRUE(m_data->group.holdAllFree(all, heldElsewhere).ok());
        EXPECT_EQ(heldElsewhere, (std::vector<std::int64_t>{records[1], records[3]}));
        // Records not added yet are held too.
        RecordHold late;
        EXPECT_TRUE(m_data->group.hold(late, records[0], 0).is(ErrorCode::RecordHeld));
        EXPECT_TRUE(m_data->group.hold(late, records[4] + 1000, 0).is(ErrorCode::RecordHeld));
        // The forms keep theirs.
        form.release();
        EXPECT_TRUE(m_data->group.hold(form, records[1], 0).ok());
    }
    RecordHold afterwards;
    EXPECT_TRUE(m_data->group.hold(afterwards, records[0], 0).ok());
}

TEST_F(KeyedFileTest, ACopyIsTheFileAsItWasAndOpensInItsPlaceEncryptedAsItIs)
{
    openFile(m_data->people);
    openFile(m_data->group);
    addPerson("Zebedee", "Zebedee Longname");
    TempDir elsewhere;
    std::vector<FileCopy> copies = {{&m_data->people, elsewhere.path() / "PEOPLE.DB"},
                                    {&m_data->group, elsewhere.path() / "GROUP.DB"}};
    ASSERT_TRUE(copyFiles(copies).ok());
    addPerson("Later");
    // A target that exists is never overwritten.
    EXPECT_TRUE(copyFiles(copies).is(ErrorCode::AccessDenied));

    std::ifstream in(copies[0].target, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.find("Zebedee"), std::string::npos) << "the copy of PEOPLE is not encrypted";
    AppData restored;
    ASSERT_TRUE(restored.database.open(elsewhere.path()).ok());
    ASSERT_TRUE(restored.people.open().ok());
    ASSERT_TRUE(restored.group.open().ok());
    std::int64_t people = 0;
    ASSERT_TRUE(restored.people.records(people).ok());
    EXPECT_EQ(people, 1);
}

TEST_F(KeyedFileTest, TheChangeCounterMovesWithAnotherStationsCommitsOnly)
{
    openFile(m_data->group);
    std::int64_t before = 0, after = 0;
    ASSERT_TRUE(m_data->group.changeCounter(before).ok());
    m_data->GRO.GROUP = "Own";
    ASSERT_TRUE(m_data->group.add().ok());
    ASSERT_TRUE(m_data->group.changeCounter(after).ok());
    EXPECT_EQ(after, before);

    auto station = secondStation();
    ASSERT_TRUE(station->group.open().ok());
    station->GRO.GROUP = "Theirs";
    ASSERT_TRUE(station->group.add().ok());
    // Seen by the first read of a transaction begun after it, as a copy
    // taken before that transaction must find out.
    Transaction transaction(m_data->database);
    ASSERT_TRUE(transaction.status().ok());
    ASSERT_TRUE(m_data->group.changeCounter(after).ok());
    EXPECT_NE(after, before);
}

} // namespace
} // namespace korvalen::testing
