// The multi-select people picker: its list in memory (page, thumb, marks)
// and its window, over a real PEOPLE file in a temporary working directory.

#include "people/peoplepicker.h"

#include "../guifixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using Command = PeoplePickerDialog::Command;

class PickerTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock = FixedClock(90000, 1);
        ASSERT_TRUE(openData({&data().people}));
        m_context->globals.request = SelectRecord;
    }

    // "P001" .. "Pnnn", so that file order and short-name order agree.
    void addNumberedPeople(int count)
    {
        for (int i = 1; i <= count; ++i)
            addPerson(numbered('P', i));
    }

    std::vector<std::string> pickedNames() const
    {
        std::vector<std::string> names;
        for (const PickedPerson &person : m_context->PickedPeople)
            names.push_back(person.shortName.str());
        return names;
    }

    std::unique_ptr<PeoplePickerDialog> shownPicker()
    {
        auto dialog = makePeoplePicker(*m_context);
        dialog->show();
        QApplication::processEvents();
        return dialog;
    }
    static QString cell(const PeoplePickerDialog &dialog, int pageRow, int column)
    {
        QAbstractItemModel *model = dialog.table()->model();
        return model->data(model->index(pageRow - 1, column)).toString();
    }
    // With `secondOfPair`, the click is the second of a quick pair, which the
    // list receives as a double click.
    static void click(const PeoplePickerDialog &dialog, int pageRow, Qt::MouseButton button,
                      bool secondOfPair = false)
    {
        QTableView *table = dialog.table();
        const QPoint at = table->visualRect(table->model()->index(pageRow - 1, 1)).center();
        if (secondOfPair)
            QTest::mouseDClick(table->viewport(), button, {}, at);
        else
            QTest::mouseClick(table->viewport(), button, {}, at);
    }

    // Runs BROWSEPERSONM; `act` works the window once it is open.
    void runPicker(std::function<void(PeoplePickerDialog &)> act)
    {
        whenModal<PeoplePickerDialog>([act](PeoplePickerDialog &dialog) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
            act(dialog);
        });
        BROWSEPERSONM(*m_context);
    }
};

// ---------------------------------------------------------------------------
// The list in memory

TEST_F(PickerTest, LoadsEveryoneInCaseSensitiveOrderAndLeavesTheBufferAlone)
{
    for (const char *name : {"bob", "Ann", "carl", "ANN"})
        addPerson(name, std::string("Long ") + name);
    data().PEO = PeopleRecord{"Caller", "Kept", 7};
    PickerList list(m_context->PickedPeople);
    ASSERT_TRUE(list.load(data().people).ok());
    EXPECT_EQ(pickedNames(), (std::vector<std::string>{"ANN", "Ann", "bob", "carl"}));
    for (int i = 0; i < list.count(); ++i) {
        EXPECT_EQ(list.entries()[i].row, i + 1);
        EXPECT_TRUE(list.entries()[i].mark.isBlank());
    }
    EXPECT_EQ(list.entries()[2].longName.str(), "Long bob");
    EXPECT_EQ(data().PEO, (PeopleRecord{"Caller", "Kept", 7}));
}

TEST_F(PickerTest, AFailedReadLeavesTheListEmpty)
{
    addPerson("Ann");
    m_context->PickedPeople.push_back(PickedPerson{"*", "Old", "", 1});
    releaseFiles(); // PEOPLE closed: the view cannot be read
    PickerList list(m_context->PickedPeople);
    EXPECT_FALSE(list.load(data().people).ok());
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.pageSize(), 0);
    EXPECT_EQ(list.currentRow(), 0);
}

TEST_F(PickerTest, ThumbTableAndScrollBoxFollowTheRowRule)
{
    addNumberedPeople(250);
    PickerList list(m_context->PickedPeople);
    ASSERT_TRUE(list.load(data().people).ok());
    list.setItems(10);
    // Position k stands for row 1 + 249 * (k - 1) / 99, truncated.
    const std::vector<std::pair<int, int>> table = {{1, 1},    {2, 3},    {3, 6},    {50, 124},
                                                    {51, 126}, {99, 247}, {100, 250}};
    for (auto [position, row] : table)
        EXPECT_EQ(list.thumbRow(position), row) << "position " << position;
    EXPECT_EQ(list.thumbRow(0), 0);
    EXPECT_EQ(list.thumbRow(101), 0);

    // The box stands at the first position whose row is not less than the
    // highlighted one, and at 0 instead of 1.
    EXPECT_EQ(list.thumb(), 0);
    list.pages().thumbTo(50);
    EXPECT_EQ(list.firstRow(), 124);
    EXPECT_EQ(list.highlightedRow(), 124);
    EXPECT_EQ(list.thumb(), 50);
    list.pages().lineDown();
    EXPECT_EQ(list.highlightedRow(), 125);
    EXPECT_EQ(list.thumb(), 51);
    list.pages().thumbTo(99); // near the end the page is filled upward
    EXPECT_EQ(list.firstRow(), 241);
    EXPECT_EQ(list.highlightedRow(), 247);
    EXPECT_EQ(list.thumb(), 99);
    list.pages().lineDown();
    EXPECT_EQ(list.thumb(), 100);
    list.pages().thumbTo(1);
    EXPECT_EQ(list.highlightedRow(), 1);
    list.pages().thumbTo(100);
    EXPECT_EQ(list.firstRow(), 241);
    EXPECT_EQ(list.highlightedRow(), 250);
}

TEST_F(PickerTest, ThumbOfTinyListsStaysAtTheTop)
{
    PickerList list(m_context->PickedPeople);
    ASSERT_TRUE(list.load(data().people).ok());
    EXPECT_EQ(list.thumbRow(1), 0);
    EXPECT_EQ(list.thumb(), 0);
    list.pages().thumbTo(50); // nothing to show, nothing to break
    EXPECT_EQ(list.pageSize(), 0);

    addPerson("Solo");
    ASSERT_TRUE(list.load(data().people).ok());
    EXPECT_EQ(list.thumbRow(50), 1);
    EXPECT_EQ(list.thumbRow(100), 1);
    EXPECT_EQ(list.thumb(), 0);
}

TEST_F(PickerTest, PagingStopsAtBothEndsAndThenMovesTheHighlight)
{
    addNumberedPeople(25);
    PickerList list(m_context->PickedPeople);
    ASSERT_TRUE(list.load(data().people).ok());
    list.setItems(10);
    EXPECT_TRUE(list.isScrollBarShown());
    list.pages().lineUp(); // at the top already
    EXPECT_EQ(list.highlightedRow(), 1);
    list.pages().pageDown();
    EXPECT_EQ(list.firstRow(), 11);
    EXPECT_EQ(list.currentRow(), 1);
    list.pages().lineDown();
    list.pages().pageDown(); // only 5 rows left: the highlight moves the other 5
    EXPECT_EQ(list.firstRow(), 16);
    EXPECT_EQ(list.currentRow(), 7);
    list.pages().pageDown();
    EXPECT_EQ(list.currentRow(), 10);
    list.pages().lineDown();
    EXPECT_EQ(list.highlightedRow(), 25);

    list.pages().top();
    for (int i = 0; i < 10; ++i) // the tenth step shifts the page by one
        list.pages().lineDown();
    EXPECT_EQ(list.firstRow(), 2);
    EXPECT_EQ(list.currentRow(), 10);
    list.pages().pageUp(); // one row above the page: the highlight climbs 9
    EXPECT_EQ(list.firstRow(), 1);
    EXPECT_EQ(list.currentRow(), 1);
    list.pages().bottom();
    EXPECT_EQ(list.firstRow(), 16);
    EXPECT_EQ(list.highlightedRow(), 25);
}

TEST_F(PickerTest, ShorterThanThePageHidesTheScrollBarAndPagesMoveTheHighlight)
{
    addNumberedPeople(3);
    PickerList list(m_context->PickedPeople);
    ASSERT_TRUE(list.load(data().people).ok());
    list.setItems(10);
    EXPECT_EQ(list.pageSize(), 3);
    EXPECT_FALSE(list.isScrollBarShown());
    list.pages().pageDown();
    EXPECT_EQ(list.currentRow(), 3);
    EXPECT_EQ(list.firstRow(), 1);
    list.pages().pageUp();
    EXPECT_EQ(list.currentRow(), 1);
    list.setItems(3); // exactly full
    EXPECT_TRUE(list.isScrollBarShown());
}

TEST_F(PickerTest, ResizingKeepsTheHighlightedPerson)
{
    addNumberedPeople(30);
    PickerList list(m_context->PickedPeople);
    ASSERT_TRUE(list.load(data().people).ok());
    list.setItems(10);
    list.pages().thumbTo(99); // rows 21..30, row 29 highlighted
    ASSERT_EQ(list.highlightedRow(), 29);
    list.setItems(20);
    EXPECT_EQ(list.firstRow(), 11) << "the taller page is filled upward from the end";
    EXPECT_EQ(list.highlightedRow(), 29);
    list.setItems(4);
    EXPECT_EQ(list.pageSize(), 4);
    EXPECT_EQ(list.highlightedRow(), 14) << "the last row when the highlight no longer fits";
}

// ---------------------------------------------------------------------------
// The window

TEST_F(PickerTest, WindowShowsItsTextsAndColumns)
{
    addPerson("Ann", "Ann Holm");
    std::string helpTopic;
    m_context->showHelp = [&](const std::string &topic) { helpTopic = topic; };
    auto dialog = shownPicker();
    EXPECT_EQ(dialog->windowTitle(), "Browse People - Multiple Select");
    const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel *label) {
        return label->text() == "Use right mouse key or Tag/Clear button to mark/unmark selections";
    }));
    QAbstractItemModel *model = dialog->table()->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Short Name");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Long Name (Optional)");
    EXPECT_EQ(model->data(model->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignCenter);
    QHeaderView *header = dialog->table()->horizontalHeader();
    EXPECT_NEAR(header->sectionSize(1) * 12.0 / 50, header->sectionSize(0), 1.5);
    EXPECT_EQ(cell(*dialog, 1, 2), "Ann Holm");
    const std::vector<QString> buttons = {"Select",    "Insert", "Tag/Clear",
                                          "Clear All", "Cancel", "Help"};
    for (std::size_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(dialog->button(static_cast<Command>(i))->text(), buttons[i]);
    EXPECT_TRUE(dialog->button(Command::Select)->isDefault());
    EXPECT_EQ(dialog->statusMessage(), "Use right mouse key to select/deselect")
        << "the list has the focus when the window opens";
    dialog->button(Command::Help)->click();
    EXPECT_EQ(helpTopic, "~BRWSPEOMDIAL");
}

TEST_F(PickerTest, RightClickTogglesExactlyOncePerClick)
{
    addNumberedPeople(5);
    auto dialog = shownPicker();
    click(*dialog, 3, Qt::RightButton);
    EXPECT_EQ(cell(*dialog, 3, 0), "*");
    EXPECT_EQ(m_context->PickedPeople[2].mark.str(), "*");
    EXPECT_EQ(dialog->list().currentRow(), 3);
    click(*dialog, 3, Qt::RightButton);
    EXPECT_EQ(cell(*dialog, 3, 0), "");
    // A quick second click arrives as a double click: it toggles as well.
    click(*dialog, 2, Qt::RightButton);
    click(*dialog, 2, Qt::RightButton, true);
    EXPECT_TRUE(m_context->PickedPeople[1].mark.isBlank());
    click(*dialog, 4, Qt::LeftButton); // a left click only highlights
    EXPECT_EQ(dialog->list().currentRow(), 4);
    EXPECT_TRUE(m_context->PickedPeople[3].mark.isBlank());
    dialog->button(Command::TagClear)->click();
    EXPECT_EQ(cell(*dialog, 4, 0), "*");
    EXPECT_TRUE(dialog->table()->hasFocus()) << "Tag/Clear gives the focus back to the list";
    QTest::mouseClick(dialog->table()->viewport(), Qt::RightButton, {},
                      QPoint(5, dialog->table()->viewport()->height() - 2)); // below the rows
    int marked = 0;
    for (const PickedPerson &person : m_context->PickedPeople)
        marked += person.mark.isBlank() ? 0 : 1;
    EXPECT_EQ(marked, 1);
}

TEST_F(PickerTest, MarksStayWhileScrollingAwayAndBack)
{
    addNumberedPeople(60);
    auto dialog = shownPicker();
    const int items = dialog->list().items();
    ASSERT_GE(items, 5);
    ASSERT_TRUE(dialog->scrollBar()->isVisible());
    click(*dialog, 2, Qt::RightButton);
    QTest::keyClick(dialog->table(), Qt::Key_PageDown);
    EXPECT_EQ(dialog->list().firstRow(), 1 + items);
    EXPECT_NE(cell(*dialog, 2, 0), "*") << "refilling the page toggles nothing";
    click(*dialog, 1, Qt::RightButton); // row items + 1
    QTest::keyClick(dialog->table(), Qt::Key_End);
    QTest::keyClick(dialog->table(), Qt::Key_Home);
    EXPECT_EQ(cell(*dialog, 2, 0), "*");
    EXPECT_EQ(cell(*dialog, 2, 1), "P002");
    QTest::keyClick(dialog->table(), Qt::Key_PageDown);
    EXPECT_EQ(cell(*dialog, 1, 0), "*");
    EXPECT_EQ(dialog->scrollBar()->value(), dialog->list().thumb());
    EXPECT_GT(dialog->scrollBar()->value(), 0);
}

TEST_F(PickerTest, DraggingTheScrollBoxShowsThePageOfItsPosition)
{
    addNumberedPeople(200);
    auto dialog = shownPicker();
    QScrollBar *bar = dialog->scrollBar();
    bar->setSliderDown(true);
    bar->setSliderPosition(25);
    EXPECT_EQ(cell(*dialog, 1, 1), "P001") << "nothing is read while the box is dragged";
    bar->setSliderDown(false);
    EXPECT_EQ(dialog->list().highlightedRow(), dialog->list().thumbRow(25));
    EXPECT_EQ(cell(*dialog, 1, 1), "P049");
    EXPECT_EQ(bar->value(), 25);
    bar->setSliderPosition(50);
    bar->triggerAction(QAbstractSlider::SliderMove);
    const int row = dialog->list().thumbRow(50);
    EXPECT_EQ(row, 99);
    EXPECT_EQ(cell(*dialog, 1, 1), "P099");
    EXPECT_EQ(dialog->list().highlightedRow(), row);
    EXPECT_EQ(bar->value(), 50);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(dialog->list().highlightedRow(), 200);
    EXPECT_EQ(bar->value(), 100);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(dialog->list().highlightedRow(), 199);
}

TEST_F(PickerTest, TheWheelMovesALineANotchOverTheListAndOverItsScrollBar)
{
    addNumberedPeople(60);
    auto dialog = shownPicker();
    auto turn = [](QWidget *widget, int angle) {
        const QPointF at(2, 2);
        QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    };
    turn(dialog->table()->viewport(), -2 * 120);
    EXPECT_EQ(dialog->list().highlightedRow(), 3);
    // Over the scroll bar the wheel moves the list, not the box alone.
    turn(dialog->scrollBar(), -120);
    EXPECT_EQ(dialog->list().highlightedRow(), 4);
    EXPECT_EQ(dialog->scrollBar()->value(), dialog->list().thumb());
    turn(dialog->table()->viewport(), 120);
    EXPECT_EQ(dialog->list().highlightedRow(), 3);
}

TEST_F(PickerTest, SelectHandsBackOnlyTheMarkedInShortNameOrder)
{
    for (const char *name : {"bob", "Ann", "carl", "ANN"})
        addPerson(name);
    runPicker([](PeoplePickerDialog &dialog) {
        click(dialog, 4, Qt::RightButton); // carl
        click(dialog, 1, Qt::RightButton); // ANN
        click(dialog, 3, Qt::RightButton); // bob
        click(dialog, 2, Qt::RightButton); // Ann
        click(dialog, 4, Qt::RightButton); // carl again: unmarked
        dialog.button(Command::Select)->click();
    });
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_EQ(pickedNames(), (std::vector<std::string>{"ANN", "Ann", "bob"}));
    EXPECT_EQ(m_context->PickedPeople[2].row, 3) << "row numbers keep their load order";
    EXPECT_EQ(m_context->globals.request, SelectRecord);
}

TEST_F(PickerTest, EnterPressesSelect)
{
    addPerson("Ann");
    runPicker([](PeoplePickerDialog &dialog) {
        dialog.button(Command::TagClear)->click();
        QTest::keyClick(dialog.table(), Qt::Key_Return);
    });
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_EQ(pickedNames(), std::vector<std::string>{"Ann"});
}

TEST_F(PickerTest, CancelEscapeAndTheCloseBoxLeaveCancelledWithEveryone)
{
    for (const char *name : {"Cy", "Al", "Bo"})
        addPerson(name);
    const std::vector<std::string> everyone = {"Al", "Bo", "Cy"};
    const std::vector<std::function<void(PeoplePickerDialog &)>> ways = {
        [](PeoplePickerDialog &dialog) { dialog.button(Command::Cancel)->click(); },
        [](PeoplePickerDialog &dialog) { QTest::keyClick(dialog.table(), Qt::Key_Escape); },
        [](PeoplePickerDialog &dialog) { dialog.close(); },
    };
    for (std::size_t way = 0; way < ways.size(); ++way) {
        m_context->globals.response = RequestCompleted;
        runPicker([&](PeoplePickerDialog &dialog) {
            click(dialog, 2, Qt::RightButton);
            ways[way](dialog);
        });
        EXPECT_EQ(m_context->globals.response, RequestCancelled) << "way " << way;
        EXPECT_EQ(pickedNames(), everyone) << "way " << way;
    }
}

TEST_F(PickerTest, ClearAllUnmarksAndReturnsToTheTop)
{
    addNumberedPeople(40);
    auto dialog = shownPicker();
    click(*dialog, 1, Qt::RightButton);
    QTest::keyClick(dialog->table(), Qt::Key_End);
    click(*dialog, dialog->list().pageSize(), Qt::RightButton);
    dialog->button(Command::ClearAll)->click();
    EXPECT_EQ(dialog->list().highlightedRow(), 1);
    EXPECT_TRUE(dialog->table()->hasFocus());
    EXPECT_EQ(m_context->PickedPeople.size(), 40u);
    for (const PickedPerson &person : m_context->PickedPeople)
        EXPECT_TRUE(person.mark.isBlank()) << person.shortName.str();
}

TEST_F(PickerTest, InsertAddsThroughThePersonFormAndLosesTheMarks)
{
    for (const char *name : {"Al", "Cy"})
        addPerson(name);
    int calls = 0;
    m_context->procedures->setCalled("UPDATEPERSON", [&](AppContext &context) {
        ++calls;
        EXPECT_EQ(context.globals.request, InsertRecord);
        EXPECT_EQ(context.data.PEO, PeopleRecord{}) << "the buffer is cleared first";
        context.data.PEO = PeopleRecord{"Bo", "Bo Berg", 1000};
        ASSERT_TRUE(context.data.people.add().ok());
        context.globals.response = RequestCompleted;
    });
    runPicker([&](PeoplePickerDialog &dialog) {
        click(dialog, 1, Qt::RightButton);
        click(dialog, 2, Qt::RightButton);
        QTest::keyClick(dialog.table(), Qt::Key_Insert);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(dialog.list().count(), 3);
        EXPECT_EQ(cell(dialog, 2, 1), "Bo") << "the new person takes its place in the order";
        EXPECT_EQ(cell(dialog, 1, 0), "");
        EXPECT_EQ(cell(dialog, 3, 0), "");
        EXPECT_TRUE(dialog.table()->hasFocus());
        // The form completed, yet leaving by the close box is no selection.
        dialog.close();
    });
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_EQ(m_context->globals.request, SelectRecord);
    EXPECT_EQ(pickedNames(), (std::vector<std::string>{"Al", "Bo", "Cy"}));
}

TEST_F(PickerTest, InsertWithoutAPersonFormKeepsTheList)
{
    addPerson("Al");
    auto dialog = shownPicker();
    click(*dialog, 1, Qt::RightButton);
    dialog->button(Command::Insert)->click();
    EXPECT_EQ(cell(*dialog, 1, 0), "*");
}

TEST_F(PickerTest, EmptyPeopleFile)
{
    runPicker([](PeoplePickerDialog &dialog) {
        EXPECT_EQ(dialog.list().pageSize(), 0);
        EXPECT_EQ(dialog.table()->model()->rowCount(), 0);
        EXPECT_FALSE(dialog.scrollBar()->isVisible());
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Up})
            QTest::keyClick(dialog.table(), key);
        dialog.button(Command::TagClear)->click();
        dialog.button(Command::Select)->click();
    });
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_TRUE(m_context->PickedPeople.empty());
    EXPECT_TRUE(m_prompter.shown().empty());
}

TEST_F(PickerTest, PeopleFileIsClosedByTheLastUser)
{
    releaseFiles();
    ASSERT_FALSE(data().people.isOpen());
    runPicker([&](PeoplePickerDialog &dialog) {
        EXPECT_TRUE(data().people.isOpen());
        dialog.reject();
    });
    EXPECT_FALSE(data().people.isOpen());
    EXPECT_EQ(data().people.openCount(), 0);
}

TEST_F(PickerTest, RenderingWritesAPictureAndLeavesTheGlobalsAlone)
{
    const std::string png = (folder() / "picker.png").string();
    m_context->globals.response = RequestCompleted;
    m_context->PickedPeople.push_back(PickedPerson{"*", "Kept", "", 4});
    ASSERT_TRUE(renderPeoplePicker(*m_context, QString::fromStdString(png)));
    EXPECT_TRUE(std::filesystem::file_size(png) > 0);
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_EQ(pickedNames(), std::vector<std::string>{"Kept"});
    bool any = false;
    ASSERT_TRUE(data().people.hasRecords(any).ok());
    EXPECT_TRUE(any) << "an empty PEOPLE file gets a few people to show";
}

// Found in use: the long-name column showed only the start of a long name.
TEST_F(PickerTest, NameColumnsShowTheWidestNameWhole)
{
    const std::string wide = "WOLFGANG MAXIMILIAN ÅSTERHØLMÉ"; // 30 characters
    addPerson("Ann", "Ann Holm");
    addPerson("WÅLDEMÅR-W", wide);
    auto dialog = shownPicker();
    ASSERT_EQ(cell(*dialog, 2, 2).toStdString(), wide);
    QTableView *table = dialog->table();
    QHeaderView *header = table->horizontalHeader();
    for (int column : {1, 2}) {
        SCOPED_TRACE(column);
        const int textWidth = table->fontMetrics().horizontalAdvance(cell(*dialog, 2, column));
        EXPECT_LT(textWidth, header->sectionSize(column));
        EXPECT_LE(header->sectionViewportPosition(column) + header->sectionSize(column),
                  table->viewport()->width());
    }
}

} // namespace
} // namespace korvalen
