// The "Delete Activities" window as a list calls it: what it asks for one
// occurrence and for several, that Enter answers No, and what the user is
// told when the delete cannot be done.

#include "schedule/deleteactivity.h"

#include "../guifixture.h"
#include "storage/lockfile.h"
#include "storage/table.h"
#include "storage/warnings.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace korvalen::testing {
namespace {

using namespace keys;

constexpr ClockTime at(int hour)
{
    return hour * kHundredthsPerHour + 1;
}

const Date kDay = makeDate(6, 2, 2027);

class DeleteActivityTest : public GuiTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openData({&data().activity, &data().dates, &data().personAct}));
    }

    // Activity 1 with one person and an occurrence on each of `days` after
    // kDay; returns the record numbers of the occurrences.
    std::vector<std::int64_t> addSeries(std::initializer_list<int> days)
    {
        m_activityRecord = addActivity("");
        data().PER = {1, Text<10>("Ann")};
        EXPECT_TRUE(data().personAct.add().ok());
        std::vector<std::int64_t> numbers;
        for (int day : days) {
            data().DAT = {};
            data().DAT.ACTNUMBER = 1;
            data().DAT.DATE = kDay + day;
            data().DAT.TIME = at(10);
            data().DAT.ENDTIME = at(11);
            EXPECT_TRUE(data().dates.add().ok());
            numbers.push_back(data().dates.current().recordNumber);
        }
        return numbers;
    }

    // What a list does before it calls DELACT: the highlighted occurrence
    // read into the DATES buffer, its activity number into ACTIVITY's.
    void highlight(std::int64_t recordNumber)
    {
        ASSERT_TRUE(data().dates.getByRecordNumber(recordNumber).ok());
        data().ACT.ACTNUMBER = data().DAT.ACTNUMBER;
    }

    // The dates of activity 1 still stored.
    std::vector<Date> datesLeft()
    {
        std::vector<Date> dates;
        TypedCursor<DatesRecord> cursor(data().dates, DAT_DATETIME_KEY);
        while (cursor.next().ok())
            dates.push_back(cursor.record().DATE);
        return dates;
    }

    bool activityStored()
    {
        ActivityRecord probe;
        probe.ACTNUMBER = 1;
        return readByKey(data().activity, ACT_ACTNUMBER_KEY, probe).ok();
    }

    std::int64_t m_activityRecord = 0;
};

TEST_F(DeleteActivityTest, SingleOccurrenceOnlyConfirmsAndYesTakesTheWholeActivity)
{
    const auto occurrences = addSeries({0});
    highlight(occurrences[0]);
    bool groupShown = true;
    whenModal<DeleteActivityDialog>([&](DeleteActivityDialog &dialog) {
        groupShown = dialog.scopeGroup()->isVisible();
        click(dialog.yesButton());
    });
    context().globals.response = RequestCompleted;
    DELACT(context());

    EXPECT_FALSE(groupShown);
    EXPECT_TRUE(datesLeft().empty());
    EXPECT_FALSE(activityStored());
    EXPECT_EQ(context().globals.response, RequestCancelled);
    EXPECT_TRUE(m_prompter.shown().empty());
}

TEST_F(DeleteActivityTest, RepeatedActivityOffersTheScopesAndDeletesAsChosen)
{
    const auto occurrences = addSeries({0, 7, 14});
    highlight(occurrences[1]);
    bool groupShown = false;
    bool justThisOneFirst = false;
    whenModal<DeleteActivityDialog>([&](DeleteActivityDialog &dialog) {
        groupShown = dialog.scopeGroup()->isVisible();
        justThisOneFirst = dialog.scopeButton(DeleteScope::JustThisOne)->isChecked();
        click(dialog.scopeButton(DeleteScope::ThisOneAndFuture));
        click(dialog.yesButton());
    });
    DELACT(context());

    EXPECT_TRUE(groupShown);
    EXPECT_TRUE(justThisOneFirst);
    EXPECT_EQ(datesLeft(), std::vector<Date>{kDay});
    EXPECT_TRUE(activityStored());
}

TEST_F(DeleteActivityTest, EnterAnswersNoAndDeletesNothing)
{
    const auto occurrences = addSeries({0, 7});
    highlight(occurrences[0]);
    bool noIsDefault = false;
    whenModal<DeleteActivityDialog>([&](DeleteActivityDialog &dialog) {
        noIsDefault = dialog.noButton()->isDefault();
        // Enter where the window puts the focus: on the scope chosen.
        QWidget *focus = dialog.focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Qt::Key_Return);
        if (dialog.isVisible()) {
            ADD_FAILURE() << "Enter left the window open";
            dialog.reject();
        }
    });
    DELACT(context());

    EXPECT_TRUE(noIsDefault);
    EXPECT_EQ(datesLeft(), (std::vector<Date>{kDay, kDay + 7}));
    EXPECT_TRUE(activityStored());
    EXPECT_EQ(context().globals.response, RequestCancelled);
}

TEST_F(DeleteActivityTest, ActivityWhoseFormIsOpenIsLeftAloneWithTheSafeguardMessage)
{
    const auto occurrences = addSeries({0, 7});
    RecordHold formOpen;
    ASSERT_TRUE(data().activity.hold(formOpen, m_activityRecord, 0).ok());
    highlight(occurrences[0]);
    whenModal<DeleteActivityDialog>(
        [&](DeleteActivityDialog &dialog) { click(dialog.yesButton()); });
    DELACT(context());

    ASSERT_EQ(m_prompter.shown().size(), 1u);
    const MessageBoxRequest &shown = m_prompter.shown().front().request;
    EXPECT_EQ(shown.caption, "Information Safeguard");
    EXPECT_EQ(shown.icon, MessageIcon::Information);
    EXPECT_EQ(shown.buttons, ButtonOk);
    EXPECT_EQ(datesLeft().size(), 2u);
}

TEST_F(DeleteActivityTest, OccurrenceDeletedElsewhereWhileAskingIsReportedAndNothingElseGoes)
{
    const auto occurrences = addSeries({0, 7});
    highlight(occurrences[1]);
    whenModal<DeleteActivityDialog>([&](DeleteActivityDialog &dialog) {
        ASSERT_TRUE(
            data()
                .database
                .execute("DELETE FROM DATES.rec WHERE recno = " + std::to_string(occurrences[1]))
                .ok());
        click(dialog.scopeButton(DeleteScope::All));
        click(dialog.yesButton());
    });
    DELACT(context());

    const Warning changedElsewhere = composeWarning(WarningKind::UpdateOperationError,
                                                    Status(ErrorCode::ChangedByOther, ""), "DATES");
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    EXPECT_EQ(m_prompter.shown().front().request.text, changedElsewhere.box.text);
    EXPECT_EQ(datesLeft(), std::vector<Date>{kDay});
    EXPECT_TRUE(activityStored());
}

} // namespace
} // namespace korvalen::testing
