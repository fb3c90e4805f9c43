// The preferences window and the special-day form, offscreen, with real
// files in a temporary working directory, a scripted prompter and a scripted
// date picker.

#include "runtime/pictures.h"
#include "settings/updatespecial.h"
#include "settings/userpref.h"
#include "ui/browselist.h"

#include "../guifixture.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using namespace keys;

constexpr ClockTime kNoon = 4320400;
constexpr ClockTime kOneHour = 360001;

std::string d3(Date date)
{
    return formatDate(date, "D3");
}

class SettingsTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock = FixedClock(makeDate(3, 1, 2026), 1);
        ASSERT_TRUE(openData({&data().special, &data().userPref}));
        data().USP = {kNoon, kOneHour};
        ASSERT_TRUE(data().userPref.add().ok());
        procedures().setCalled("UPDATESPECIAL", UPDATESPECIAL);
        scriptDatePicker();
    }

    void addPeriod(Date start, Date end, const char *description)
    {
        data().SPE = {start, end, description};
        ASSERT_TRUE(data().special.add().ok());
    }
    // The descriptions of the stored periods in list order.
    std::vector<std::string> stored()
    {
        return inKeyOrder(data().special, SPE_DATE_KEY,
                          [this] { return data().SPE.DESCRIPTION.str(); });
    }
    // Runs `change` on the same files through a connection of its own, as
    // another station would.
    void onAnotherStation(const std::function<void(AppData &other)> &change)
    {
        AppData other;
        ASSERT_TRUE(other.database.open(folder()).ok());
        FileUse special(other.special, m_prompter);
        FileUse userPref(other.userPref, m_prompter);
        change(other);
    }
    UserPrefRecord storedPrefs()
    {
        EXPECT_TRUE(readUserPreferences(data()).ok());
        return data().USP;
    }
    const Date m_mar3 = makeDate(3, 3, 2026);
};

// ---------------------------------------------------------------------------
// Typed times

TEST(PreferenceTimes, StartTimeAndDurationEntries)
{
    const std::optional<ClockTime> no;
    auto at = [](int h, int m) { return std::optional<ClockTime>(h * 360000 + m * 6000 + 1); };
    const struct
    {
        const char *typed;
        std::optional<ClockTime> start, duration;
    } cases[] = {
        {"9:30", at(9, 30), at(9, 30)},    {" 9:30 am ", at(9, 30), no},
        {"9:30PM", at(21, 30), no},        {"12:00am", at(0, 0), no},
        {"12:00 Pm", at(12, 0), no},       {"0:00", at(0, 0), at(0, 0)},
        {"23:59", at(23, 59), at(23, 59)},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(parseStartTime(c.typed), c.start) << '"' << c.typed << '"';
        EXPECT_EQ(parseDuration(c.typed), c.duration) << '"' << c.typed << '"';
    }
    for (const char *typed : {"13:00pm", "0:15am", "24:00", "9:60", "9:5", "930", "9am",
                              "9:30 a.m.", "", "9:30x", "123:00"}) {
        EXPECT_EQ(parseStartTime(typed), no) << '"' << typed << '"';
        EXPECT_EQ(parseDuration(typed), no) << '"' << typed << '"';
    }
}

// ---------------------------------------------------------------------------
// The special-day form

class SpecialFormTest : public SettingsTest
{
protected:
    std::unique_ptr<SpecialDayForm> open(int request)
    {
        m_context->globals.request = request;
        auto form = std::make_unique<SpecialDayForm>(*m_context);
        if (form->form().start()) {
            form->show();
            form->activateWindow();
            QApplication::processEvents();
        }
        return form;
    }
    // Re-reads the first stored period with a watch, as the list does.
    void rereadFirst()
    {
        data().special.set(SPE_DATE_KEY);
        ASSERT_TRUE(data().special.next().ok());
        data().special.cursor().release();
        data().special.watch();
        ASSERT_TRUE(data().special.getByRecordNumber(data().special.current().recordNumber).ok());
    }
};

TEST_F(SpecialFormTest, EndDateLeftEmptyBecomesTheStartDate)
{
    for (bool enterEnd : {true, false}) {
        auto form = open(InsertRecord);
        EXPECT_EQ(form->windowTitle(), "Update Special Days");
        EXPECT_EQ(form->actionLabel()->text(), "Record will be Added");
        type(form->description(), enterEnd ? "Entered" : "Straight to OK");
        enter(form->startDate(), "3/3/2026");
        EXPECT_EQ(form->startDate()->text().toStdString(), d3(m_mar3));
        if (enterEnd) {
            EXPECT_TRUE(form->endDate()->hasFocus());
            EXPECT_EQ(form->endDate()->text().toStdString(), d3(m_mar3));
        }
        form->okButton()->click();
        EXPECT_FALSE(form->isVisible());
        form->form().finish();
        EXPECT_EQ(m_context->globals.response, RequestCompleted);
        EXPECT_EQ(data().SPE.ENDDATE, m_mar3);
    }
    EXPECT_EQ(m_prompter.beeps(), 0);
    EXPECT_EQ(stored(), (std::vector<std::string>{"Entered", "Straight to OK"}));
}

TEST_F(SpecialFormTest, EndBeforeStartIsRefusedUntilTheSameDay)
{
    auto form = open(InsertRecord);
    type(form->description(), "Fair");
    enter(form->startDate(), "Mar 3,2026");
    enter(form->endDate(), "Mar 2,2026");
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_TRUE(form->endDate()->hasFocus());
    form->okButton()->click();
    EXPECT_EQ(m_prompter.beeps(), 2) << "OK runs the end date's rule again";
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(stored().empty());
    enter(form->endDate(), "Mar 3,2026");
    EXPECT_EQ(m_prompter.beeps(), 2);
    form->okButton()->click();
    EXPECT_FALSE(form->isVisible());
    form->form().finish();
    EXPECT_EQ(stored(), std::vector<std::string>{"Fair"});
}

TEST_F(SpecialFormTest, MovingTheStartPastTheEndCannotBeSaved)
{
    addPeriod(m_mar3, m_mar3 + 2, "Visit");
    rereadFirst();
    auto form = open(ChangeRecord);
    EXPECT_EQ(form->actionLabel()->text(), "Record will be Changed");
    enter(form->startDate(), "Mar 9,2026");
    form->okButton()->click();
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->endDate()->hasFocus());
    data().special.set(SPE_DATE_KEY);
    ASSERT_TRUE(data().special.next().ok());
    EXPECT_EQ(data().SPE.STARTDATE, m_mar3);
    data().special.cursor().release();
}

TEST_F(SpecialFormTest, ADateThatIsNoneBeepsAndShowsTheOldValueAgain)
{
    auto form = open(InsertRecord);
    enter(form->startDate(), "Mar 3,2026");
    enter(form->startDate(), "Feb 30,2026");
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_EQ(form->startDate()->text().toStdString(), d3(m_mar3));
}

TEST_F(SpecialFormTest, ARefusedEndDateSaysWhyAndIsShownAsRefusedUntilCorrected)
{
    auto form = open(InsertRecord);
    QStatusBar *status = form->form().statusLine();
    ASSERT_NE(status, nullptr);
    const QColor normal = form->endDate()->palette().color(QPalette::Text);
    enter(form->startDate(), "Mar 3,2026");
    enter(form->endDate(), "Mar 2,2026");
    EXPECT_TRUE(status->currentMessage().contains(QString::fromStdString(d3(m_mar3 - 1))))
        << status->currentMessage().toStdString();
    // The narrow form widens: the reason is not cut by the action message.
    QApplication::processEvents();
    for (QLabel *label : status->findChildren<QLabel *>()) {
        if (label->text().startsWith("Record will be")) {
            EXPECT_GE(label->x(),
                      status->fontMetrics().horizontalAdvance(status->currentMessage()));
        }
    }
    EXPECT_EQ(form->endDate()->palette().color(QPalette::Text), SpecialDayForm::refusedColor());
    EXPECT_NE(normal, SpecialDayForm::refusedColor());
    enter(form->endDate(), "Mar 4,2026");
    EXPECT_EQ(form->endDate()->palette().color(QPalette::Text), normal);
    EXPECT_FALSE(status->currentMessage().contains(QString::fromStdString(d3(m_mar3 - 1))));
    EXPECT_EQ(m_prompter.beeps(), 1);
}

TEST_F(SpecialFormTest, ARefusedDateLeavesWhatIsTypedElsewhere)
{
    auto form = open(InsertRecord);
    type(form->description(), "Not yet taken");
    enter(form->startDate(), "Feb 30,2026");
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_EQ(form->description()->text(), "Not yet taken");
    EXPECT_TRUE(form->form().statusLine()->currentMessage().contains("Feb 30,2026"));
    EXPECT_TRUE(form->startDate()->hasFocus());
}

TEST_F(SpecialFormTest, CalButtonsPickThroughTheGlobalsAndRestoreThem)
{
    auto form = open(InsertRecord);
    m_context->globals.request = 0;
    m_context->globals.response = 0;
    m_context->PickedDate = 77;
    datePicker().pick = m_mar3 + 10;
    form->startCalendar()->click();
    EXPECT_EQ(datePicker().request, SelectRecord);
    EXPECT_EQ(datePicker().given, 0);
    EXPECT_EQ(form->startDate()->text().toStdString(), d3(m_mar3 + 10));
    EXPECT_EQ(m_context->PickedDate, 0);
    EXPECT_EQ(m_context->globals.request, 0);
    EXPECT_EQ(m_context->globals.response, 0);

    datePicker().pick = 0; // cancelled: the focus goes to the end date, nothing changes
    form->endCalendar()->click();
    EXPECT_TRUE(form->endDate()->hasFocus());
    EXPECT_EQ(form->endDate()->text().toStdString(), d3(m_mar3 + 10)) << "filled on entry";

    datePicker().pick = m_mar3; // an end before the start is refused as a typed one is
    form->endCalendar()->click();
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_TRUE(form->endDate()->hasFocus());
}

TEST_F(SpecialFormTest, DeleteConfirmsAndAPeriodGoneMeanwhileOffersToTryAgain)
{
    addPeriod(m_mar3, m_mar3, "Keep");
    rereadFirst();
    m_prompter.queueAnswer(ButtonCancel);
    m_context->globals.request = DeleteRecord;
    UPDATESPECIAL(*m_context);
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_EQ(stored(), std::vector<std::string>{"Keep"});

    rereadFirst();
    onAnotherStation([](AppData &other) {
        other.special.set(SPE_DATE_KEY);
        ASSERT_TRUE(other.special.next().ok());
        ASSERT_TRUE(other.special.remove().ok());
    });
    m_prompter.clear();
    for (int answer : {ButtonOk, ButtonOk, ButtonNo})
        m_prompter.queueAnswer(answer);
    m_context->globals.request = DeleteRecord;
    UPDATESPECIAL(*m_context);
    EXPECT_EQ(captions(), (std::vector<std::string>{"Confirm Delete", "Update Operation Error",
                                                    "Record Update Error"}));
    EXPECT_EQ(m_prompter.shown()[1].request.text, "This record was changed by another station.");
    EXPECT_EQ(m_prompter.shown()[2].request.text,
              "An error was experienced deleting this record.  Do you want to try to save again?");
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
}

TEST_F(SpecialFormTest, CancelAsksOnlyWhenSomethingChanged)
{
    auto form = open(InsertRecord);
    form->cancelButton()->click();
    EXPECT_TRUE(m_prompter.shown().empty());
    EXPECT_FALSE(form->isVisible());
    form->form().finish();

    form = open(InsertRecord);
    type(form->description(), "Half typed");
    m_prompter.queueAnswer(ButtonCancel);
    form->cancelButton()->click();
    EXPECT_EQ(captions(), std::vector<std::string>{"Update Cancelled"});
    EXPECT_TRUE(form->isVisible());
    m_prompter.queueAnswer(ButtonNo);
    form->cancelButton()->click();
    EXPECT_FALSE(form->isVisible());
    form->form().finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_TRUE(stored().empty());
}

// ---------------------------------------------------------------------------
// The preferences window

class UserPrefTest : public SettingsTest
{
protected:
    UserPrefWindow *open()
    {
        m_context->globals.request = DeleteRecord; // whatever is asked, it is a change
        m_window = static_cast<UserPrefWindow *>(USERPREF(*m_context));
        EXPECT_NE(m_window, nullptr);
        m_window->show();
        QApplication::processEvents();
        return m_window;
    }
    bool isOpen()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return m_window && m_window->isVisible();
    }
    std::vector<std::string> listed()
    {
        std::vector<std::string> rows;
        for (const BrowseRow &row : m_window->list().browse().rows())
            rows.push_back(row.cells[0]);
        return rows;
    }
    void TearDown() override
    {
        if (m_window) {
            m_prompter.queueAnswer(ButtonNo);
            m_window->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        GuiTest::TearDown();
    }
    QPointer<UserPrefWindow> m_window;
};

TEST_F(UserPrefTest, ShowsThePreferencesAndTheListWithTheirTexts)
{
    UserPrefWindow *window = open();
    EXPECT_EQ(window->windowTitle(), "User Preferences");
    EXPECT_EQ(window->startTime()->text(), "12:00PM");
    EXPECT_EQ(window->duration()->text(), "1:00");
    EXPECT_EQ(window->actionLabel()->text(), "Record will be Changed");
    EXPECT_EQ(window->startTime()->toolTip(), "Default starting time for activities");
    EXPECT_EQ(window->duration()->statusTip(), "Default duration of activities");
    QTableView *table = window->list().table();
    EXPECT_EQ(table->statusTip(), "Current Special Day periods");
    EXPECT_EQ(table->model()->headerData(1, Qt::Horizontal).toString(), "Start");
    EXPECT_EQ(window->changeButton()->statusTip(), "Change Special Days period ");
    EXPECT_EQ(window->deleteButton()->toolTip(), "Delete highlighted Special Days period");
    EXPECT_FALSE(window->changeButton()->isEnabled()) << "the list is empty";
    EXPECT_EQ(window->list().browse().popupMenu(), "Insert|~Change|~Delete|-|~Select");
    EXPECT_TRUE(window->startTime()->hasFocus());
}

TEST_F(UserPrefTest, OkSavesTheTypedTimesAndBadOnesBeep)
{
    UserPrefWindow *window = open();
    enter(window->startTime(), "25:00");
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_EQ(window->startTime()->text(), "12:00PM");
    EXPECT_TRUE(window->startTime()->hasFocus());
    enter(window->startTime(), "9:30 am");
    EXPECT_TRUE(window->duration()->hasFocus());
    type(window->duration(), "1:45");
    window->okButton()->click();
    EXPECT_FALSE(isOpen());
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_EQ(storedPrefs(), (UserPrefRecord{9 * 360000 + 30 * 6000 + 1, 105 * 6000 + 1}));
}

TEST_F(UserPrefTest, ARefusedTimeSaysWhyUntilItsEntryIsTypedInOrLeft)
{
    UserPrefWindow *window = open();
    QStatusBar *status = window->form().statusLine();
    ASSERT_NE(status, nullptr);
    enter(window->startTime(), "25:99");
    EXPECT_TRUE(status->currentMessage().contains("25:99"))
        << status->currentMessage().toStdString();
    EXPECT_EQ(window->startTime()->text(), "12:00PM");
    QTest::keyClicks(window->startTime(), "9:30AM");
    EXPECT_FALSE(status->currentMessage().contains("25:99")) << "typing again clears the reason";
    QTest::keyClick(window->startTime(), Qt::Key_Return);

    // Refused as the entry is left: the focus goes on, the reason stays.
    type(window->duration(), "7:99");
    window->startTime()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(m_prompter.beeps(), 2);
    EXPECT_TRUE(window->startTime()->hasFocus());
    EXPECT_EQ(window->duration()->text(), "1:00");
    EXPECT_TRUE(status->currentMessage().contains("7:99"));
    window->okButton()->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(status->currentMessage().contains("7:99")) << "the next move clears it";
}

TEST_F(UserPrefTest, CancelKeepsTheOldDurationWithoutAQuestion)
{
    UserPrefWindow *window = open();
    enter(window->duration(), "2:30");
    window->cancelButton()->click();
    EXPECT_FALSE(isOpen());
    EXPECT_TRUE(m_prompter.shown().empty());
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_EQ(storedPrefs().DURATION, kOneHour);
}

TEST_F(UserPrefTest, CloseBoxAsksOnlyWhenSomethingChanged)
{
    open()->close();
    EXPECT_FALSE(isOpen());
    EXPECT_TRUE(m_prompter.shown().empty());

    UserPrefWindow *window = open();
    type(window->duration(), "3:00"); // typed, not yet accepted
    m_prompter.queueAnswer(ButtonCancel);
    window->close();
    EXPECT_EQ(captions(), std::vector<std::string>{"Update Cancelled"});
    EXPECT_TRUE(isOpen());
    EXPECT_TRUE(window->startTime()->hasFocus());
    m_prompter.queueAnswer(ButtonYes);
    window->close();
    EXPECT_FALSE(isOpen());
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_EQ(storedPrefs().DURATION, 3 * 360000 + 1);
}

TEST_F(UserPrefTest, AChangeByAnotherStationMeanwhileIsNeverOverwrittenSilently)
{
    UserPrefWindow *window = open();
    onAnotherStation([](AppData &other) {
        ASSERT_TRUE(readUserPreferences(other).ok());
        other.USP.STARTTIME = 8 * 360000 + 1;
        ASSERT_TRUE(other.userPref.put().ok());
    });
    enter(window->duration(), "0:45");
    for (int answer : {ButtonOk, ButtonCancel})
        m_prompter.queueAnswer(answer);
    window->okButton()->click();
    EXPECT_EQ(captions(),
              (std::vector<std::string>{"Update Operation Error", "Record Update Error"}));
    EXPECT_EQ(m_prompter.shown()[0].request.text, "This record was changed by another station.");
    EXPECT_TRUE(isOpen()) << "Cancel keeps the window open";
    EXPECT_TRUE(window->startTime()->hasFocus());

    for (int answer : {ButtonOk, ButtonNo})
        m_prompter.queueAnswer(answer);
    window->okButton()->click();
    EXPECT_FALSE(isOpen()) << "No closes it";
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_EQ(storedPrefs(), (UserPrefRecord{8 * 360000 + 1, kOneHour}));
}

TEST_F(UserPrefTest, PeriodsAddedOrDeletedStayWhenThePreferencesAreCancelled)
{
    addPeriod(m_mar3 + 5, m_mar3 + 6, "Old");
    UserPrefWindow *window = open();
    whenModal<SpecialDayForm>([this](SpecialDayForm &form) {
        type(form.description(), "New");
        enter(form.startDate(), d3(m_mar3).c_str());
        form.okButton()->click();
    });
    window->insertButton()->click();
    EXPECT_EQ(listed(), (std::vector<std::string>{"New", "Old"}));
    EXPECT_EQ(window->list().browse().currentRow(), 1) << "the new period is highlighted";
    window->list().browse().setCurrentRow(2);
    m_prompter.queueAnswer(ButtonOk);
    QTest::keyClick(window->list().table(), Qt::Key_Delete);
    EXPECT_EQ(captions(), std::vector<std::string>{"Confirm Delete"});
    EXPECT_EQ(listed(), std::vector<std::string>{"New"});
    window->cancelButton()->click();
    EXPECT_FALSE(isOpen());
    EXPECT_EQ(stored(), std::vector<std::string>{"New"});
}

TEST_F(UserPrefTest, ListRunsByStartDateAndItsKeysAndThumbMoveOnlyToTheEnds)
{
    addPeriod(m_mar3 + 9, m_mar3 + 9, "Late");
    for (const char *name : {"Tie one", "Tie two", "Tie three"})
        addPeriod(m_mar3, m_mar3 + 1, name);
    for (int i = 0; i < 30; ++i)
        addPeriod(m_mar3 + 100 + i, m_mar3 + 100 + i, ("Far " + std::to_string(i)).c_str());
    UserPrefWindow *window = open();
    PagedBrowse &browse = window->list().browse();
    std::vector<std::string> top = listed();
    ASSERT_GE(top.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(top.begin(), top.begin() + 4),
              (std::vector<std::string>{"Tie one", "Tie two", "Tie three", "Late"}));
    ASSERT_TRUE(browse.isScrollBarVisible());

    QScrollBar *bar = window->list().scrollBar();
    bar->setSliderPosition(50);
    emit bar->sliderReleased();
    EXPECT_EQ(listed(), top) << "a middle thumb position does not move the list";
    bar->setSliderPosition(100);
    emit bar->sliderReleased();
    EXPECT_EQ(listed().back(), "Far 29");
    QTest::keyClicks(window->list().table(), "7");
    EXPECT_EQ(listed(), top) << "a digit is a day number: the top of the list";

    std::string seen;
    whenModal<SpecialDayForm>([&seen](SpecialDayForm &form) {
        seen = form.description()->text().toStdString();
        form.cancelButton()->click();
    });
    browse.setCurrentRow(2);
    QTest::keyClick(window->list().table(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(seen, "Tie two");
}

// ---------------------------------------------------------------------------
// Pictures

TEST_F(SettingsTest, BothWindowsDrawIntoPictures)
{
    const QString prefs = QString::fromStdString((folder() / "userpref.png").string());
    const QString period = QString::fromStdString((folder() / "specialday.png").string());
    ASSERT_TRUE(renderUserPrefs(*m_context, prefs));
    ASSERT_TRUE(renderSpecialForm(*m_context, period));
    EXPECT_GT(QImage(prefs).width(), 300);
    EXPECT_GT(QImage(period).width(), 200);
    EXPECT_EQ(stored().size(), 6u) << "the sample periods went into the empty file";
}

} // namespace
} // namespace korvalen
