// The activity form as a user works it: what enables OK, the saves of a new
// and of a changed activity, the hold against a second window, the conflict
// window in the way of an OK, and the discard question; real files in the
// case's own folder, a scripted prompter, people picker and group list.

#include "schedule/updateactivity.h"

#include "../guifixture.h"

#include "runtime/pictures.h"
#include "schedule/conflictwindow.h"
#include "schedule/repeatdialog.h"
#include "storage/cursor.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
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

class ActivityFormTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openData({&data().activity, &data().dates, &data().personAct, &data().special,
                              &data().userPref, &data().weekday, &data().group, &data().groupPeople,
                              &data().people}));
        data().USP = {at(12), kHundredthsPerHour};
        ASSERT_TRUE(data().userPref.add().ok());
        scriptPeoplePicker().marked = {"Ann"};
        procedures().setCalled("BROWSEGROUPS", [this](AppContext &context) {
            context.data.GRO.GROUP = m_groupPicked;
            context.globals.response = RequestCompleted;
        });
    }

    // A form for `request`; a change is of `number` on occurrence `date`.
    std::unique_ptr<ActivityForm> open(int request, std::int32_t number = 0, Date date = 0)
    {
        DatesRecord selected;
        for (const Stored &row : occurrences())
            if (std::get<0>(row) == number && std::get<1>(row) == date)
                std::tie(selected.ACTNUMBER, selected.DATE, selected.TIME, selected.ENDTIME) = row;
        auto form = std::make_unique<ActivityForm>(context(), request);
        if (!form->load(number, selected))
            return nullptr;
        showAndWait(*form);
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        return form;
    }

    // An activity stored as a household entered it earlier.
    void store(std::int32_t number, const char *name, std::vector<Date> dates, ClockTime start,
               ClockTime end, std::vector<const char *> people)
    {
        data().ACT = {};
        data().ACT.ACTNUMBER = number;
        data().ACT.NAME = name;
        data().ACT.REPEATTYPE = dates.size() > 1 ? "Fixed Weeks" : "No Repeats";
        ASSERT_TRUE(data().activity.add().ok());
        for (Date date : dates) {
            data().DAT = {number, date, start, end, {}, {}};
            ASSERT_TRUE(data().dates.add().ok());
        }
        for (const char *person : people) {
            data().PER = {number, person};
            ASSERT_TRUE(data().personAct.add().ok());
        }
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

    // Fills a new activity as a user would: name, date, the end time
    // proposed on Tab, and the people the picker hands back.
    void fill(ActivityForm &form, const char *name, Date date, ClockTime start = 0,
              ClockTime end = 0)
    {
        enter(form.nameField(), name);
        enter(form.dateField(), QString::fromStdString(formatDate(date, "D3")));
        if (start)
            enter(form.startField(), QString::fromStdString(formatTime(start)));
        if (end)
            enter(form.endField(), QString::fromStdString(formatTime(end)));
        form.insertPeople();
    }

    std::string m_groupPicked;
};

TEST_F(ActivityFormTest, OkWaitsForNameDateBothTimesAndAPerson)
{
    auto form = open(InsertRecord);
    ASSERT_TRUE(form);
    QPushButton *ok = form->button("ok");
    QPushButton *repeat = form->button("repeat");
    EXPECT_FALSE(ok->isEnabled());
    enter(form->nameField(), "Piano");
    enter(form->dateField(), QString::fromStdString(formatDate(kDay, "D3")));
    // Tabbing into the empty end time proposes start + the usual duration.
    form->startField()->setFocus();
    QTest::keyClick(form->startField(), Qt::Key_Tab);
    EXPECT_EQ(form->endField()->value(), at(13));
    EXPECT_FALSE(ok->isEnabled()) << "nobody takes part yet";
    EXPECT_FALSE(repeat->isEnabled());
    form->insertPeople();
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_TRUE(repeat->isEnabled());
    form->nameField()->selectAll();
    QTest::keyClick(form->nameField(), Qt::Key_Backspace);
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(repeat->isEnabled()) << "Repeat... does not need a name";
}

TEST_F(ActivityFormTest, NewActivityIsStoredWholeWithItsEndTimeCorrected)
{
    store(4, "Earlier", {kDay - 7}, at(9), at(10), {"Bo"});
    auto form = open(InsertRecord);
    ASSERT_TRUE(form);
    fill(*form, "Piano", kDay, at(15), at(14));
    enter(form->nameField(), "Piano");
    form->notesField()->setPlainText("Bring the book");
    m_prompter.queueAnswer(ButtonOk);
    form->ok();
    EXPECT_TRUE(form->isCompleted());
    EXPECT_EQ(lastMessage(), "End time must be later than Start time");
    // The caller's list is left the occurrence entered, under its number.
    const DatesRecord &left = data().DAT;
    EXPECT_EQ((Stored{left.ACTNUMBER, left.DATE, left.TIME, left.ENDTIME}),
              (Stored{5, kDay, at(15), at(16)}));
    EXPECT_EQ(occurrences(),
              (std::vector<Stored>{{4, kDay - 7, at(9), at(10)}, {5, kDay, at(15), at(16)}}));
    data().ACT.ACTNUMBER = 5;
    ASSERT_TRUE(data().activity.get(ACT_ACTNUMBER_KEY).ok());
    EXPECT_EQ(data().ACT.NAME.str(), "Piano");
    EXPECT_EQ(data().ACT.REPEATTYPE.str(), "No Repeats");
    EXPECT_EQ(data().ACT.NOTES.text, "Bring the book");
    data().PER.ACTNUMBER = 5;
    ASSERT_TRUE(data().personAct.get(PER_ACTIVITY_KEY).ok());
    EXPECT_EQ(data().PER.PERSON.str(), "Ann");
}

TEST_F(ActivityFormTest, MovingOneOccurrenceOfASeriesMovesItAloneWithoutAsking)
{
    store(1, "Choir", {kDay, kDay + 7, kDay + 14}, at(18), at(19), {"Ann"});
    auto form = open(ChangeRecord, 1, kDay + 7);
    ASSERT_TRUE(form);
    EXPECT_EQ(form->summary()[0], "REPEATED");
    enter(form->dateField(), QString::fromStdString(formatDate(kDay + 8, "D3")));
    form->ok();
    EXPECT_TRUE(form->isCompleted());
    EXPECT_TRUE(m_prompter.shown().empty()) << lastMessage();
    EXPECT_EQ(occurrences(), (std::vector<Stored>{{1, kDay, at(18), at(19)},
                                                  {1, kDay + 8, at(18), at(19)},
                                                  {1, kDay + 14, at(18), at(19)}}));
}

TEST_F(ActivityFormTest, ASecondWindowOnTheSameActivityIsRefusedUntilTheFirstCloses)
{
    store(1, "Choir", {kDay}, at(18), at(19), {"Ann"});
    auto first = open(ChangeRecord, 1, kDay);
    ASSERT_TRUE(first);
    EXPECT_FALSE(open(ChangeRecord, 1, kDay));
    EXPECT_EQ(captions(), std::vector<std::string>{"Information Safeguard"});
    EXPECT_EQ(lastMessage(), "The Information window for this activity is already open.");
    first->reject();
    first.reset();
    EXPECT_TRUE(open(ChangeRecord, 1, kDay));
}

TEST_F(ActivityFormTest, CancelInTheConflictWindowClosesWithoutWritingAnything)
{
    store(1, "Swimming", {kDay}, at(10), at(11), {"Ann"});
    auto form = open(InsertRecord);
    ASSERT_TRUE(form);
    fill(*form, "Dentist", kDay, at(10, 30), at(11, 30));
    bool skipOffered = true;
    whenModal<ConflictWindow>([&](ConflictWindow &window) {
        skipOffered = window.decisionButton(ConflictChoice::Skip)->isEnabled();
        window.decide(ConflictChoice::Cancel);
    });
    form->ok();
    EXPECT_FALSE(skipOffered) << "a single date has nothing to skip to";
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->isCompleted());
    EXPECT_EQ(activityNames(), std::vector<std::string>{"Swimming"});
    EXPECT_EQ(occurrences().size(), 1u);
}

TEST_F(ActivityFormTest, NotesTypedBeforeAnAcceptedConflictAreSaved)
{
    store(1, "Swimming", {kDay}, at(10), at(11), {"Ann"});
    auto form = open(InsertRecord);
    ASSERT_TRUE(form);
    fill(*form, "Dentist", kDay, at(10, 30), at(11, 30));
    form->notesField()->setPlainText("Fasting");
    whenModal<ConflictWindow>(
        [](ConflictWindow &window) { window.decide(ConflictChoice::Accept); });
    form->ok();
    ASSERT_TRUE(form->isCompleted());
    data().ACT.ACTNUMBER = 2;
    ASSERT_TRUE(data().activity.get(ACT_ACTNUMBER_KEY).ok());
    EXPECT_EQ(data().ACT.NOTES.text, "Fasting");
    EXPECT_EQ(data().ACT.NAME.str(), "Dentist");
}

TEST_F(ActivityFormTest, OnlyRealChangesRaiseTheDiscardQuestion)
{
    store(1, "Choir", {kDay}, at(18), at(19), {"Ann"});
    addMember("Singers", "Bo");
    m_groupPicked = "Singers";
    auto form = open(ChangeRecord, 1, kDay);
    ASSERT_TRUE(form);
    form->addGroup();
    EXPECT_EQ(form->peopleList()->model()->rowCount(), 2);
    form->reject();
    EXPECT_TRUE(m_prompter.shown().empty()) << "a group added is no reason to ask";
    EXPECT_FALSE(form->isVisible());

    form = open(ChangeRecord, 1, kDay);
    ASSERT_TRUE(form);
    enter(form->nameField(), "Chorus");
    m_prompter.queueAnswer(ButtonNo);
    form->reject();
    EXPECT_EQ(lastMessage(), "Discard the changes you made to this entry?");
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->nameField()->hasFocus());
}

TEST_F(ActivityFormTest, TheProcedureAnswersCompletedOnlyForASave)
{
    auto run = [this](int request) {
        context().globals.request = request;
        UPDATEACT(context());
        return context().globals.response;
    };
    whenModal<ActivityForm>([this](ActivityForm &form) {
        fill(form, "Piano", kDay, at(15), at(16));
        form.ok();
    });
    EXPECT_EQ(run(InsertRecord), RequestCompleted);
    EXPECT_EQ(activityNames(), std::vector<std::string>{"Piano"});
    EXPECT_EQ(run(DeleteRecord), RequestCancelled);
    EXPECT_EQ(captions().back(), "Invalid Request") << "no caller deletes through the form";
}

} // namespace
} // namespace korvalen
