// The week the calendar screens count from a date, and an occurrence's
// people line as read from the participants file.

#include "schedulelogic/participants.h"

#include "../storage/testsupport.h"

#include <gtest/gtest.h>

namespace korvalen {
namespace {

// Monday 7 December 2026.
const Date kMonday = makeDate(12, 7, 2026);

TEST(WeekRules, EveryDayBelongsToTheWeekOfTheMondayBeforeIt)
{
    for (Date date = -20; date <= 20; ++date) {
        const Date monday = mondayOf(date);
        EXPECT_EQ(weekdayOf(monday), 1) << date;
        EXPECT_GE(date - monday, 0) << date;
        EXPECT_LE(date - monday, 6) << date;
    }
    EXPECT_EQ(mondayOf(kMonday + 6), kMonday) << "a Sunday ends the week";
    EXPECT_EQ(mondayOf(kMonday + 7), kMonday + 7);
}

TEST(WeekRules, ThePeopleLineCountsTheParticipants)
{
    EXPECT_EQ(participantsText("Anna", 0), "");
    EXPECT_EQ(participantsText("Anna      ", 1), "Anna");
    EXPECT_EQ(participantsText("Anna", 3), "Anna  +");
    EXPECT_EQ(participantsText("A+B", 2), "A+B  +") << "a + in the name is no count";
}

class ParticipantsReaderTest : public testing::StorageTest
{
};

TEST_F(ParticipantsReaderTest, ReadsTheFirstAddedAndWhetherThereAreMoreLeavingTheFileAlone)
{
    openFile(m_data->personAct);
    const std::pair<std::int32_t, const char *> people[] = {
        {5, "Cid"}, {5, "Ann"}, {5, "Bea"}, {6, "Dan"}, {8, "Eve"}};
    for (const auto &[number, person] : people) {
        m_data->PER = {number, Text<10>(person)};
        ASSERT_TRUE(m_data->personAct.add().ok());
    }
    // The window's own reading stands on Eve.
    m_data->PER = {8, Text<10>()};
    ASSERT_TRUE(m_data->personAct.get(keys::PER_ACTIVITY_KEY).ok());
    const std::int64_t current = m_data->personAct.current().recordNumber;

    ParticipantsReader reader(m_data->personAct);
    EXPECT_EQ(reader.textOf(5), "Cid  +") << "the first added, not the first by name";
    EXPECT_EQ(reader.textOf(6), "Dan");
    EXPECT_EQ(reader.textOf(7), "");
    EXPECT_EQ(reader.textOf(5), "Cid  +") << "read again from the activity's start";

    EXPECT_EQ(m_data->PER.ACTNUMBER, 8);
    EXPECT_EQ(m_data->PER.PERSON.str(), "Eve");
    EXPECT_EQ(m_data->personAct.current().recordNumber, current);
}

} // namespace
} // namespace korvalen
