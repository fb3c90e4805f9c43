#include "views/datepicker.h"

#include "runtime/dates.h"

#include "../guifixture.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

struct Day
{
    int month;
    int day;
    int year;
};

class DatePickerTest : public testing::GuiTest
{
protected:
    // Opens the picker with the clock standing at `today`.
    void open(Day today)
    {
        m_clock.setToday(makeDate(today.month, today.day, today.year));
        m_dialog = makeDatePicker(*m_context);
        showAndWait(*m_dialog);
    }

    Date shown() const { return m_dialog->grid().date(); }

    // The cells drawn in the highlight colour.
    std::vector<int> highlightedCells() const
    {
        std::vector<int> cells;
        for (int cell = 0; cell < MonthGrid::kCells; ++cell) {
            const QLabel *label = m_dialog->dayCell(cell);
            if (label->palette().color(QPalette::WindowText) == DatePickerDialog::highlightColor())
                cells.push_back(cell);
        }
        return cells;
    }

    int shownRows() const
    {
        int shownCells = 0;
        for (int cell = 0; cell < MonthGrid::kCells; ++cell)
            shownCells += m_dialog->dayCell(cell)->isHidden() ? 0 : 1;
        EXPECT_EQ(shownCells % MonthGrid::kColumns, 0);
        return shownCells / MonthGrid::kColumns;
    }

    std::unique_ptr<DatePickerDialog> m_dialog;
};

TEST_F(DatePickerTest, OpensOnTodayWithOkFocusedWhateverThePickedDateHolds)
{
    m_context->PickedDate = makeDate(7, 4, 1999);
    open({3, 17, 2026});
    EXPECT_EQ(m_dialog->windowTitle(), "Look Up Calendar");
    EXPECT_EQ(m_dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(shown(), makeDate(3, 17, 2026));
    EXPECT_EQ(child<QComboBox>(*m_dialog, "yearList")->currentText(), "2026");
    EXPECT_EQ(child<QComboBox>(*m_dialog, "monthList")->currentText(), "Mar");
    EXPECT_EQ(m_dialog->focusWidget(), child(*m_dialog, "okButton"));
    EXPECT_TRUE(child<QPushButton>(*m_dialog, "okButton")->isDefault());
    EXPECT_EQ(m_context->PickedDate, makeDate(7, 4, 1999));
}

TEST_F(DatePickerTest, DrawsTheMonthInFourFiveOrSixRowsWithTheSelectedDayHighlighted)
{
    struct Case
    {
        Day today;
        int rows;
        int firstCell; // the cell of day 1
        int length;
    };
    const Case cases[] = {
        {{2, 14, 2026}, 4, 0, 28}, // common February from a Sunday
        {{2, 29, 2020}, 5, 6, 29}, // leap February from a Saturday
        {{8, 1, 2026}, 6, 6, 31},  // 31 days from a Saturday
        {{8, 31, 2026}, 6, 6, 31},
    };
    int fourRowHeight = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.today.month) + "/" + std::to_string(c.today.day));
        open(c.today);
        EXPECT_EQ(shownRows(), c.rows);
        for (int cell = 0; cell < MonthGrid::kCells; ++cell) {
            const QLabel *label = m_dialog->dayCell(cell);
            const bool isDay = cell >= c.firstCell && cell < c.firstCell + c.length;
            EXPECT_EQ(label->isEnabled(), isDay) << cell;
            EXPECT_EQ(label->text(), isDay ? QString::number(cell - c.firstCell + 1) : "") << cell;
        }
        EXPECT_EQ(highlightedCells(), std::vector<int>{c.firstCell + c.today.day - 1});
        QApplication::processEvents();
        const int height = child(*m_dialog, "gridArea")->height();
        if (c.rows == 4)
            fourRowHeight = height;
        else
            EXPECT_GT(height, fourRowHeight);
    }
}

TEST_F(DatePickerTest, ArrowButtonsStepYearAndMonthAndBeepAtTheBounds)
{
    struct Case
    {
        Day today;
        const char *button;
        Day shows;
        int beeps;
    };
    const Case cases[] = {
        {{1, 31, 2026}, "B4", {2, 28, 2026}, 0},  {{5, 31, 2026}, "B3", {4, 30, 2026}, 0},
        {{2, 29, 2024}, "B2", {2, 28, 2025}, 0},  {{2, 29, 2024}, "B1", {2, 28, 2023}, 0},
        {{12, 31, 2025}, "B4", {1, 31, 2026}, 0}, {{1, 10, 1802}, "B3", {1, 10, 1802}, 1},
        {{6, 10, 1802}, "B1", {6, 10, 1802}, 1},  {{12, 10, 2098}, "B4", {12, 10, 2098}, 1},
        {{6, 10, 2098}, "B2", {6, 10, 2098}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.button) + " from " + std::to_string(c.today.month) + "/" +
                     std::to_string(c.today.day) + "/" + std::to_string(c.today.year));
        m_prompter.clear();
        open(c.today);
        click(*m_dialog, c.button);
        const MonthGrid expected(makeDate(c.shows.month, c.shows.day, c.shows.year));
        EXPECT_EQ(shown(), expected.date());
        EXPECT_EQ(m_prompter.beeps(), c.beeps);
        EXPECT_EQ(child<QComboBox>(*m_dialog, "yearList")->currentText(),
                  QString::number(c.shows.year));
        EXPECT_EQ(child<QComboBox>(*m_dialog, "monthList")->currentIndex(), c.shows.month - 1);
        EXPECT_EQ(highlightedCells(), std::vector<int>{expected.selectedCell()});
        EXPECT_EQ(shownRows(), expected.rows());
    }
}

TEST_F(DatePickerTest, ARefusedStepSaysWhyUntilTheNextStep)
{
    open({1, 10, 1802});
    click(*m_dialog, "B1");
    EXPECT_EQ(m_prompter.beeps(), 1);
    const QString reason = m_dialog->statusLine()->currentMessage();
    EXPECT_TRUE(reason.contains("1802") && reason.contains("2098")) << reason.toStdString();
    click(*m_dialog, "B4");
    EXPECT_TRUE(m_dialog->statusLine()->currentMessage().isEmpty());
}

TEST_F(DatePickerTest, YearAndMonthListsAreChosenFromAndRedrawTheGrid)
{
    open({2, 29, 2024});
    QComboBox *years = child<QComboBox>(*m_dialog, "yearList");
    EXPECT_FALSE(years->isEditable());
    EXPECT_EQ(years->count(), 2098 - 1802 + 1);
    EXPECT_EQ(years->itemText(0), "1802");
    years->setFocus();
    QTest::keyClick(years, Qt::Key_Down);
    EXPECT_EQ(shown(), makeDate(2, 28, 2025));

    QComboBox *months = child<QComboBox>(*m_dialog, "monthList");
    EXPECT_FALSE(months->isEditable());
    EXPECT_EQ(months->itemText(11), "Dec");
    months->setFocus();
    QTest::keyClick(months, Qt::Key_Up);
    EXPECT_EQ(shown(), makeDate(1, 28, 2025));
    EXPECT_EQ(highlightedCells(), std::vector<int>{MonthGrid(shown()).selectedCell()});
}

TEST_F(DatePickerTest, ClickingADaySelectsItAndBlankCellsIgnoreClicks)
{
    open({8, 10, 2026}); // day 1 in cell 6
    QTest::mouseClick(m_dialog->dayCell(30), Qt::LeftButton);
    EXPECT_EQ(shown(), makeDate(8, 25, 2026));
    EXPECT_EQ(highlightedCells(), std::vector<int>{30});
    QTest::mouseClick(m_dialog->dayCell(2), Qt::LeftButton);
    QTest::mouseDClick(m_dialog->dayCell(2), Qt::LeftButton);
    EXPECT_EQ(shown(), makeDate(8, 25, 2026));
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(m_context->PickedDate, 0);
}

TEST_F(DatePickerTest, DoubleClickOnADayPicksItAsOkDoes)
{
    open({8, 10, 2026});
    QTest::mouseDClick(m_dialog->dayCell(8), Qt::LeftButton);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(m_context->PickedDate, makeDate(8, 3, 2026));
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
}

TEST_F(DatePickerTest, EachWayOfClosingGivesItsResponse)
{
    using Close = void (*)(DatePickerDialog &);
    struct Case
    {
        const char *name;
        Close close;
        bool completed;
    };
    const Case cases[] = {
        {"OK", [](DatePickerDialog &d) { click(d, "okButton"); }, true},
        {"Enter", [](DatePickerDialog &d) { QTest::keyClick(&d, Qt::Key_Return); }, true},
        {"Cancel", [](DatePickerDialog &d) { click(d, "cancelButton"); }, false},
        {"Escape", [](DatePickerDialog &d) { QTest::keyClick(&d, Qt::Key_Escape); }, false},
        {"close box", [](DatePickerDialog &d) { d.close(); }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_context->PickedDate = 0;
        m_context->globals.response = 0;
        open({5, 31, 2026});
        click(*m_dialog, "B3"); // April 30
        c.close(*m_dialog);
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_EQ(m_context->globals.response, c.completed ? RequestCompleted : RequestCancelled);
        EXPECT_EQ(m_context->PickedDate, c.completed ? makeDate(4, 30, 2026) : 0);
    }
}

TEST_F(DatePickerTest, StepButtonsWorkFromTheKeyboard)
{
    open({1, 31, 2026});
    QWidget *nextMonth = child(*m_dialog, "B4");
    nextMonth->setFocus();
    QTest::keyClick(nextMonth, Qt::Key_Space);
    EXPECT_EQ(shown(), makeDate(2, 28, 2026));
    EXPECT_TRUE(m_dialog->isVisible());
}

TEST_F(DatePickerTest, LookupcalRunsModallyAndAnswersThroughTheGlobals)
{
    m_clock.setToday(makeDate(1, 31, 2024));
    whenModal<DatePickerDialog>([](DatePickerDialog &dialog) {
        click(dialog, "B4");
        click(dialog, "okButton");
    });
    LOOKUPCAL(*m_context);
    EXPECT_EQ(m_context->PickedDate, makeDate(2, 29, 2024));
    EXPECT_EQ(m_context->globals.response, RequestCompleted);

    m_context->PickedDate = 0;
    whenModal<DatePickerDialog>([](DatePickerDialog &dialog) {
        click(dialog, "B2");
        click(dialog, "cancelButton");
    });
    LOOKUPCAL(*m_context);
    EXPECT_EQ(m_context->PickedDate, 0);
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(DatePickerTest, RenderingWritesAPictureAndLeavesTheContextAlone)
{
    m_clock.setToday(makeDate(8, 31, 2026));
    m_context->globals.response = 7;
    const QString path = pathIn("picker.png");
    ASSERT_TRUE(renderDatePicker(*m_context, path));
    const QImage image(path);
    EXPECT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 100);
    EXPECT_EQ(m_context->globals.response, 7);
    EXPECT_EQ(m_context->PickedDate, 0);
    EXPECT_FALSE(renderDatePicker(*m_context, pathIn("missing/dir/picker.png")));
}

} // namespace
} // namespace korvalen
