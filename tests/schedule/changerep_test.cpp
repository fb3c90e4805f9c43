// The change-scope dialog as a user answers it, and the activity form asking
// it: what it shows and answers, a cancelled question keeping the form open,
// and the answer and the irregular series' times question acted on.

#include "schedule/changerep.h"

#include "../guifixture.h"

#include "runtime/pictures.h"
#include "schedule/updateactivity.h"
#include "ui/timespinbox.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace korvalen {
namespace {

using namespace keys;

constexpr ClockTime at(int hour, int minute = 0)
{
    return hour * kHundredthsPerHour + minute * kHundredthsPerMinute + 1;
}
const Date kDay = makeDate(3, 10, 2027);

using Stored = std::tuple<std::int32_t, Date, ClockTime, ClockTime>;

class ChangeScopeDialogTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openData({&data().activity, &data().dates, &data().personAct, &data().special,
                              &data().userPref, &data().weekday, &data().group, &data().groupPeople,
                              &data().people}));
        data().USP = {at(12), kHundredthsPerHour};
        ASSERT_TRUE(data().userPref.add().ok());
        procedures().setCalled("CHANGEREP", CHANGEREP);
        context().showHelp = [this](const std::string &topic) { m_helpTopics.push_back(topic); };
    }

    // Activity 1, "Choir", weekly on three dates from kDay, 18:00 to 19:00,
    // for Ann, stored with the pattern `pattern`.
    void storeChoir(const char *pattern)
    {
        data().ACT = {};
        data().ACT.ACTNUMBER = 1;
        data().ACT.NAME = "Choir";
        data().ACT.REPEATTYPE = pattern;
        ASSERT_TRUE(data().activity.add().ok());
        for (int week = 0; week < 3; ++week) {
            data().DAT = {1, kDay + 7 * week, at(18), at(19), {}, {}};
            ASSERT_TRUE(data().dates.add().ok());
        }
        data().PER = {1, "Ann"};
        ASSERT_TRUE(data().personAct.add().ok());
    }

    // The change form of activity 1 opened on its occurrence of `date`.
    std::unique_ptr<ActivityForm> openChange(Date date)
    {
        DatesRecord selected{1, date, at(18), at(19), {}, {}};
        auto form = std::make_unique<ActivityForm>(context(), ChangeRecord);
        if (!form->load(1, selected))
            return nullptr;
        showAndWait(*form);
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        return form;
    }

    // Answers the next change-scope dialog with `scope` and OK.
    void answerScope(ChangeScope scope)
    {
        whenModal<ChangeScopeDialog>([scope](ChangeScopeDialog &dialog) {
            click(dialog.radio(scope));
            click(dialog.button("ok"));
        });
    }

    std::vector<Stored> occurrences()
    {
        return inKeyOrder(data().dates, DAT_DATETIME_KEY, [this] {
            const DatesRecord &r = data().DAT;
            return Stored{r.ACTNUMBER, r.DATE, r.TIME, r.ENDTIME};
        });
    }
    std::vector<std::string> activityNames()
    {
        return inKeyOrder(data().activity, ACT_ACTNUMBER_KEY,
                          [this] { return data().ACT.NAME.str(); });
    }

    std::vector<std::string> m_helpTopics;
};

TEST_F(ChangeScopeDialogTest, TheDialogOpensOnJustThisOneAndAnswersThroughTheGlobals)
{
    // What an earlier answer left does not count.
    context().globals.ChangeScope = "All";
    whenModal<ChangeScopeDialog>([this](ChangeScopeDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Change Repeated Activity");
        QStringList texts;
        for (const QLabel *label : dialog.findChildren<QLabel *>())
            texts << label->text();
        EXPECT_EQ(texts, (QStringList{"You are changing a repeated activity.",
                                      "Which occurrences do the changes apply to?"}));
        std::vector<std::string> radios;
        for (ChangeScope scope :
             {ChangeScope::JustThisOne, ChangeScope::All, ChangeScope::ThisOneAndFuture})
            radios.push_back(dialog.radio(scope)->text().toStdString());
        EXPECT_EQ(radios,
                  (std::vector<std::string>{"Just This One", "All", "This One and Future"}));
        EXPECT_TRUE(dialog.radio(ChangeScope::JustThisOne)->isChecked());
        EXPECT_TRUE(QTest::qWaitFor(
            [&dialog] { return dialog.radio(ChangeScope::JustThisOne)->hasFocus(); }));
        EXPECT_EQ(context().globals.ChangeScope.str(), "Just This One");
        click(dialog.button("help"));
        click(dialog.radio(ChangeScope::ThisOneAndFuture));
        click(dialog.button("ok"));
    });
    CHANGEREP(context());
    EXPECT_EQ(context().globals.response, RequestCompleted);
    EXPECT_EQ(context().globals.ChangeScope.str(), "This One and Future");
    EXPECT_EQ(m_helpTopics, std::vector<std::string>{"~CHANGEACT"});

    whenModal<ChangeScopeDialog>(
        [](ChangeScopeDialog &dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    CHANGEREP(context());
    EXPECT_EQ(context().globals.response, RequestCancelled);
}

TEST_F(ChangeScopeDialogTest, ACancelledScopeQuestionKeepsTheFormOpenWithTheFocusOnTheName)
{
    storeChoir("Fixed Weeks");
    const std::vector<Stored> stored = occurrences();
    auto form = openChange(kDay + 7);
    ASSERT_TRUE(form);
    enter(form->nameField(), "Chorus");
    form->notesField()->setFocus();
    whenModal<ChangeScopeDialog>([](ChangeScopeDialog &dialog) { click(dialog.button("cancel")); });
    form->ok();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isCompleted());
    // The window comes back to the front with the name field focused.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_TRUE(form->nameField()->hasFocus());
    EXPECT_EQ(activityNames(), std::vector<std::string>{"Choir"});
    EXPECT_EQ(occurrences(), stored);

    // Asked again, the answer is taken.
    answerScope(ChangeScope::JustThisOne);
    form->ok();
    EXPECT_TRUE(form->isCompleted());
    EXPECT_EQ(activityNames(), (std::vector<std::string>{"Choir", "*Chorus"}));
}

TEST_F(ChangeScopeDialogTest, AnIrregularSeriesAnsweredNoMovesTheLaterOccurrencesWithTheirTimes)
{
    storeChoir("Irregular Dates");
    auto form = openChange(kDay + 7);
    ASSERT_TRUE(form);
    enter(form->startField(), QString::fromStdString(formatTime(at(14))));
    enter(form->endField(), QString::fromStdString(formatTime(at(15))));
    answerScope(ChangeScope::ThisOneAndFuture);
    m_prompter.queueAnswer(ButtonNo);
    form->ok();
    ASSERT_TRUE(form->isCompleted());
    // The caller's list is left the edited occurrence, under the new number.
    const DatesRecord &left = data().DAT;
    EXPECT_EQ((Stored{left.ACTNUMBER, left.DATE, left.TIME, left.ENDTIME}),
              (Stored{2, kDay + 7, at(14), at(15)}));
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    const MessageBoxRequest &asked = m_prompter.shown()[0].request;
    EXPECT_EQ(asked.text,
              "Do you want to use 2:00PM and 3:00PM as start and end for the future occurrences.");
    EXPECT_EQ(asked.icon, MessageIcon::Exclamation);
    EXPECT_EQ(asked.buttons, ButtonYes | ButtonNo);
    EXPECT_EQ(asked.defaultButton, ButtonYes);
    EXPECT_EQ(activityNames(), (std::vector<std::string>{"Choir", "*Choir"}));
    EXPECT_EQ(occurrences(), (std::vector<Stored>{{1, kDay, at(18), at(19)},
                                                  {2, kDay + 7, at(14), at(15)},
                                                  {2, kDay + 14, at(18), at(19)}}));
}

} // namespace
} // namespace korvalen
