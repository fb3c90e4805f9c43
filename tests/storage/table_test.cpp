// Typed reads: they land in the reader's own record and leave the file's
// shared buffer, current record and pending watch alone, while ranges,
// filters, positions and the order of equal keys behave as the plain
// cursor's.

#include "testsupport.h"

#include "storage/table.h"

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace korvalen::testing {
namespace {

using namespace keys;

class TableTest : public StorageTest
{
protected:
    std::int64_t addDate(int act, int date, int time, int end)
    {
        m_data->DAT = {};
        m_data->DAT.ACTNUMBER = act;
        m_data->DAT.DATE = date;
        m_data->DAT.TIME = time;
        m_data->DAT.ENDTIME = end;
        const Status status = m_data->dates.add();
        EXPECT_TRUE(status.ok()) << status.text();
        return m_data->dates.current().recordNumber;
    }

    // A file of few distinct keys, so that many records share one.
    void fillDates(int count)
    {
        openFile(m_data->dates);
        std::mt19937 random(20261208);
        for (int i = 0; i < count; ++i)
            addDate(static_cast<int>(random() % 4) + 1, static_cast<int>(random() % 6),
                    static_cast<int>(random() % 3) * 100, static_cast<int>(random() % 2));
    }
};

std::string rowOf(const DatesRecord &d)
{
    return std::to_string(d.ACTNUMBER) + ":" + std::to_string(d.DATE) + "/" +
           std::to_string(d.TIME) + "-" + std::to_string(d.ENDTIME);
}

TEST_F(TableTest, TypedReadsLeaveTheBufferCurrentRecordAndPendingWatchAlone)
{
    fillDates(40);
    // A window holds record 7 in the buffer, read with watch and edited.
    m_data->dates.watch();
    ASSERT_TRUE(m_data->dates.getByRecordNumber(7).ok());
    m_data->DAT.ENDTIME = 4321;
    const DatesRecord held = m_data->DAT;

    TypedCursor<DatesRecord> walk(m_data->dates, DAT_DATETIME_KEY);
    int read = 0;
    while (walk.next().ok())
        ++read;
    EXPECT_EQ(read, 40);
    ASSERT_TRUE(walk.previous().ok());
    DatesRecord probe;
    probe.ACTNUMBER = 3;
    ASSERT_TRUE(readByKey(m_data->dates, DAT_ACTNUMBER_KEY, probe).ok());
    EXPECT_EQ(m_data->DAT, held);

    // The watched put still goes to record 7, with the version of its read.
    ASSERT_TRUE(m_data->dates.current().watched);
    ASSERT_TRUE(m_data->dates.put().ok());
    ASSERT_TRUE(m_data->dates.getByRecordNumber(7).ok());
    EXPECT_EQ(m_data->DAT.ENDTIME, 4321);

    // A watch asked for before typed reads still applies to the file's next read.
    m_data->dates.watch();
    walk.setStart();
    ASSERT_TRUE(walk.next().ok());
    ASSERT_TRUE(m_data->dates.getByRecordNumber(9).ok());
    EXPECT_TRUE(m_data->dates.current().watched);
}

// A typed cursor and a plain one, set alike, return the same records in
// the same order through random sets, resets, direction changes, ranges and
// filters.
TEST_F(TableTest, RangeFilterSetAndResetMatchThePlainCursor)
{
    fillDates(150);
    std::mt19937 random(7);
    auto small = [&](int n) { return static_cast<int>(random() % n); };

    Cursor plain(m_data->dates, DAT_DATETIME_KEY);
    TypedCursor<DatesRecord> typed(m_data->dates, DAT_DATETIME_KEY);
    for (int round = 0; round < 40; ++round) {
        DatesRecord low, high;
        low.DATE = small(6);
        low.TIME = small(3) * 100;
        high = low;
        high.TIME = low.TIME + small(3) * 100;
        switch (small(4)) {
        case 0:
            plain.clearRange(), typed.clearRange();
            break;
        case 1:
            plain.setRangeEqual(1, &low), typed.setRangeEqual(1, low);
            break;
        case 2:
            plain.setRangeBetween(2, &low, &high), typed.setRangeBetween(2, low, high);
            break;
        default:
            high.DATE = low.DATE + small(3);
            plain.setRangeBetween(1, &low, &high), typed.setRangeBetween(1, low, high);
        }
        const int act = small(5); // 0: no filter
        if (act == 0) {
            plain.setFilter({}), typed.setFilter({});
        } else {
            plain.setFilter([act](const void *r) {
                return static_cast<const DatesRecord *>(r)->ACTNUMBER != act;
            });
            typed.setFilter([act](const DatesRecord &r) { return r.ACTNUMBER != act; });
        }
        if (small(2)) {
            DatesRecord at;
            at.DATE = small(7);
            at.TIME = small(3) * 100;
            const int components = small(3) + 1;
            plain.setAt(&at, components), typed.setAt(at, components);
        } else {
            plain.setStart(), typed.setStart();
        }
        Position remembered;
        for (int step = 0; step < 25; ++step) {
            const bool forward = small(3) != 0;
            if (step == 12 && remembered.isValid()) {
                ASSERT_TRUE(plain.reset(remembered).ok());
                ASSERT_TRUE(typed.reset(remembered).ok());
            }
            const Status plainStatus = forward ? plain.next() : plain.previous();
            const Status typedStatus = forward ? typed.next() : typed.previous();
            ASSERT_EQ(plainStatus.code(), typedStatus.code()) << "round " << round;
            if (!plainStatus.ok())
                continue;
            ASSERT_EQ(plain.recordNumber(), typed.recordRef().recordNumber);
            ASSERT_EQ(rowOf(m_data->DAT), rowOf(typed.record()));
            EXPECT_EQ(typed.position(), plain.position());
            if (step == 5)
                remembered = typed.position();
        }
    }
}

TEST_F(TableTest, TwoTypedCursorsWalkOneFileApartAndDeleteWhatTheyRead)
{
    openFile(m_data->dates);
    for (int day = 1; day <= 6; ++day)
        for (int act = 1; act <= 2; ++act)
            addDate(act, day, act * 100, 0);
    DatesRecord pin;
    pin.ACTNUMBER = 1;
    TypedCursor<DatesRecord> first(m_data->dates, DAT_ACTNUMBER_KEY);
    first.setRangeEqual(1, pin);
    pin.ACTNUMBER = 2;
    TypedCursor<DatesRecord> second(m_data->dates, DAT_ACTNUMBER_KEY);
    second.setRangeEqual(1, pin);

    // Interleaved, each keeps its own place and its own record; the second
    // deletes every record it reads meanwhile.
    std::vector<int> firstDays;
    for (;;) {
        const Status status = first.next();
        if (!status.ok()) {
            EXPECT_TRUE(status.is(ErrorCode::NoRecord)) << status.text();
            break;
        }
        const DatesRecord mine = first.record();
        if (second.next().ok()) {
            ASSERT_TRUE(m_data->dates.remove(second.recordRef()).ok());
        }
        EXPECT_EQ(first.record(), mine);
        firstDays.push_back(mine.DATE);
        EXPECT_EQ(mine.ACTNUMBER, 1);
    }
    EXPECT_EQ(firstDays, (std::vector<int>{1, 2, 3, 4, 5, 6}));

    TypedCursor<DatesRecord> whole(m_data->dates, kFileOrder);
    int left = 0;
    while (whole.next().ok()) {
        EXPECT_EQ(whole.record().ACTNUMBER, 1);
        ++left;
    }
    EXPECT_EQ(left, 6);
}

TEST_F(TableTest, ReadByKeyFindsTheLowestNumberOfEqualKeysAndLeavesTheFilesOwnCursor)
{
    openFile(m_data->people);
    for (const char *person : {"Cy", "Ann", "Bob", "Dee"}) {
        m_data->PEO = {};
        m_data->PEO.PERSON = person;
        m_data->PEO.DATE = 7;
        ASSERT_TRUE(m_data->people.add().ok());
    }
    // The file's own cursor stands on Bob in short-name order.
    m_data->people.set(PEO_PERSON_KEY);
    ASSERT_TRUE(m_data->people.next().ok());
    ASSERT_TRUE(m_data->people.next().ok());

    PeopleRecord probe;
    probe.DATE = 7;
    RecordRef found;
    ASSERT_TRUE(readByKey(m_data->people, PEO_DATE_KEY, probe, &found).ok());
    EXPECT_EQ(probe.PERSON.str(), "Cy");
    EXPECT_EQ(found.recordNumber, 1);

    PeopleRecord missing;
    missing.DATE = 8;
    missing.NAME = "kept";
    EXPECT_TRUE(readByKey(m_data->people, PEO_DATE_KEY, missing).is(ErrorCode::RecordNotFound));
    EXPECT_TRUE(m_data->database.lastStatus().is(ErrorCode::RecordNotFound));
    EXPECT_EQ(missing.NAME.str(), "kept");

    EXPECT_EQ(m_data->PEO.PERSON.str(), "Bob");
    ASSERT_TRUE(m_data->people.next().ok());
    EXPECT_EQ(m_data->PEO.PERSON.str(), "Cy");

    // A closed file is reported, the caller's record left as it was.
    m_data->people.close();
    EXPECT_TRUE(readByKey(m_data->people, PEO_DATE_KEY, missing).is(ErrorCode::FileNotOpen));
    EXPECT_EQ(missing.NAME.str(), "kept");
}

} // namespace
} // namespace korvalen::testing
