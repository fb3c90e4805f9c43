// The calendar options window with real PEOPLE and GROUP files, a scripted
// prompter, a scripted date picker, scripted people and group browses and
// stand-ins for the five report procedures that note what they were given.

#include "reports/calendaroptions.h"

#include "runtime/pictures.h"
#include "ui/formkit.h"

#include "../guifixture.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

constexpr Date kToday = 82000;

constexpr CalendarChoice kChoices[] = {CalendarChoice::Day, CalendarChoice::DayByPeople,
                                       CalendarChoice::Week, CalendarChoice::WeekSummary,
                                       CalendarChoice::FlexiblePeriod};

class CalendarOptionsTest : public testing::GuiTest
{
protected:
    // What a report stand-in was given when it started.
    struct Started
    {
        std::string procedure;
        SharedGlobals parameters;
        int copies = 0;
    };

    // What a scripted browse answers and what it saw.
    struct BrowseScript
    {
        std::string answer; // the name it chooses; empty cancels
        int calls = 0;
        int request = -1;
        std::string openedAt; // the name in the record buffer when called
    };

    void SetUp() override
    {
        m_clock = FixedClock(kToday);
        ASSERT_TRUE(openData({&data().people, &data().group}));
        procedures().setCalled("BROWSEPERSON", [this](AppContext &context) {
            answer(m_personBrowse, context, context.data.PEO.PERSON);
        });
        procedures().setCalled("BROWSEGROUPS", [this](AppContext &context) {
            answer(m_groupBrowse, context, context.data.GRO.GROUP);
        });
    }

    template <std::size_t N> void answer(BrowseScript &script, AppContext &context, Text<N> &name)
    {
        ++script.calls;
        script.request = context.globals.request;
        script.openedAt = name.str();
        if (!script.answer.empty())
            name = script.answer;
        context.globals.response = script.answer.empty() ? RequestCancelled : RequestCompleted;
    }

    // Stand-ins for the report procedures of `choices`.
    void scriptReports(std::initializer_list<CalendarChoice> choices)
    {
        for (CalendarChoice choice : choices) {
            const std::string name = calendarProcedure(choice);
            procedures().setCalled(name, [this, name](AppContext &context) {
                m_started.push_back({name, context.globals, requestedCopies(context)});
            });
        }
    }
    void scriptAllReports()
    {
        for (CalendarChoice choice : kChoices)
            scriptReports({choice});
    }

    std::unique_ptr<CalendarOptionsWindow> openWindow()
    {
        auto window = std::make_unique<CalendarOptionsWindow>(context());
        EXPECT_TRUE(window->start());
        showAndWait(*window);
        QApplication::setActiveWindow(window.get());
        return window;
    }

    SharedGlobals &globals() { return context().globals; }

    // A click on a radio button's circle (its middle may lie past its text).
    static void choose(QRadioButton *radio)
    {
        ASSERT_NE(radio, nullptr);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
    }

    BrowseScript m_personBrowse;
    BrowseScript m_groupBrowse;
    std::vector<Started> m_started;
};

TEST_F(CalendarOptionsTest, EachChoiceShowsAndEnablesItsControls)
{
    scriptAllReports();
    auto window = openWindow();
    EXPECT_TRUE(window->choiceButton(CalendarChoice::Day)->hasFocus());
    struct Expected
    {
        bool endDate, notes, person;
    };
    const Expected expected[] = {{false, true, true},
                                 {false, true, false},
                                 {false, true, true},
                                 {false, false, true},
                                 {true, false, true}};
    for (CalendarChoice choice : kChoices) {
        SCOPED_TRACE(calendarChoiceText(choice));
        const Expected &want = expected[static_cast<int>(choice)];
        choose(window->choiceButton(choice));
        EXPECT_EQ(window->endDateGroup()->isVisible(), want.endDate);
        EXPECT_EQ(window->notesBox()->isEnabled(), want.notes);
        EXPECT_EQ(window->personButton()->isEnabled(), want.person);
    }

    // Who: the person and group boxes follow the choice.
    EXPECT_FALSE(window->personBox()->isVisible());
    EXPECT_FALSE(window->groupBox()->isVisible());
    choose(window->groupButton());
    EXPECT_EQ(globals().CalWho, "Group");
    EXPECT_FALSE(window->personBox()->isVisible());
    EXPECT_TRUE(window->groupBox()->isVisible());
    choose(window->choiceButton(CalendarChoice::Week));
    choose(window->personButton());
    EXPECT_TRUE(window->personBox()->isVisible());
    EXPECT_FALSE(window->groupBox()->isVisible());
    // Enter on a choice presses no button ("..." being the first of them).
    QTest::keyClick(window->choiceButton(CalendarChoice::Week), Qt::Key_Return);
    EXPECT_EQ(m_personBrowse.calls, 0);
    EXPECT_TRUE(m_started.empty());

    // "Person" chosen before "Day by People" stays chosen, disabled, and a
    // blank person still keeps "Print" disabled.
    choose(window->choiceButton(CalendarChoice::DayByPeople));
    EXPECT_TRUE(window->personButton()->isChecked());
    EXPECT_FALSE(window->personButton()->isEnabled());
    EXPECT_TRUE(window->personBox()->isVisible());
    EXPECT_FALSE(window->printButton()->isEnabled());
}

TEST_F(CalendarOptionsTest, PrintIsDisabledWhileTheCalendarLacksWhatItNeeds)
{
    addPerson("Bo");
    addGroup("Kids");
    scriptReports({CalendarChoice::Day, CalendarChoice::FlexiblePeriod});
    auto window = openWindow();
    QPushButton *print = window->printButton();
    EXPECT_TRUE(print->isEnabled());

    // A calendar whose report is not in the program cannot be printed.
    choose(window->choiceButton(CalendarChoice::Week));
    EXPECT_FALSE(print->isEnabled());
    choose(window->choiceButton(CalendarChoice::Day));

    choose(window->personButton());
    EXPECT_FALSE(print->isEnabled()) << "a person report without a person";
    QTest::keyClicks(window->personEntry(), "Bo");
    EXPECT_TRUE(print->isEnabled());
    choose(window->groupButton());
    EXPECT_FALSE(print->isEnabled()) << "a group report without a group";
    choose(window->everyoneButton());
    EXPECT_TRUE(print->isEnabled());

    type(window->startEntry(), "");
    QTest::keyClick(window->startEntry(), Qt::Key_Backspace);
    EXPECT_FALSE(print->isEnabled()) << "a blank start date";
    enter(window->startEntry(), qs(formatDate(kToday)));

    choose(window->choiceButton(CalendarChoice::FlexiblePeriod));
    EXPECT_FALSE(print->isEnabled()) << "the period without an end";
    enter(window->endEntry(), qs(formatDate(kToday - 1)));
    EXPECT_FALSE(print->isEnabled()) << "an end before the start";
    enter(window->endEntry(), qs(formatDate(kToday)));
    EXPECT_TRUE(print->isEnabled()) << "a period of one day";

    // Back to the day: the end date hides but keeps its value.
    choose(window->choiceButton(CalendarChoice::Day));
    EXPECT_FALSE(window->endDateGroup()->isVisible());
    EXPECT_EQ(globals().CalEnd, kToday);
}

TEST_F(CalendarOptionsTest, PrintStartsTheChosenReportOnceWithItsParametersAndCopies)
{
    addPerson("Bo");
    addGroup("Kids");
    scriptAllReports();
    auto window = openWindow();
    const QString start = qs(formatDate(kToday + 3));
    for (CalendarChoice choice : kChoices) {
        SCOPED_TRACE(calendarChoiceText(choice));
        m_started.clear();
        choose(window->choiceButton(choice));
        const bool byGroup = choice == CalendarChoice::DayByPeople;
        choose(byGroup ? window->groupButton() : window->personButton());
        enter(byGroup ? window->groupEntry() : window->personEntry(), byGroup ? "Kids" : "Bo");
        enter(window->startEntry(), start);
        if (choice == CalendarChoice::FlexiblePeriod)
            enter(window->endEntry(), qs(formatDate(kToday + 9)));
        if (window->notesBox()->isEnabled())
            window->notesBox()->setChecked(false);
        type(window->copiesBox(), "3");
        click(window->printButton());

        ASSERT_EQ(m_started.size(), 1u) << "copies print as one run";
        const Started &run = m_started[0];
        EXPECT_EQ(run.procedure, calendarProcedure(choice));
        EXPECT_EQ(run.copies, 3);
        EXPECT_EQ(run.parameters.Calstart, kToday + 3);
        EXPECT_EQ(run.parameters.CalWho, byGroup ? "Group" : "Person");
        EXPECT_EQ(byGroup ? run.parameters.CalGroup.str() : run.parameters.CalPerson.str(),
                  byGroup ? "Kids" : "Bo");
        if (choice == CalendarChoice::FlexiblePeriod) {
            EXPECT_EQ(run.parameters.CalEnd, kToday + 9);
        }
        if (window->notesBox()->isEnabled()) {
            EXPECT_EQ(run.parameters.CalNotes, 0);
        }
        EXPECT_EQ(window->copiesBox()->value(), 1);
        EXPECT_EQ(requestedCopies(context()), 1) << "the count outlived its run";
        EXPECT_TRUE(window->isVisible());
        window->notesBox()->setChecked(true);
        EXPECT_EQ(globals().CalNotes, 1);
    }
}

TEST_F(CalendarOptionsTest, TheWindowShowsWhatTheReportLeftInTheParameters)
{
    // The week calendars move the start to its Monday.
    procedures().setCalled("WEEKPORT", [](AppContext &context) { context.globals.Calstart -= 1; });
    auto window = openWindow();
    choose(window->choiceButton(CalendarChoice::Week));
    click(window->printButton());
    EXPECT_EQ(window->startEntry()->text(), qs(formatDate(kToday - 1)));
}

TEST_F(CalendarOptionsTest, AnUnknownPersonOpensThePeopleBrowse)
{
    addPerson("Bo");
    scriptAllReports();
    auto window = openWindow();
    choose(window->personButton());

    // Typed and not on file: the browse opens there; cancelled, the entry
    // keeps the focus and the person stays blank.
    enter(window->personEntry(), "Zed");
    EXPECT_EQ(m_personBrowse.calls, 1);
    EXPECT_EQ(m_personBrowse.request, SelectRecord);
    EXPECT_EQ(m_personBrowse.openedAt, "Zed");
    EXPECT_TRUE(window->personEntry()->hasFocus());
    EXPECT_TRUE(globals().CalPerson.isBlank());
    // No calendar for someone not on file.
    EXPECT_FALSE(window->printButton()->isEnabled());

    m_personBrowse.answer = "Bo";
    enter(window->personEntry(), "Zed");
    EXPECT_EQ(globals().CalPerson, "Bo");
    EXPECT_EQ(window->personEntry()->text(), "Bo");
    EXPECT_TRUE(window->printButton()->isEnabled());
    // The short name's letter case counts: "bo" is not on file.
    m_personBrowse.answer.clear();
    enter(window->personEntry(), "bo");
    EXPECT_EQ(m_personBrowse.calls, 3);
}

TEST_F(CalendarOptionsTest, TabbingIntoABlankPersonOpensTheBrowseOnceOnly)
{
    auto window = openWindow();
    // The browse is a window of its own: it takes the focus, and when it
    // closes the options window is activated again.
    procedures().setCalled("BROWSEPERSON", [&](AppContext &context) {
        ++m_personBrowse.calls;
        QDialog browse;
        auto *field = new QLineEdit(&browse);
        browse.show();
        QApplication::setActiveWindow(&browse);
        field->setFocus();
        QApplication::processEvents();
        browse.close();
        QApplication::setActiveWindow(window.get());
        context.globals.response = RequestCancelled;
    });
    choose(window->personButton());
    window->personLookupButton()->setFocus();
    QTest::keyClick(window->personLookupButton(), Qt::Key_Tab);
    EXPECT_TRUE(window->personEntry()->hasFocus());
    QTest::qWait(50);
    EXPECT_EQ(m_personBrowse.calls, 1);
    EXPECT_TRUE(globals().CalPerson.isBlank());
}

TEST_F(CalendarOptionsTest, AGroupTypedInAnotherCaseIsShownAsStored)
{
    addGroup("Kids");
    auto window = openWindow();
    choose(window->groupButton());
    enter(window->groupEntry(), "kIDS");
    EXPECT_EQ(m_groupBrowse.calls, 0);
    EXPECT_EQ(globals().CalGroup, "Kids");
    EXPECT_EQ(window->groupEntry()->text(), "Kids");
}

TEST_F(CalendarOptionsTest, CalPicksTheDatesAndBadDatesAreRefused)
{
    DatePickerScript &picker = scriptDatePicker();
    auto window = openWindow();
    choose(window->choiceButton(CalendarChoice::FlexiblePeriod));
    picker.pick = kToday + 7;
    click(window->endCalButton());
    EXPECT_EQ(globals().CalEnd, kToday + 7);
    EXPECT_EQ(globals().Calstart, kToday);
    EXPECT_EQ(window->endEntry()->text(), qs(formatDate(kToday + 7)));
    picker.pick = 0;
    click(window->startCalButton());
    EXPECT_EQ(picker.calls, 2);
    EXPECT_EQ(picker.given, 0);
    EXPECT_TRUE(window->startEntry()->hasFocus());
    EXPECT_EQ(context().PickedDate, 0);

    enter(window->startEntry(), "Feb 30,2026");
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_EQ(globals().Calstart, kToday);
    EXPECT_EQ(window->startEntry()->text(), qs(formatDate(kToday)));
}

TEST_F(CalendarOptionsTest, CloseLeavesTheCancelledResponseAndReleasesTheFiles)
{
    std::string topic;
    context().showHelp = [&](const std::string &shown) { topic = shown; };
    QWidget *window = CALENDARMAIN(context());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(data().people.openCount(), 2);
    showAndWait(*window);
    auto *options = static_cast<CalendarOptionsWindow *>(window);
    click(options->helpButton());
    EXPECT_EQ(topic.rfind('~', 0), 0u) << "Help showed no topic of its own";
    globals().response = RequestCompleted;
    click(options->closeButton());
    EXPECT_EQ(globals().response, RequestCancelled);
    EXPECT_EQ(data().people.openCount(), 1);
    EXPECT_EQ(data().group.openCount(), 1);
}

} // namespace
} // namespace korvalen
