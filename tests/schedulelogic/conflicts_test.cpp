#include "schedulelogic/conflicts.h"

#include "../storage/testsupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace korvalen {
namespace {

constexpr ClockTime at(int hour, int minute = 0)
{
    return hour * kHundredthsPerHour + minute * kHundredthsPerMinute + 1;
}

struct OverlapCase
{
    const char *what;
    ClockTime start, end, otherStart, otherEnd;
    bool collide;
};

TEST(TimesOverlapTest, ComparesTheMinutesShown)
{
    // The default start of a new activity (12:00 PM) carries a few hidden
    // seconds, and so does the default duration.
    constexpr ClockTime defaultStart = 4320400;
    constexpr ClockTime defaultEnd = defaultStart + 360001;
    const OverlapCase cases[] = {
        {"starts when the other ends", at(11), at(12), at(10), at(11), false},
        {"ends when the other starts", at(9), at(10), at(10), at(11), false},
        {"half an hour in common", at(10, 30), at(11, 30), at(10), at(11), true},
        {"one minute in common", at(10), at(11, 1), at(11), at(12), true},
        {"default time before a whole hour", defaultStart, defaultEnd, at(13), at(14), false},
        {"whole hour before a default time", at(11), at(12), defaultStart, defaultEnd, false},
        {"the other has no end time", at(10), at(11), at(10), 0, false},
        {"no end time", at(10), 0, at(10), at(11), false},
    };
    for (const OverlapCase &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(timesOverlap(c.start, c.end, c.otherStart, c.otherEnd), c.collide);
    }
}

// The conflict window, scripted: each show() takes the next answer
// (Accept when none is left) and records what it was shown.
class ScriptedHost : public ConflictHost
{
public:
    explicit ScriptedHost(AppData &data) : m_data(data) {}

    std::optional<ConflictChoice> show(const Collision &collision, bool seriesCheck) override
    {
        shown.push_back(collision);
        seriesChecks.push_back(seriesCheck);
        // A stepping read would keep other stations from saving while the
        // window is open.
        EXPECT_FALSE(m_data.database.hasLiveReads());
        if (answers.empty())
            return ConflictChoice::Accept;
        const std::optional<ConflictChoice> answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void readFailed(std::string_view fileName, const Status &status) override
    {
        failures.emplace_back(fileName);
        EXPECT_FALSE(status.ok());
    }

    // What was shown, as "period DESCRIPTION" or "NAME ACTNUMBER".
    std::vector<std::string> shownNames() const
    {
        std::vector<std::string> names;
        for (const Collision &c : shown)
            names.push_back(c.specialPeriod ? "period " + c.period.DESCRIPTION.str()
                                            : c.activity.NAME.str() + " " +
                                                  std::to_string(c.occurrence.ACTNUMBER));
        return names;
    }

    std::deque<std::optional<ConflictChoice>> answers;
    std::vector<Collision> shown;
    std::vector<bool> seriesChecks;
    std::vector<std::string> failures;

private:
    AppData &m_data;
};

using Names = std::vector<std::string>;

class ConflictCheckTest : public testing::StorageTest
{
protected:
    static constexpr std::int32_t kOwnNumber = 7;

    void SetUp() override
    {
        StorageTest::SetUp();
        for (DataFile *file :
             {&m_data->special, &m_data->dates, &m_data->personAct, &m_data->activity})
            openFile(*file);
        m_participants.insert({kOwnNumber, "Anna"});
        m_participants.insert({kOwnNumber, "Cara"});
    }

    void addPeriod(Date start, Date end, const char *description)
    {
        m_data->SPE = {start, end, description};
        ASSERT_TRUE(m_data->special.add().ok());
    }
    void addActivity(std::int32_t number, const char *name, std::vector<const char *> people)
    {
        m_data->ACT = {};
        m_data->ACT.ACTNUMBER = number;
        m_data->ACT.NAME = name;
        ASSERT_TRUE(m_data->activity.add().ok());
        for (const char *person : people) {
            m_data->PER = {number, person};
            ASSERT_TRUE(m_data->personAct.add().ok());
        }
    }
    void addOccurrence(std::int32_t number, Date date, ClockTime start, ClockTime end)
    {
        m_data->DAT = {};
        m_data->DAT.ACTNUMBER = number;
        m_data->DAT.DATE = date;
        m_data->DAT.TIME = start;
        m_data->DAT.ENDTIME = end;
        ASSERT_TRUE(m_data->dates.add().ok());
    }

    static Occurrence entry(Date date, ClockTime start = at(10), ClockTime end = at(11))
    {
        return {kOwnNumber, date, start, end};
    }

    const Date m_day = makeDate(3, 10, 2026);
    ParticipantQueue m_participants;
};

TEST_F(ConflictCheckTest, AnotherActivityCollidesWhenItsTimesOverlapAndItSharesAPerson)
{
    addActivity(20, "Piano", {"Cara", "Anna", "Dora"});
    addActivity(21, "Chess", {"Bob"});
    addActivity(22, "Swim", {"anna"}); // another person: names are exact
    addActivity(kOwnNumber, "Own", {"Anna"});
    addOccurrence(20, m_day, at(10), at(11));
    addOccurrence(20, m_day + 1, at(10, 30), at(11, 30));
    addOccurrence(21, m_day, at(10), at(11));
    addOccurrence(22, m_day, at(10), at(11));
    addOccurrence(kOwnNumber, m_day, at(10), at(11));
    ScriptedHost host(*m_data);
    ConflictCheck check(*m_data, m_participants, host);

    EXPECT_EQ(check.check(entry(m_day, at(11), at(12)), false), ConflictChoice::Accept);
    EXPECT_TRUE(host.shown.empty());

    // Two shared persons, one window.
    EXPECT_EQ(check.check(entry(m_day, at(10, 30), at(11, 30)), false), ConflictChoice::Accept);
    EXPECT_EQ(host.shownNames(), Names{"Piano 20"});
    EXPECT_EQ(host.shown[0].occurrence.DATE, m_day);
    EXPECT_EQ(host.shown[0].occurrence.TIME, at(10));
    EXPECT_EQ(host.seriesChecks, std::vector<bool>{false});
}

TEST_F(ConflictCheckTest, ShowsEachSpecialPeriodThatHoldsTheDateFirst)
{
    addPeriod(m_day + 4, m_day + 8, "Late");
    addPeriod(m_day, m_day + 4, "Early");
    addActivity(20, "Piano", {"Anna"});
    addOccurrence(20, m_day + 4, at(9), at(12));
    ScriptedHost host(*m_data);
    ConflictCheck check(*m_data, m_participants, host);

    // Both ends of a period belong to it; people do not matter.
    EXPECT_EQ(check.check(entry(m_day), true), ConflictChoice::Accept);
    EXPECT_EQ(check.check(entry(m_day + 8), true), ConflictChoice::Accept);
    EXPECT_EQ(check.check(entry(m_day + 9), true), ConflictChoice::Accept);
    EXPECT_EQ(host.shownNames(), (Names{"period Early", "period Late"}));

    // Two periods on one date, then the activity, each after an accept.
    host.shown.clear();
    EXPECT_EQ(check.check(entry(m_day + 4), true), ConflictChoice::Accept);
    EXPECT_EQ(host.shownNames(), (Names{"period Early", "period Late", "Piano 20"}));

    // A decision other than accept ends the check of that date.
    host.shown.clear();
    host.answers = {ConflictChoice::Skip};
    EXPECT_EQ(check.check(entry(m_day + 4), true), ConflictChoice::Skip);
    EXPECT_EQ(host.shownNames(), Names{"period Early"});
}

TEST_F(ConflictCheckTest, DecisionsHoldForTheirDateAndAcceptAllForTheRest)
{
    addPeriod(m_day + 3, m_day + 3, "Holiday");
    addActivity(20, "Piano", {"Anna"});
    addActivity(21, "Chess", {"Cara"});
    for (Date date = m_day; date < m_day + 5; ++date) {
        addOccurrence(20, date, at(10), at(11));
        addOccurrence(21, date, at(10, 30), at(11));
    }
    ScriptedHost host(*m_data);
    ConflictCheck check(*m_data, m_participants, host);

    host.answers = {ConflictChoice::Skip, ConflictChoice::Stop, ConflictChoice::Cancel};
    EXPECT_EQ(check.check(entry(m_day), true), ConflictChoice::Skip);
    EXPECT_EQ(check.check(entry(m_day, at(12), at(13)), true), ConflictChoice::Accept);
    EXPECT_EQ(check.check(entry(m_day + 1), true), ConflictChoice::Stop);
    EXPECT_EQ(check.check(entry(m_day + 1), true), ConflictChoice::Cancel);
    EXPECT_EQ(host.shownNames(), (Names{"Piano 20", "Piano 20", "Piano 20"}));

    // A window closed without a decision leaves the choice as it was and
    // the next collision of the date is shown.
    host.shown.clear();
    host.answers = {std::nullopt, ConflictChoice::AcceptAll};
    EXPECT_EQ(check.check(entry(m_day + 2), true), ConflictChoice::AcceptAll);
    EXPECT_EQ(host.shownNames(), (Names{"Piano 20", "Chess 21"}));

    // Nothing more is shown for the rest of the save, periods included.
    host.shown.clear();
    EXPECT_EQ(check.check(entry(m_day + 3), true), ConflictChoice::AcceptAll);
    EXPECT_EQ(check.check(entry(m_day + 4), true), ConflictChoice::AcceptAll);
    EXPECT_TRUE(host.shown.empty());

    // The next save starts afresh.
    check.resetChoice();
    EXPECT_EQ(check.check(entry(m_day + 3), true), ConflictChoice::Accept);
    EXPECT_EQ(host.shownNames(), (Names{"period Holiday", "Piano 20", "Chess 21"}));
}

TEST_F(ConflictCheckTest, LeavesTheCallersRecordBuffersAsTheyWere)
{
    addPeriod(m_day, m_day, "Holiday");
    addActivity(20, "Piano", {"Anna"});
    addOccurrence(20, m_day, at(10), at(11));

    m_data->ACT = {};
    m_data->ACT.ACTNUMBER = kOwnNumber;
    m_data->ACT.NAME = "Being edited";
    m_data->ACT.NOTES.text = "Typed notes";
    m_data->DAT = {kOwnNumber, m_day, at(10), at(11), "", ""};
    m_data->PER = {kOwnNumber, "Anna"};
    m_data->SPE = {1, 2, "Kept"};
    const ActivityRecord activity = m_data->ACT;
    const DatesRecord dates = m_data->DAT;
    const PersonActRecord person = m_data->PER;
    const SpecialRecord special = m_data->SPE;

    ScriptedHost host(*m_data);
    ConflictCheck check(*m_data, m_participants, host);
    EXPECT_EQ(check.check(entry(m_day), false), ConflictChoice::Accept);
    ASSERT_EQ(host.shownNames(), (Names{"period Holiday", "Piano 20"}));
    EXPECT_EQ(host.shown[1].activity.NAME, "Piano");

    EXPECT_EQ(m_data->ACT, activity);
    EXPECT_EQ(m_data->DAT, dates);
    EXPECT_EQ(m_data->PER, person);
    EXPECT_EQ(m_data->SPE, special);
}

TEST_F(ConflictCheckTest, ReadsPeriodsAndParticipantsOncePerSave)
{
    addPeriod(m_day, m_day + 1, "Holiday");
    addActivity(20, "Piano", {"Anna"});
    addOccurrence(20, m_day, at(10), at(11));
    addOccurrence(20, m_day + 2, at(10), at(11));
    ScriptedHost host(*m_data);
    ConflictCheck check(*m_data, m_participants, host);
    EXPECT_EQ(check.check(entry(m_day), true), ConflictChoice::Accept);
    ASSERT_EQ(host.shown.size(), 2u);

    // What changes in the files during the save is not read again.
    addPeriod(m_day + 2, m_day + 2, "Added later");
    m_data->PER = {20, "Anna"};
    ASSERT_TRUE(m_data->personAct.get(keys::PER_ACTIVITY_KEY).ok());
    ASSERT_TRUE(m_data->personAct.remove().ok());
    host.shown.clear();
    EXPECT_EQ(check.check(entry(m_day + 2), true), ConflictChoice::Accept);
    EXPECT_EQ(host.shownNames(), Names{"Piano 20"});
}

TEST_F(ConflictCheckTest, AFailedReadIsReportedOnceAndTheOtherScansGoOn)
{
    addActivity(20, "Piano", {"Anna"});
    addOccurrence(20, m_day, at(10), at(11));
    addOccurrence(20, m_day + 1, at(10), at(11));
    m_data->special.close();
    ScriptedHost host(*m_data);
    ConflictCheck check(*m_data, m_participants, host);

    EXPECT_EQ(check.check(entry(m_day), true), ConflictChoice::Accept);
    EXPECT_EQ(check.check(entry(m_day + 1), true), ConflictChoice::Accept);
    EXPECT_EQ(host.failures, std::vector<std::string>{"SPECIAL"});
    EXPECT_EQ(host.shownNames(), (Names{"Piano 20", "Piano 20"}));
}

} // namespace
} // namespace korvalen
