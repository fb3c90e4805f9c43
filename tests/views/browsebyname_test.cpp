// The activities by name, offscreen over real files: the side lists pinned
// to the highlighted activity, the locator through the keys, the refresh on
// regaining the focus, and a failed read.

#include "views/browsebyname.h"

#include "storage/warnings.h"
#include "ui/browselist.h"

#include "../guifixture.h"

#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using namespace keys;

class BrowseByNameTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock = FixedClock(90000, 1);
        ASSERT_TRUE(openData({&data().activity, &data().personAct, &data().dates}));
    }

    // An activity numbered `number` with its people and its dates (at 9:00
    // to 10:00), in the order given.
    void addActivity(std::int32_t number, const std::string &name,
                     const std::vector<std::string> &people = {},
                     const std::vector<Date> &dates = {})
    {
        data().ACT = {};
        data().ACT.ACTNUMBER = number;
        data().ACT.NAME = name;
        ASSERT_TRUE(data().activity.add().ok());
        for (const std::string &person : people) {
            data().PER = {number, Text<10>(person)};
            ASSERT_TRUE(data().personAct.add().ok());
        }
        for (Date date : dates) {
            data().DAT = {};
            data().DAT.ACTNUMBER = number;
            data().DAT.DATE = date;
            data().DAT.TIME = 9 * kHundredthsPerHour + 1;
            data().DAT.ENDTIME = 10 * kHundredthsPerHour + 1;
            ASSERT_TRUE(data().dates.add().ok());
        }
    }

    std::unique_ptr<BrowseByNameWindow> window()
    {
        auto made = std::make_unique<BrowseByNameWindow>(*m_context);
        made->resize(640, 260);
        EXPECT_TRUE(made->start());
        made->show();
        QApplication::processEvents();
        return made;
    }

    static std::vector<std::string> column(const BrowseList &list, int index = 0)
    {
        std::vector<std::string> cells;
        for (const BrowseRow &row : const_cast<BrowseList &>(list).browse().rows())
            cells.push_back(row.cells[static_cast<std::size_t>(index)]);
        return cells;
    }
    static std::string highlighted(BrowseList &list, int index = 0)
    {
        const BrowseRow *row = list.browse().pages().current();
        return row ? row->cells[static_cast<std::size_t>(index)] : "";
    }
    static std::vector<Date> shownDates(BrowseList &list)
    {
        std::vector<Date> dates;
        for (const BrowseRow &row : list.browse().rows())
            dates.push_back(static_cast<const DatesRecord *>(row.record.get())->DATE);
        return dates;
    }
};

TEST_F(BrowseByNameTest, SideListsFollowTheHighlightedActivityFromTheirFirstRows)
{
    // Dates stored out of date order, between records of other activities.
    std::vector<Date> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(50000 - i);
    addActivity(1, "Alpha without anyone or any date");
    addActivity(3, "Gamma", {"Gus"}, {70000, 60000});
    addActivity(2, "Beta", {"Bo", "Anna"}, many);
    addActivity(4, std::string(34, 'Z'), {"Zed"}, {80000});
    auto shown = window();
    BrowseList &people = shown->people();
    BrowseList &dates = shown->dates();
    EXPECT_EQ(shown->shownActivity(), 1);
    EXPECT_TRUE(people.browse().rows().empty());
    EXPECT_TRUE(dates.browse().rows().empty());

    shown->activities().browse().lineDown();
    EXPECT_EQ(shown->shownActivity(), 2);
    EXPECT_EQ(column(people), (std::vector<std::string>{"Bo", "Anna"}));
    ASSERT_GE(dates.browse().rows().size(), 2u);
    EXPECT_EQ(shownDates(dates)[0], 50000) << "the dates as stored, not sorted";
    EXPECT_EQ(shownDates(dates)[1], 49999);
    dates.browse().bottom();
    EXPECT_EQ(shownDates(dates).back(), 49961) << "the range ends the list at its activity";
    dates.browse().pageUp();

    // Away and back: the side lists start again from their first rows.
    shown->activities().browse().lineDown();
    EXPECT_EQ(shownDates(dates), (std::vector<Date>{70000, 60000}));
    EXPECT_EQ(column(people), (std::vector<std::string>{"Gus"}));
    shown->activities().browse().lineUp();
    EXPECT_EQ(shownDates(dates).front(), 50000);
    EXPECT_EQ(dates.browse().currentRow(), 1);

    // A key typed in a side list goes to its first row, whatever the key.
    dates.browse().pageDown();
    ASSERT_FALSE(shownDates(dates).front() == 50000 && dates.browse().currentRow() == 1);
    QTest::keyClick(dates.table(), Qt::Key_9);
    EXPECT_EQ(shownDates(dates).front(), 50000);
    EXPECT_EQ(dates.browse().currentRow(), 1);

    shown->activities().browse().bottom();
    EXPECT_EQ(highlighted(shown->activities()), std::string(30, 'Z')) << "names cut to 30";
    EXPECT_EQ(column(people), (std::vector<std::string>{"Zed"}));
}

TEST_F(BrowseByNameTest, TheLocatorMovesByAllThatWasTypedSpaceAndBackspaceIncluded)
{
    int number = 0;
    for (const char *name : {"Apple", "banjo", "Bass", "Beach", "Bin zone", "Binder", "Cello"})
        addActivity(++number, name, {std::string(name).substr(0, 3)});
    auto shown = window();
    QTableView *table = shown->activities().table();
    auto typed = [&](const char *keys) {
        QTest::keyClicks(table, keys);
        return highlighted(shown->activities());
    };
    EXPECT_EQ(typed("B"), "banjo");
    EXPECT_EQ(typed("a"), "banjo");
    EXPECT_EQ(typed("s"), "Bass");
    QTest::keyClick(table, Qt::Key_Backspace);
    EXPECT_EQ(highlighted(shown->activities()), "banjo") << "back to Ba";
    EXPECT_EQ(column(shown->people()), (std::vector<std::string>{"ban"}));
    QTest::keyClick(table, Qt::Key_Backspace);
    QTest::keyClick(table, Qt::Key_Backspace);
    EXPECT_EQ(shown->locatorText(), "");
    EXPECT_EQ(highlighted(shown->activities()), "Apple");
    // "Bin z" is not "Binz", which lies beyond "Binder".
    EXPECT_EQ(typed("Bin z"), "Bin zone");
    // Enter is no button press here: the window stays.
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_TRUE(shown->isVisible());
}

TEST_F(BrowseByNameTest, RegainingTheFocusShowsWhatAnotherStationChanged)
{
    addActivity(1, "Beta", {"Bo"}, {50000});
    addActivity(2, "Delta", {"Dan"}, {60000});
    auto shown = window();
    shown->activities().browse().lineDown();
    shown->people().browse().lineDown();
    auto other = std::make_unique<AppData>();
    ASSERT_TRUE(other->database.open(folder()).ok());
    openDataFile(other->activity, m_prompter);
    openDataFile(other->personAct, m_prompter);
    other->ACT = {};
    other->ACT.ACTNUMBER = 3;
    other->ACT.NAME = "Alpha";
    ASSERT_TRUE(other->activity.add().ok());
    other->PER = {2, Text<10>("Ann")};
    ASSERT_TRUE(other->personAct.add().ok());

    QWidget elsewhere;
    showAndWait(elsewhere);
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    shown->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(shown.get()));
    QApplication::processEvents();
    EXPECT_EQ(column(shown->activities()), (std::vector<std::string>{"Alpha", "Beta", "Delta"}));
    EXPECT_EQ(highlighted(shown->activities()), "Delta");
    EXPECT_EQ(column(shown->people()), (std::vector<std::string>{"Dan", "Ann"}));

    // The highlighted activity gone: its neighbour's people are shown.
    other->ACT.NAME = "Delta";
    ASSERT_TRUE(other->activity.get(ACT_NAME_KEY).ok());
    ASSERT_TRUE(other->activity.remove().ok());
    shown->refresh();
    EXPECT_EQ(highlighted(shown->activities()), "Beta");
    EXPECT_EQ(column(shown->people()), (std::vector<std::string>{"Bo"}));
    EXPECT_TRUE(m_prompter.shown().empty());
}

TEST_F(BrowseByNameTest, AFailedReadOfASideListWarnsOnceAndClosesTheWindow)
{
    addActivity(1, "Beta", {"Bo"}, {50000});
    addActivity(2, "Delta", {"Dan"}, {60000});
    auto shown = window();
    data().dates.close(); // the file goes from under the list
    shown->activities().browse().lineDown();
    QApplication::processEvents();
    ASSERT_EQ(captions(), (std::vector<std::string>{"Record Retrieval Error"}));
    EXPECT_FALSE(shown->isVisible());
}

} // namespace
} // namespace korvalen
