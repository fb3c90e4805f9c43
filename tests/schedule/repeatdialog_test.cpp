// "Activity Repeats" and its two parameter dialogs, offscreen, on a WEEKDAY
// file in a folder of the case's own, with a scripted prompter and date
// picker.

#include "schedule/repeatdialog.h"
#include "schedule/repeatparameters.h"

#include "../guifixture.h"
#include "runtime/pictures.h"
#include "ui/browselist.h"
#include "ui/timespinbox.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

constexpr ClockTime kTen = 10 * kHundredthsPerHour + 1;
constexpr ClockTime kEleven = 11 * kHundredthsPerHour + 1;
constexpr ClockTime kHour = kHundredthsPerHour;

class RepeatDialogTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock.setToday(m_today);
        ASSERT_TRUE(openData({&data().weekday}));
        for (int day = 1; day <= 7; ++day) {
            data().WEE.DAY = korvalen::weekdayName(day % 7);
            data().WEE.DAYNUMBER = static_cast<std::uint8_t>(day);
            ASSERT_TRUE(data().weekday.add().ok());
        }
        scriptDatePicker();
        m_activity.ACTNUMBER = 7;
    }

    // The activity's occurrences on `dates`, 10:00 to 11:00, the one on
    // `selected` being edited.
    void occurrences(std::initializer_list<Date> dates, Date selected)
    {
        m_queue.clear();
        for (Date date : dates)
            m_queue.insert({m_activity.ACTNUMBER, date, kTen, kEleven});
        m_queue.current = {m_activity.ACTNUMBER, selected, kTen, kEleven};
    }

    std::unique_ptr<RepeatDialog> openRepeats(std::string_view pattern)
    {
        m_activity.REPEATTYPE = pattern;
        auto dialog =
            std::make_unique<RepeatDialog>(context(), nullptr, m_activity, m_queue, kHour);
        showAndWait(*dialog);
        return dialog;
    }

    std::vector<Date> dates() const
    {
        std::vector<Date> found;
        for (const Occurrence &entry : m_queue.entries())
            found.push_back(entry.date);
        return found;
    }

    static QString checkedPattern(const RepeatDialog &dialog)
    {
        for (std::string_view pattern : {kNoRepeats, kFixedWeeks, kIrregularDates, kFixedDays,
                                         kFixedMonths, kSpecificWeekday}) {
            if (dialog.patternButton(pattern)->isChecked())
                return QString::fromUtf8(pattern.data(), static_cast<qsizetype>(pattern.size()));
        }
        return {};
    }

    // OK in a modal parameter dialog; one that stays open fails the case
    // and is closed, so that the case goes on.
    static void pressOk(RepeatParameterDialog &window)
    {
        click(window.okButton());
        if (window.isVisible()) {
            ADD_FAILURE() << "OK left " << window.windowTitle().toStdString() << " open";
            window.reject();
        }
    }

    // Keys as a user gives them: to whichever control has the focus.
    static void typeKeys(const QString &text)
    {
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    static void pressKey(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

    const Date m_today = makeDate(3, 1, 2026);
    const Date m_mar3 = makeDate(3, 3, 2026); // a Tuesday
    ActivityRecord m_activity;
    OccurrenceQueue m_queue;
};

// ---------------------------------------------------------------------------
// Choosing a pattern

TEST_F(RepeatDialogTest, QuestionsComeOnlyWithSeveralOccurrencesAndNoChangesNothing)
{
    for (bool several : {false, true}) {
        SCOPED_TRACE(several ? "three occurrences" : "one occurrence");
        if (several)
            occurrences({m_mar3 - 7, m_mar3, m_mar3 + 7}, m_mar3);
        else
            occurrences({m_mar3}, m_mar3);
        const std::vector<Date> before = dates();
        m_prompter.clear();
        auto dialog = openRepeats(kIrregularDates);
        whenModal<FixedPeriodDialog>([this](FixedPeriodDialog &window) {
            window.numberField()->setValue(1);
            type(window.untilField(), QString::fromStdString(formatDate(m_mar3 + 14)));
            pressOk(window);
        });
        click(dialog->patternButton(kFixedWeeks));
        if (!several) {
            EXPECT_TRUE(m_prompter.shown().empty());
            EXPECT_EQ(dialog->response(), RequestCompleted);
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(m_activity.REPEATTYPE, kFixedWeeks);
            EXPECT_EQ(dates(), (std::vector<Date>{m_mar3, m_mar3 + 7, m_mar3 + 14}));
            continue;
        }
        ASSERT_EQ(m_prompter.shown().size(), 1u);
        const MessageBoxRequest &asked = m_prompter.shown()[0].request;
        EXPECT_EQ(asked.text, "Any repeats of this activity scheduled for after this occurrence "
                              "of the activity may be changed.  Continue?");
        EXPECT_EQ(asked.icon, MessageIcon::Exclamation);
        EXPECT_EQ(asked.buttons, ButtonYes | ButtonNo);
        EXPECT_EQ(asked.defaultButton, ButtonNo);
        // Declined: the list and the pattern stay, the parameters given stay
        // in the activity, and the window stays open on the stored pattern.
        EXPECT_EQ(dates(), before);
        EXPECT_EQ(m_activity.REPEATTYPE, kIrregularDates);
        EXPECT_EQ(m_activity.REPNUMBER, 1);
        EXPECT_EQ(m_activity.REPEND, m_mar3 + 14);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(checkedPattern(*dialog), "Irregular Dates");

        // "No Repeats" asks the same way; No keeps every date.
        m_prompter.clear();
        click(dialog->patternButton(kNoRepeats));
        ASSERT_EQ(m_prompter.shown().size(), 1u);
        EXPECT_EQ(m_prompter.shown()[0].request.defaultButton, ButtonNo);
        EXPECT_EQ(dates(), before);
        EXPECT_EQ(checkedPattern(*dialog), "Irregular Dates");

        // Yes regenerates from the occurrence the window was opened from,
        // not from the highlighted date, and keeps the dates before it.
        ASSERT_EQ(dialog->highlightedRow(), 0);
        whenModal<FixedPeriodDialog>([this](FixedPeriodDialog &window) {
            window.numberField()->setValue(1);
            type(window.untilField(), QString::fromStdString(formatDate(m_mar3 + 14)));
            pressOk(window);
        });
        m_prompter.queueAnswer(ButtonYes);
        click(dialog->patternButton(kFixedWeeks));
        EXPECT_EQ(dialog->response(), RequestCompleted);
        EXPECT_EQ(dates(), (std::vector<Date>{m_mar3 - 7, m_mar3, m_mar3 + 7, m_mar3 + 14}));
        EXPECT_EQ(m_queue.current.date, m_mar3);
    }
}

TEST_F(RepeatDialogTest, NoRepeatsKeepsTheHighlightedDateOrTheSelectedOccurrence)
{
    const std::vector<Date> series = {m_mar3, m_mar3 + 7, m_mar3 + 14};
    for (std::string_view pattern : {kIrregularDates, kFixedWeeks}) {
        SCOPED_TRACE(std::string(pattern));
        occurrences({series[0], series[1], series[2]}, series[1]);
        auto dialog = openRepeats(pattern);
        if (pattern == kIrregularDates) {
            EXPECT_EQ(dialog->highlightedRow(), 0); // opens on the first row
            dialog->highlightRow(2);
        }
        m_prompter.queueAnswer(ButtonYes);
        click(dialog->patternButton(kNoRepeats));
        const Date kept = pattern == kIrregularDates ? series[2] : series[1];
        EXPECT_EQ(dates(), std::vector<Date>{kept});
        EXPECT_EQ(m_activity.REPEATTYPE, kNoRepeats);
        EXPECT_EQ(dialog->selected().date, kept);
        EXPECT_FALSE(dialog->irregularGroup()->isVisible());
        EXPECT_TRUE(dialog->isVisible());
    }
}

TEST_F(RepeatDialogTest, CancelledParametersPutTheOptionBackOnTheStoredPattern)
{
    occurrences({m_mar3, m_mar3 + 7}, m_mar3);
    auto dialog = openRepeats(kFixedWeeks);
    m_activity.REPNUMBER = 1;
    whenModal<WeekdayDialog>([](WeekdayDialog &window) { click(window.cancelButton()); });
    click(dialog->patternButton(kSpecificWeekday));
    EXPECT_EQ(checkedPattern(*dialog), "Fixed Weeks");
    EXPECT_TRUE(dialog->fixedGroup()->isVisible());
    EXPECT_FALSE(dialog->weekdayGroup()->isVisible());

    whenModal<FixedPeriodDialog>([](FixedPeriodDialog &window) { click(window.cancelButton()); });
    click(dialog->patternButton(kFixedMonths));
    EXPECT_EQ(checkedPattern(*dialog), "Fixed Weeks");
    EXPECT_EQ(m_activity.REPEATTYPE, kFixedWeeks);
    EXPECT_EQ(dates(), (std::vector<Date>{m_mar3, m_mar3 + 7}));
    EXPECT_TRUE(m_prompter.shown().empty());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(RepeatDialogTest, TheStoredPatternOpensItsDialogOnlyThroughChange)
{
    occurrences({m_mar3}, m_mar3);
    m_activity.REPNUMBER = 2;
    m_activity.REPEND = m_mar3 + 30;
    auto dialog = openRepeats(kFixedDays);
    // Clicking the pattern already stored does nothing more.
    click(dialog->patternButton(kFixedDays));
    EXPECT_TRUE(dialog->isVisible());
    // Change opens the dialog on the stored values and generates anew.
    whenModal<FixedPeriodDialog>([this](FixedPeriodDialog &window) {
        EXPECT_EQ(window.number(), 2);
        EXPECT_EQ(window.until(), m_mar3 + 30);
        EXPECT_EQ(window.unitLabel()->text(), "Days");
        window.numberField()->setValue(10);
        pressOk(window);
    });
    click(dialog->fixedChangeButton());
    EXPECT_EQ(dialog->response(), RequestCompleted);
    EXPECT_EQ(dates(), (std::vector<Date>{m_mar3, m_mar3 + 10, m_mar3 + 20, m_mar3 + 30}));
}

TEST_F(RepeatDialogTest, ChangeActsWhenTabbedToButNotWhenTheWindowComesBack)
{
    occurrences({m_mar3}, m_mar3);
    m_activity.REPNUMBER = 1;
    m_activity.REPEND = m_mar3 + 7;
    auto dialog = openRepeats(kFixedWeeks);
    int opened = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&opened] {
        if (auto *window = dynamic_cast<FixedPeriodDialog *>(QApplication::activeModalWidget())) {
            ++opened;
            window->reject();
        }
    });
    closer.start(5);
    QRadioButton *weeks = dialog->patternButton(kFixedWeeks);
    dialog->activateWindow();
    weeks->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(weeks, Qt::Key_Tab);
    QTest::qWait(100);
    EXPECT_EQ(opened, 1);
    // The focus is back on the option box (the window's own focus, which it
    // gets again when it is activated).
    EXPECT_EQ(dialog->focusWidget(), weeks);
    // The focus given back by an activated window opens nothing.
    QFocusEvent regained(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(dialog->fixedChangeButton(), &regained);
    QTest::qWait(50);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(RepeatDialogTest, TheStatusLineShowsEachPatternTipWhole)
{
    occurrences({m_mar3}, m_mar3);
    auto dialog = openRepeats(kNoRepeats);
    auto *line = dialog->findChild<QStatusBar *>();
    ASSERT_NE(line, nullptr);
    for (std::string_view pattern :
         {kNoRepeats, kFixedWeeks, kIrregularDates, kFixedDays, kFixedMonths, kSpecificWeekday}) {
        QRadioButton *radio = dialog->patternButton(pattern);
        SCOPED_TRACE(radio->text().toStdString());
        radio->setFocus(Qt::TabFocusReason);
        QTest::qWait(20);
        EXPECT_EQ(line->currentMessage(), radio->statusTip());
        EXPECT_GT(line->width(), line->fontMetrics().horizontalAdvance(radio->statusTip()));
    }
}

// ---------------------------------------------------------------------------
// Irregular dates

TEST_F(RepeatDialogTest, IrregularDatesAreInsertedAndDeleted)
{
    occurrences({m_mar3, m_mar3 + 7}, m_mar3);
    auto dialog = openRepeats(kIrregularDates);
    EXPECT_FALSE(dialog->dateEntryGroup()->isVisible());
    dialog->highlightRow(1);
    click(dialog->insertButton());
    ASSERT_TRUE(dialog->dateEntryGroup()->isVisible());
    EXPECT_TRUE(dialog->dateField()->text().isEmpty());
    // The times are the highlighted row's.
    EXPECT_EQ(dialog->startTimeField()->value(), kTen);
    EXPECT_EQ(dialog->endTimeField()->value(), kEleven);

    // A blank date adds nothing and says nothing.
    enter(dialog->dateField(), "");
    EXPECT_EQ(m_queue.size(), 2u);
    enter(dialog->dateField(), QString::fromStdString(formatDate(m_mar3 + 2)));
    EXPECT_EQ(dates(), (std::vector<Date>{m_mar3, m_mar3 + 2, m_mar3 + 7}));
    EXPECT_EQ(m_queue[1], (Occurrence{7, m_mar3 + 2, kTen, kEleven}));
    EXPECT_EQ(dialog->highlightedRow(), 1);

    // The date picker adds the date it picks, and the caller's request and
    // response are as they were.
    context().globals.request = InsertRecord;
    context().globals.response = 0;
    datePicker().pick = m_mar3 + 3;
    click(dialog->calendarButton());
    EXPECT_EQ(datePicker().request, SelectRecord);
    EXPECT_EQ(datePicker().given, 0);
    EXPECT_EQ(context().globals.request, InsertRecord);
    EXPECT_EQ(context().globals.response, 0);
    EXPECT_EQ(dates(), (std::vector<Date>{m_mar3, m_mar3 + 2, m_mar3 + 3, m_mar3 + 7}));
    // The window coming back after the picker keeps the picked date shown;
    // the user's own move into the field clears it for a new date.
    const QString picked = dialog->dateField()->text();
    EXPECT_EQ(picked.toStdString(), formatDate(m_mar3 + 3));
    QFocusEvent regained(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(dialog->dateField(), &regained);
    EXPECT_EQ(dialog->dateField()->text(), picked);
    QFocusEvent tabbed(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(dialog->dateField(), &tabbed);
    EXPECT_TRUE(dialog->dateField()->text().isEmpty());

    // Delete takes the highlighted row and keeps the highlight's place.
    dialog->highlightRow(1);
    click(dialog->deleteButton());
    EXPECT_EQ(dates(), (std::vector<Date>{m_mar3, m_mar3 + 3, m_mar3 + 7}));
    EXPECT_EQ(dialog->highlightedRow(), 1);
    dialog->highlightRow(2);
    QTest::keyClick(dialog->datesList(), Qt::Key_D);
    EXPECT_EQ(dates(), (std::vector<Date>{m_mar3, m_mar3 + 3}));
    EXPECT_EQ(dialog->highlightedRow(), 1);
    for (int i = 0; i < 2; ++i)
        click(dialog->deleteButton());
    EXPECT_TRUE(m_queue.empty());
    EXPECT_FALSE(dialog->deleteButton()->isEnabled());
    EXPECT_FALSE(dialog->datesList()->isEnabled());
    EXPECT_TRUE(m_prompter.shown().empty());
}

TEST_F(RepeatDialogTest, AnIrregularDateWithoutAStartTimeIsRefused)
{
    occurrences({m_mar3}, m_mar3);
    auto dialog = openRepeats(kIrregularDates);
    click(dialog->insertButton());
    TimeSpinBox *start = dialog->startTimeField();
    start->setFocus();
    start->selectAll();
    QTest::keyClick(start, Qt::Key_Delete);
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(dialog->startTimeField()->value(), 0);
    EXPECT_TRUE(dialog->startTimeField()->text().isEmpty());
    enter(dialog->dateField(), QString::fromStdString(formatDate(m_mar3 + 1)));
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    const MessageBoxRequest &shown = m_prompter.shown()[0].request;
    EXPECT_EQ(shown.text, "Missing or Wrong Times");
    EXPECT_EQ(shown.icon, MessageIcon::Information);
    EXPECT_EQ(shown.buttons, ButtonOk);
    EXPECT_EQ(dates(), std::vector<Date>{m_mar3});
    EXPECT_TRUE(dialog->startTimeField()->hasFocus());
}

TEST_F(RepeatDialogTest, AnEndTimeNotAfterTheStartBecomesStartPlusDuration)
{
    occurrences({m_mar3}, m_mar3);
    auto dialog = openRepeats(kIrregularDates);
    click(dialog->insertButton());
    enter(dialog->startTimeField(), "11:30pm");
    enter(dialog->endTimeField(), "11pm");
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    EXPECT_EQ(m_prompter.shown()[0].request.text, "End time must be later than Start time");
    // Past midnight it stops at the end of the day.
    EXPECT_EQ(dialog->endTimeField()->value(), kHundredthsPerDay);
    EXPECT_TRUE(dialog->endTimeField()->hasFocus());
}

TEST(TimeSpinBoxTest, HoldsNoTimeStepsWithinTheDayAndKeepsHiddenSeconds)
{
    TimeSpinBox box;
    int edits = 0;
    QObject::connect(&box, &TimeSpinBox::valueEdited, [&edits] { ++edits; });
    EXPECT_EQ(box.value(), 0);
    EXPECT_TRUE(box.text().isEmpty());
    box.stepBy(1); // from no time to midnight
    EXPECT_EQ(box.value(), 1);
    box.setValue(kHundredthsPerDay - 100);
    box.stepBy(1);
    EXPECT_EQ(box.value(), kHundredthsPerDay);
    // Noon with its hidden part, accepted as shown, stays what it was.
    const ClockTime noon = 12 * kHundredthsPerHour + 400;
    box.setValue(noon);
    edits = 0;
    EXPECT_TRUE(box.acceptTyped());
    EXPECT_EQ(box.value(), noon);
    EXPECT_EQ(edits, 0);
    box.findChild<QLineEdit *>()->setText("noonish");
    EXPECT_FALSE(box.acceptTyped());
    EXPECT_EQ(box.value(), noon);
}

// ---------------------------------------------------------------------------
// The parameter dialogs

TEST_F(RepeatDialogTest, TheMonthWarningIsOnlyForMonthsFromThe29th)
{
    const struct
    {
        RepeatUnit unit;
        int day;
        bool warned;
    } cases[] = {{RepeatUnit::Months, 28, false},
                 {RepeatUnit::Months, 29, true},
                 {RepeatUnit::Months, 31, true},
                 {RepeatUnit::Weeks, 31, false},
                 {RepeatUnit::Days, 30, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.day) + " " + std::string(repeatUnitText(c.unit)));
        m_prompter.clear();
        FixedPeriodDialog dialog(context(), nullptr, m_activity, c.unit, makeDate(1, c.day, 2026));
        showAndWait(dialog);
        enter(dialog.numberField(), "2");
        ASSERT_EQ(m_prompter.shown().size(), c.warned ? 1u : 0u);
        if (!c.warned) {
            EXPECT_FALSE(dialog.numberField()->hasFocus());
            continue;
        }
        const MessageBoxRequest &shown = m_prompter.shown()[0].request;
        EXPECT_EQ(shown.text, "Warning: If a month does not have enough days, the activity will "
                              "scheduled for the next month. Continue?");
        EXPECT_EQ(shown.defaultButton, ButtonNo);
        // No keeps the focus on the number.
        EXPECT_TRUE(dialog.numberField()->hasFocus());
    }
}

TEST_F(RepeatDialogTest, EnterOrTabAfterTheNumberAndTheUntilDateKeepsBothAndGoesOn)
{
    for (Qt::Key move : {Qt::Key_Return, Qt::Key_Tab}) {
        SCOPED_TRACE(move == Qt::Key_Return ? "Enter" : "Tab");
        occurrences({m_mar3}, m_mar3);
        auto dialog = openRepeats(kNoRepeats);
        const Date until = makeDate(3, 17, 2026);
        ASSERT_EQ(until, m_mar3 + 14);
        whenModal<FixedPeriodDialog>([&](FixedPeriodDialog &window) {
            bool ready = QTest::qWaitForWindowExposed(&window);
            window.activateWindow();
            if (!ready || !QTest::qWaitForWindowActive(&window) ||
                !window.numberField()->hasFocus()) {
                ADD_FAILURE() << "the window opened without the focus on the number";
                window.reject();
                return;
            }
            typeKeys("1");
            pressKey(move);
            EXPECT_TRUE(window.untilField()->hasFocus());
            typeKeys("3/17/2026"); // as a user types it
            pressKey(move);
            QApplication::processEvents();
            if (!window.isVisible()) {
                ADD_FAILURE() << "the keys closed the window";
                return;
            }
            EXPECT_EQ(window.until(), until);
            EXPECT_EQ(window.untilField()->text().toStdString(), formatDate(until));
            pressOk(window);
        });
        click(dialog->patternButton(kFixedWeeks));
        EXPECT_EQ(dialog->response(), RequestCompleted);
        EXPECT_EQ(m_activity.REPEATTYPE, kFixedWeeks);
        EXPECT_EQ(dates(), (std::vector<Date>{m_mar3, m_mar3 + 7, m_mar3 + 14}));
    }
}

TEST_F(RepeatDialogTest, AnUntilDateThatIsNoDateIsRefusedWithItsReason)
{
    m_activity.REPEATTYPE = kFixedDays;
    m_activity.REPNUMBER = 2;
    m_activity.REPEND = m_mar3 + 30;
    FixedPeriodDialog window(context(), nullptr, m_activity, RepeatUnit::Days, m_mar3);
    showAndWait(window);
    const QString held = window.untilField()->text();
    enter(window.untilField(), "2/30/2026");
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_EQ(window.until(), m_mar3 + 30);
    EXPECT_EQ(window.untilField()->text(), held);
    EXPECT_TRUE(window.untilField()->hasFocus());
    const QString reason = window.findChild<QStatusBar *>()->currentMessage();
    EXPECT_TRUE(reason.contains("2/30/2026")) << reason.toStdString();
}

TEST_F(RepeatDialogTest, OkStaysDisabledForAnUntilDateBeforeToday)
{
    const QString yesterday = QString::fromStdString(formatDate(m_today - 1));
    const QString today = QString::fromStdString(formatDate(m_today));
    FixedPeriodDialog fixed(context(), nullptr, m_activity, RepeatUnit::Weeks, m_mar3);
    showAndWait(fixed);
    fixed.numberField()->setValue(1);
    type(fixed.untilField(), yesterday);
    EXPECT_FALSE(fixed.okButton()->isEnabled());
    type(fixed.untilField(), today);
    EXPECT_TRUE(fixed.okButton()->isEnabled());
    fixed.numberField()->setValue(0);
    EXPECT_FALSE(fixed.okButton()->isEnabled());

    WeekdayDialog weekday(context(), nullptr, m_activity, m_mar3);
    ASSERT_TRUE(weekday.start());
    showAndWait(weekday);
    type(weekday.untilField(), yesterday);
    EXPECT_FALSE(weekday.okButton()->isEnabled());
    type(weekday.untilField(), today);
    EXPECT_TRUE(weekday.okButton()->isEnabled());
}

TEST_F(RepeatDialogTest, TheWeekdayListChoosesOnlyByEnterOrClick)
{
    m_activity.REPEATTYPE = kSpecificWeekday;
    m_activity.WEEK = "2nd ";
    m_activity.WEEKDAY = 4;
    m_activity.REPEND = m_mar3 + 60;
    enum Move
    {
        ArrowOnly,
        ArrowAndEnter
    };
    for (Move move : {ArrowOnly, ArrowAndEnter}) {
        whenModal<WeekdayDialog>([move](WeekdayDialog &window) {
            BrowseList *list = window.weekdayList();
            ASSERT_GT(list->browse().currentRow(), 0);
            const BrowseRow *row = list->browse().pages().current();
            EXPECT_EQ(static_cast<const WeekdayRecord *>(row->record.get())->DAYNUMBER, 4);
            EXPECT_TRUE(window.weekButton(1)->isChecked());
            QTest::keyClick(list->table(), Qt::Key_Down);
            if (move == ArrowAndEnter)
                QTest::keyClick(list->table(), Qt::Key_Return);
            pressOk(window);
        });
        ActivityRecord edited = m_activity;
        ASSERT_EQ(runWeekdayDialog(context(), nullptr, edited, m_mar3), RequestCompleted);
        EXPECT_EQ(edited.WEEKDAY, move == ArrowOnly ? 4 : 5);
        EXPECT_EQ(edited.WEEK, "2nd ");
        EXPECT_EQ(edited.REPEND, m_mar3 + 60);
    }
}

TEST_F(RepeatDialogTest, TabGoesFromTheWeekdayListThroughTheWeekToTheUntilDate)
{
    WeekdayDialog window(context(), nullptr, m_activity, m_mar3);
    ASSERT_TRUE(window.start());
    showAndWait(window);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_TRUE(window.weekdayList()->table()->hasFocus());
    pressKey(Qt::Key_Tab);
    EXPECT_TRUE(window.weekButton(0)->hasFocus());
    pressKey(Qt::Key_Tab);
    ASSERT_TRUE(window.untilField()->hasFocus());
    typeKeys("6/30/2026");
    pressKey(Qt::Key_Return);
    EXPECT_EQ(window.until(), makeDate(6, 30, 2026));
    EXPECT_TRUE(window.calendarButton()->hasFocus());
    EXPECT_EQ(window.weekday(), 1); // the list was left, not walked
}

TEST_F(RepeatDialogTest, SpecificWeekdayGeneratesAndShowsTheStoredDay)
{
    occurrences({m_mar3}, m_mar3);
    auto dialog = openRepeats(kNoRepeats);
    whenModal<WeekdayDialog>([this](WeekdayDialog &window) {
        click(window.weekButton(4)); // "Last "
        type(window.untilField(), QString::fromStdString(formatDate(makeDate(5, 31, 2026))));
        pressOk(window);
    });
    click(dialog->patternButton(kSpecificWeekday));
    EXPECT_EQ(m_activity.REPEATTYPE, kSpecificWeekday);
    EXPECT_EQ(m_activity.WEEK, "Last");
    EXPECT_EQ(m_activity.WEEKDAY, 1);
    // The last Mondays of April and May after the selected date.
    EXPECT_EQ(dates(), (std::vector<Date>{m_mar3, makeDate(4, 27, 2026), makeDate(5, 25, 2026)}));

    auto again = openRepeats(kSpecificWeekday);
    ASSERT_TRUE(again->weekdayGroup()->isVisible());
    QStringList shown;
    for (QLabel *label : again->weekdayGroup()->findChildren<QLabel *>())
        shown << label->text();
    EXPECT_TRUE(shown.contains("Monday")) << shown.join('|').toStdString();
    EXPECT_TRUE(shown.contains("Last")) << shown.join('|').toStdString();
}

} // namespace
} // namespace korvalen
