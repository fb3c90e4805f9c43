// The week view over real files in a temporary working directory, offscreen,
// with scripted activity form, occurrence delete and date picker.

#include "views/weekview.h"

#include "runtime/pictures.h"
#include "ui/browselist.h"

#include "../guifixture.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using namespace keys;

// Monday 7 December 2026 and the days around it.
const Date kMonday = makeDate(12, 7, 2026);

ClockTime at(int hour, int minute = 0)
{
    return hour * kHundredthsPerHour + minute * kHundredthsPerMinute + 1;
}

class WeekViewTest : public testing::GuiTest
{
protected:
    struct FormCall
    {
        int request = 0;
        DatesRecord dates;
        std::int32_t actNumber = 0;
        std::string name;
        std::int64_t current = 0; // the current DATES record
    };

    void SetUp() override
    {
        m_clock = FixedClock(kMonday + 2, 1); // a Wednesday
        ASSERT_TRUE(openData({&data().activity, &data().dates, &data().personAct}));
        procedures().setCalled("UPDATEACT", [this](AppContext &context) {
            m_formCalls.push_back({context.globals.request, context.data.DAT,
                                   context.data.ACT.ACTNUMBER, context.data.ACT.NAME.str(),
                                   context.data.dates.current().recordNumber});
            if (m_formWork)
                m_formWork(context);
            context.globals.response = m_formResponse;
        });
    }

    // An activity named `name` with `people`, numbered 1, 2, ...
    std::int32_t activity(const std::string &name, const std::vector<std::string> &people = {})
    {
        data().ACT = {};
        data().ACT.ACTNUMBER = ++m_activities;
        data().ACT.NAME = name;
        EXPECT_TRUE(data().activity.add().ok());
        for (const std::string &person : people) {
            data().PER = {m_activities, Text<10>(person)};
            EXPECT_TRUE(data().personAct.add().ok());
        }
        return m_activities;
    }
    std::int64_t occurrence(std::int32_t number, Date date, ClockTime time, ClockTime end = 0)
    {
        data().DAT = {};
        data().DAT.ACTNUMBER = number;
        data().DAT.DATE = date;
        data().DAT.TIME = time;
        data().DAT.ENDTIME = end;
        EXPECT_TRUE(data().dates.add().ok());
        return data().dates.current().recordNumber;
    }
    // `count` occurrences of one activity on `date`, at 6:00, 6:30, ...
    void busyDay(Date date, int count)
    {
        const std::int32_t number = activity("Busy");
        for (int i = 0; i < count; ++i)
            occurrence(number, date, at(6 + i / 2, 30 * (i % 2)));
    }

    std::unique_ptr<WeekView> openView()
    {
        auto view = std::make_unique<WeekView>(*m_context);
        view->resize(1000, 560);
        view->show();
        EXPECT_TRUE(view->start());
        QApplication::processEvents();
        return view;
    }
    // Makes `view` the active window and lets its refresh run.
    static void activate(WeekView &view)
    {
        view.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        QApplication::processEvents();
    }

    static const KeyedList &list(const WeekView &view, int day) { return view.dayList(day).list(); }
    static std::vector<std::string> cells(const WeekView &view, int day, int column)
    {
        std::vector<std::string> out;
        for (const BrowseRow &row : list(view, day).rows())
            out.push_back(row.cells[static_cast<std::size_t>(column)]);
        return out;
    }
    static std::vector<Date> dates(const WeekView &view, int day)
    {
        std::vector<Date> out;
        for (const BrowseRow &row : list(view, day).rows())
            out.push_back(static_cast<const DatesRecord *>(row.record.get())->DATE);
        return out;
    }
    static std::string highlighted(const WeekView &view, int day, int column = 0)
    {
        const BrowseRow *row = list(view, day).pages().current();
        return row ? row->cells[static_cast<std::size_t>(column)] : "";
    }
    static QWidget *table(const WeekView &view, int day) { return view.dayList(day).table(); }
    // Every list of `view` holds rows of its own day only.
    static void expectOwnDays(const WeekView &view)
    {
        for (int day = 0; day < WeekView::kDays; ++day) {
            EXPECT_EQ(view.dayOf(day), view.monday() + day);
            for (Date date : dates(view, day))
                EXPECT_EQ(date, view.monday() + day) << "list " << day;
        }
    }

    std::vector<FormCall> m_formCalls;
    std::function<void(AppContext &)> m_formWork;
    int m_formResponse = RequestCancelled;
    std::int32_t m_activities = 0;
};

TEST_F(WeekViewTest, ASundayShowsTheWeekBeforeAndEveryDayOfAWeekTheSameLists)
{
    // One occurrence on every day from the Sunday before to the Monday after.
    for (Date date = kMonday - 1; date <= kMonday + 7; ++date)
        occurrence(activity(formatDate(date)), date, at(9));
    // Two at one start time: the earlier end first, whatever the file order.
    const std::int32_t late = activity("Ends late");
    const std::int32_t early = activity("Ends early");
    occurrence(late, kMonday + 3, at(9), at(11));
    occurrence(early, kMonday + 3, at(9), at(10));
    m_clock.setToday(kMonday + 6);
    auto view = openView();
    EXPECT_EQ(view->monday(), kMonday);
    EXPECT_EQ(context().globals.Calstart, kMonday);
    for (int day = 0; day < WeekView::kDays; ++day)
        EXPECT_EQ(view->dayDateLabel(day)->text().toStdString(), formatDate(kMonday + day));
    EXPECT_EQ(cells(*view, 3, 1),
              (std::vector<std::string>{formatDate(kMonday + 3), "Ends early", "Ends late"}));
    DatePickerScript &picker = scriptDatePicker();
    for (Date date = kMonday; date <= kMonday + 6; ++date) {
        picker.pick = date;
        click(view->calendarButton());
        EXPECT_EQ(picker.given, 0);
        EXPECT_EQ(view->monday(), kMonday) << formatDate(date);
        expectOwnDays(*view);
        for (int day = 0; day < WeekView::kDays; ++day)
            EXPECT_EQ(highlighted(*view, day, 1), formatDate(kMonday + day));
    }
    EXPECT_EQ(context().PickedDate, 0);
}

TEST_F(WeekViewTest, RowsShowTimeNameAndPeopleAndMondayTheNumber)
{
    // Numbered against the order of the rows: each row's people are its own.
    const std::int32_t swim = activity("Swim", {"Bo"});
    const std::int32_t piano = activity("Piano", {"Anna", "Bo", "Cy"});
    const std::int32_t chores = activity("Chores");
    occurrence(piano, kMonday, at(9), at(10));
    occurrence(swim, kMonday, at(17, 30));
    occurrence(chores, kMonday, 0);
    occurrence(piano, kMonday + 1, at(9), at(10));
    auto view = openView();
    EXPECT_EQ(cells(*view, 0, 0), (std::vector<std::string>{"", "9:00AM", "5:30PM"}));
    EXPECT_EQ(cells(*view, 0, 1), (std::vector<std::string>{"Chores", "Piano", "Swim"}));
    EXPECT_EQ(cells(*view, 0, 2), (std::vector<std::string>{"", "Anna  +", "Bo"}));
    QAbstractItemModel *monday = view->dayList(0).table()->model();
    ASSERT_EQ(monday->columnCount(), 2);
    EXPECT_EQ(monday->index(1, 0).data().toString(), " 9:00AM\nPiano\nAnna  +\n");
    const QString number = monday->index(1, 1).data().toString();
    EXPECT_EQ(number.split('\n').size(), 4);
    EXPECT_EQ(number.split('\n')[1].trimmed(), QString::number(piano));
    QAbstractItemModel *tuesday = view->dayList(1).table()->model();
    EXPECT_EQ(tuesday->columnCount(), 1) << "only Monday shows the number";
    const QTableView *shown = view->dayList(0).table();
    EXPECT_EQ(shown->rowHeight(0), 4 * shown->fontMetrics().height() + 4);
    EXPECT_GE(shown->font().pointSizeF(), 8);
}

TEST_F(WeekViewTest, ATypedWeekDateWaitsForTheNextRefresh)
{
    for (Date date : {kMonday, kMonday + 7, kMonday + 8}) {
        occurrence(activity("First"), date, at(8));
        occurrence(activity("Second"), date, at(9));
    }
    auto view = openView();
    activate(*view);
    const int beeps = m_prompter.beeps();
    type(view->weekEntry(), QString::fromStdString(formatDate(kMonday + 9)));
    QTest::keyClick(view->weekEntry(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(view->weekDate(), kMonday + 9);
    EXPECT_EQ(view->monday(), kMonday);
    EXPECT_EQ(context().globals.Calstart, kMonday);
    EXPECT_EQ(dates(*view, 0), (std::vector<Date>{kMonday, kMonday}));
    // A new selection in a list is the next refresh.
    QTest::keyClick(table(*view, 0), Qt::Key_Down);
    EXPECT_EQ(view->monday(), kMonday + 7);
    EXPECT_EQ(context().globals.Calstart, kMonday + 7);
    expectOwnDays(*view);
    EXPECT_EQ(cells(*view, 1, 1), (std::vector<std::string>{"First", "Second"}));
    // A blank date keeps the week; a date that is none is refused.
    view->weekEntry()->clear();
    QTest::keyClick(view->weekEntry(), Qt::Key_Return);
    EXPECT_EQ(view->weekDate(), kMonday + 9);
    EXPECT_EQ(view->weekEntry()->text().toStdString(), formatDate(kMonday + 9));
    enter(view->weekEntry(), "Dec 45,2026");
    EXPECT_EQ(view->weekDate(), kMonday + 9);
    EXPECT_EQ(m_prompter.beeps(), beeps + 1);
    EXPECT_EQ(view->weekEntry()->text().toStdString(), formatDate(kMonday + 9));
}

TEST_F(WeekViewTest, TwoViewsOnDifferentWeeksScrolledInTurnEachReadItsOwnWeek)
{
    for (Date day = 0; day < 7; ++day) {
        busyDay(kMonday + day, 14);
        busyDay(kMonday + 14 + day, 14);
    }
    auto first = openView();
    auto second = openView();
    DatePickerScript &picker = scriptDatePicker();
    picker.pick = kMonday + 16;
    click(second->calendarButton());
    ASSERT_EQ(second->monday(), kMonday + 14);
    ASSERT_LT(static_cast<int>(list(*first, 0).rows().size()), 14)
        << "a day fills more than a page";
    for (int turn = 0; turn < 3; ++turn) {
        for (WeekView *view : {first.get(), second.get()}) {
            const int day = 2 * turn;
            QTest::keyClick(table(*view, day), Qt::Key_PageDown);
            QTest::keyClick(table(*view, day + 1), Qt::Key_End);
            EXPECT_EQ(context().globals.Calstart, view->monday());
            expectOwnDays(*first);
            expectOwnDays(*second);
        }
    }
    EXPECT_EQ(first->monday(), kMonday);
}

TEST_F(WeekViewTest, EnterCtrlEnterAndDoubleClickEachOpenTheChangeFormOnce)
{
    const std::int32_t piano = activity("Piano", {"Anna"});
    occurrence(activity("Early"), kMonday + 2, at(7));
    const std::int64_t chosen = occurrence(piano, kMonday + 2, at(9), at(10));
    auto view = openView();
    QTest::keyClick(table(*view, 2), Qt::Key_Down);
    QTest::keyClick(table(*view, 2), Qt::Key_Return);
    QTest::keyClick(table(*view, 2), Qt::Key_Enter, Qt::ControlModifier);
    QWidget *viewport = view->dayList(2).table()->viewport();
    const QPoint second = view->dayList(2)
                              .table()
                              ->visualRect(view->dayList(2).table()->model()->index(1, 0))
                              .center();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, second);
    // Below the last row a double click opens nothing.
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(second.x(), viewport->height() - 3));
    ASSERT_EQ(m_formCalls.size(), 3u);
    for (const FormCall &call : m_formCalls) {
        EXPECT_EQ(call.request, ChangeRecord);
        EXPECT_EQ(call.dates.TIME, at(9));
        EXPECT_EQ(call.dates.DATE, kMonday + 2);
        EXPECT_EQ(call.actNumber, piano);
        EXPECT_EQ(call.name, "Piano");
        EXPECT_EQ(call.current, chosen);
    }
    // Delete is greyed without the occurrence delete, Change on an empty day.
    EXPECT_FALSE(view->deleteButton(2)->isEnabled());
    EXPECT_FALSE(view->changeButton(4)->isEnabled());
    QStringList seen;
    QTimer::singleShot(0, [&view, &seen] {
        for (QAction *action : view->popup()->actions())
            seen << (action->isEnabled() ? "" : "~") + action->text();
        view->popup()->close();
    });
    EXPECT_EQ(view->showPopup(4, QPoint(5, 5)), 0);
    EXPECT_EQ(seen.join('|'), "~&Change|~&Delete");
}

TEST_F(WeekViewTest, AChangeCompletedShowsTheDayFromTheChangedOccurrenceACancelKeepsThePage)
{
    busyDay(kMonday + 2, 14);
    auto view = openView();
    view->dayList(2).list().setCurrentRow(3);
    const std::string before = highlighted(*view, 2);
    const std::string firstBefore = cells(*view, 2, 0).front();
    m_formResponse = RequestCancelled;
    click(view->changeButton(2));
    EXPECT_EQ(cells(*view, 2, 0).front(), firstBefore);
    EXPECT_EQ(highlighted(*view, 2), before);
    m_formResponse = RequestCompleted;
    click(view->changeButton(2));
    ASSERT_EQ(m_formCalls.size(), 2u);
    EXPECT_EQ(cells(*view, 2, 0).front(), before) << "the page starts at the changed occurrence";
    EXPECT_EQ(highlighted(*view, 2), before);
}

TEST_F(WeekViewTest, DeleteCallsTheOccurrenceDeleteOnTheChosenOccurrenceAndShowsTheWeekAnew)
{
    const std::int32_t piano = activity("Piano");
    occurrence(piano, kMonday + 4, at(9));
    const std::int64_t second = occurrence(piano, kMonday + 4, at(10));
    occurrence(piano, kMonday + 4, at(11));
    std::vector<std::int64_t> deleted;
    procedures().setCalled("DELACT", [&](AppContext &context) {
        EXPECT_EQ(context.data.DAT.ACTNUMBER, piano);
        EXPECT_EQ(context.data.ACT.ACTNUMBER, piano);
        deleted.push_back(context.data.dates.current().recordNumber);
        EXPECT_TRUE(context.data.dates.remove().ok());
        context.globals.response = RequestCancelled;
    });
    auto view = openView();
    ASSERT_TRUE(view->deleteButton(4)->isEnabled());
    QTest::keyClick(table(*view, 4), Qt::Key_Down);
    QTest::keyClick(table(*view, 4), Qt::Key_Delete);
    EXPECT_EQ(deleted, (std::vector<std::int64_t>{second}));
    EXPECT_EQ(cells(*view, 4, 0), (std::vector<std::string>{"9:00AM", "11:00AM"}));
    EXPECT_EQ(highlighted(*view, 4), "11:00AM");
    // The popup's second item is Delete.
    QTimer::singleShot(0, [&view] {
        view->popup()->setActiveAction(view->popup()->actions().at(1));
        QTest::keyClick(view->popup(), Qt::Key_Return);
    });
    EXPECT_EQ(view->showPopup(4, QPoint(5, 5)), 2);
    EXPECT_EQ(deleted.size(), 2u);
    EXPECT_EQ(cells(*view, 4, 0), (std::vector<std::string>{"9:00AM"}));
}

TEST_F(WeekViewTest, InsertOpensTheFormAndShowsTheOccurrenceEntered)
{
    busyDay(kMonday + 3, 14);
    m_formWork = [this](AppContext &context) {
        if (context.globals.request != InsertRecord)
            return;
        const std::int32_t number = activity("New");
        occurrence(number, kMonday + 1, at(9));
        occurrence(number, kMonday + 3, at(13), at(14));
        const DatesRecord entered = context.data.DAT;
        occurrence(number, kMonday + 5, at(13), at(14)); // written last
        // What the form leaves: the new activity and the occurrence typed.
        context.data.ACT.ACTNUMBER = number;
        context.data.DAT = entered;
    };
    m_formResponse = RequestCompleted;
    auto view = openView();
    ASSERT_LT(static_cast<int>(list(*view, 3).rows().size()), 14);
    click(view->insertButton());
    ASSERT_EQ(m_formCalls.size(), 1u);
    EXPECT_EQ(m_formCalls[0].request, InsertRecord);
    EXPECT_EQ(highlighted(*view, 3, 1), "New") << "beyond the first page of its day";
    EXPECT_EQ(highlighted(*view, 1, 1), "New");
}

TEST_F(WeekViewTest, ADigitTypedGoesToThatHourOfTheListsOwnDay)
{
    for (int hour : {8, 9, 10, 11})
        occurrence(activity("Wed"), kMonday + 2, at(hour));
    occurrence(activity("Thu"), kMonday + 3, at(7));
    auto view = openView();
    QTest::keyClick(table(*view, 2), Qt::Key_9);
    EXPECT_EQ(highlighted(*view, 2), "9:00AM");
    QTest::keyClick(table(*view, 2), Qt::Key_2);
    EXPECT_EQ(highlighted(*view, 2), "8:00AM");
    expectOwnDays(*view);
}

TEST_F(WeekViewTest, AChangeMadeElsewhereAppearsWhenTheViewRegainsTheFocus)
{
    occurrence(activity("Old"), kMonday + 1, at(9));
    auto view = openView();
    activate(*view);
    occurrence(activity("Added"), kMonday + 1, at(10));
    context().globals.Calstart = 0;
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    EXPECT_EQ(cells(*view, 1, 1), (std::vector<std::string>{"Old"}));
    activate(*view);
    EXPECT_EQ(cells(*view, 1, 1), (std::vector<std::string>{"Old", "Added"}));
    EXPECT_EQ(context().globals.Calstart, kMonday);
}

TEST_F(WeekViewTest, AReadFailureIsToldOnceAndClosesTheWindow)
{
    for (int day = 0; day < WeekView::kDays; ++day)
        occurrence(activity("Daily"), kMonday + day, at(9));
    auto view = openView();
    data().dates.close(); // the file goes from under the lists
    view->refreshWeek();
    QApplication::processEvents();
    EXPECT_EQ(captions(), (std::vector<std::string>{"Record Retrieval Error"}));
    EXPECT_NE(lastMessage().find("DATES"), std::string::npos);
    EXPECT_FALSE(view->isVisible());
}

TEST_F(WeekViewTest, ClosingWritesTheLaunchOriginAndBlanksItAndTheWindowRunsFromBothEntries)
{
    context().launchOrigin = "menu";
    whenModal<WeekView>([](WeekView &view) { click(view.closeButton()); });
    viewWeek(context());
    EXPECT_EQ(context().globals.response, RequestCancelled);
    EXPECT_TRUE(context().launchOrigin.isBlank());
    const QString ini = pathIn("KORVALEN.INI");
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value("WeekView/menutest").toString(), "menu");
    EXPECT_TRUE(QSettings(ini, QSettings::IniFormat).contains("WeekView/Width"));

    QPointer<QWidget> independent = WEEKVIEW(context());
    ASSERT_NE(independent, nullptr);
    independent->show();
    independent->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(independent, nullptr);
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value("WeekView/menutest").toString().trimmed(),
              "");
}

TEST_F(WeekViewTest, TheRenderedPictureShowsABusyWeek)
{
    releaseFiles();
    const QString directory = pathIn("shots");
    QDir().mkpath(directory);
    ASSERT_TRUE(renderWeekView(context(), directory));
    const QImage picture(QDir(directory).filePath("weekview.png"));
    EXPECT_GE(picture.width(), 900);
}

} // namespace
} // namespace korvalen
