// The paged browse list: the controller over real files in a temporary
// working directory with a host of fixed height, and the window's keys and
// buttons offscreen.

#include "ui/pagedbrowse.h"

#include "ui/browselist.h"

#include "../guifixture.h"

#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using namespace keys;

// A list control of a fixed height.
struct FixedHost : BrowseHost
{
    int rows = 10;
    int pages = 0;
    int closes = 0;
    int visibleRows() const override { return rows; }
    void pageChanged() override { ++pages; }
    void closeWindow() override { ++closes; }
    void setBusy(bool) override {}
};

class BrowseTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock = FixedClock(90000, 1);
        ASSERT_TRUE(openData({&data().group, &data().people, &data().groupPeople}));
    }

    // Groups "G001".. "Gnnn".
    void addGroups(int count)
    {
        for (int i = 1; i <= count; ++i)
            addGroup(numbered('G', i));
    }
    // Members P1000.. P1099 of Aunts, P1100.. P1199 of Band, P1200.. P1299 of
    // Cousins.
    void addMembersOfThreeGroups()
    {
        for (int i = 0; i < 300; ++i)
            addMember(i < 100 ? "Aunts" : (i < 200 ? "Band" : "Cousins"),
                      "P" + std::to_string(1000 + i));
    }

    BrowseConfig groupConfig()
    {
        BrowseConfig config;
        config.file = &data().group;
        config.key = GRO_GROUP_KEY;
        config.keyField = textKeyField(&GroupRecord::GROUP);
        config.columns = {textColumn("Group List", 40, "s10", &GroupRecord::GROUP)};
        config.updateProcedure = "UPDATEGROUP";
        return config;
    }
    BrowseConfig peopleConfig()
    {
        BrowseConfig config;
        config.file = &data().people;
        config.key = PEO_PERSON_KEY;
        config.keyField = textKeyField(&PeopleRecord::PERSON);
        config.columns = {textColumn("Short Name", 52, "s10", &PeopleRecord::PERSON)};
        config.updateProcedure = "UPDATEPERSON";
        return config;
    }
    PagedBrowse &open(BrowseConfig config, int request = 0)
    {
        m_browse = std::make_unique<PagedBrowse>(*m_context, std::move(config), m_host);
        EXPECT_TRUE(m_browse->open(request));
        m_view = m_browse.get();
        return *m_browse;
    }

    std::vector<std::string> column(int index = 0) const
    {
        std::vector<std::string> out;
        for (const BrowseRow &row : m_view->rows())
            out.push_back(row.cells[static_cast<std::size_t>(index)]);
        return out;
    }
    std::string highlighted() const
    {
        int row = m_view->currentRow();
        return row == 0 ? "" : m_view->rows()[static_cast<std::size_t>(row - 1)].cells[0];
    }

    FixedHost m_host;
    std::unique_ptr<PagedBrowse> m_browse;
    PagedBrowse *m_view = nullptr; // the list the checks look at
};

// ---------------------------------------------------------------------------
// Step tables

TEST(StepTables, LetterEntriesAndThumbFollowTheTable)
{
    const std::vector<std::pair<int, std::string>> entries = {
        {1, "  "},  {2, "AF"},  {4, "AT"},  {5, "B "},  {50, "MF"}, {51, "MN"},
        {64, "PT"}, {65, "Q "}, {66, "QN"}, {67, "R "}, {99, "Z "}, {100, "ZN"}};
    for (const auto &[n, entry] : entries)
        EXPECT_EQ(letterStepEntry(n), entry) << n;
    EXPECT_EQ(textThumb(""), 0);
    EXPECT_EQ(textThumb("AARDVARK"), 2); // "AF" is the first entry not less
    EXPECT_EQ(textThumb("mary"), 50);    // compared in upper case
    EXPECT_EQ(textThumb("MF"), 50);
    EXPECT_EQ(textThumb("QN"), 66);
    EXPECT_EQ(textThumb("Quincy"), 67); // "QUINCY" is beyond "QN"
    EXPECT_EQ(textThumb("ZZ"), 100);    // beyond every entry: the bottom
}

TEST(StepTables, NumericEntriesAreTruncatedSteps)
{
    NumericSteps steps{10, 1000, true};
    EXPECT_EQ(steps.entry(1), 10);
    EXPECT_EQ(steps.entry(2), 20);
    EXPECT_EQ(steps.entry(51), 510);
    EXPECT_EQ(steps.entry(100), 1000);
    NumericSteps odd{0, 7, true};
    EXPECT_EQ(odd.entry(50), 3); // 49 * 7 / 99 = 3.46
    EXPECT_EQ(steps.thumb(5), 0);
    EXPECT_EQ(steps.thumb(25), 3);
    EXPECT_EQ(steps.thumb(2000), 100);
}

// ---------------------------------------------------------------------------
// Pages and scrolling

TEST_F(BrowseTest, EmptyFileOffersOnlyInsertAndClearsTheBuffer)
{
    data().GRO.GROUP = "Leftover";
    PagedBrowse &browse = open(groupConfig());
    EXPECT_TRUE(browse.rows().empty());
    EXPECT_EQ(browse.currentRow(), 0);
    EXPECT_TRUE(data().GRO.GROUP.isBlank());
    EXPECT_TRUE(browse.canInsert());
    EXPECT_FALSE(browse.canChange());
    EXPECT_FALSE(browse.canDelete());
    EXPECT_EQ(browse.popupMenu(), "Insert|~Change|~Delete|-|~Select");
    browse.pageDown();
    browse.lineDown();
    EXPECT_FALSE(browse.locate("x"));
    EXPECT_EQ(browse.currentRow(), 0);
}

TEST_F(BrowseTest, FewerRowsThanFitHideTheScrollBarAndPagingMovesTheHighlight)
{
    addGroups(5);
    PagedBrowse &browse = open(groupConfig());
    EXPECT_EQ(column(), (std::vector<std::string>{"G001", "G002", "G003", "G004", "G005"}));
    EXPECT_FALSE(browse.isScrollBarVisible());
    browse.pageDown();
    EXPECT_EQ(browse.currentRow(), 5);
    EXPECT_EQ(browse.rows().size(), 5u);
    browse.pageUp();
    EXPECT_EQ(browse.currentRow(), 1);
    EXPECT_EQ(data().GRO.GROUP, "G001");
    EXPECT_EQ(browse.popupMenu(), "Insert|Change|Delete|-|~Select");
}

TEST_F(BrowseTest, LinePageTopAndBottomScrolling)
{
    addGroups(35);
    PagedBrowse &browse = open(groupConfig());
    EXPECT_TRUE(browse.isScrollBarVisible());
    EXPECT_EQ(highlighted(), "G001");
    browse.lineUp(); // already at the start
    EXPECT_EQ(column().front(), "G001");
    browse.pageDown();
    EXPECT_EQ(column().front(), "G011");
    EXPECT_EQ(highlighted(), "G011");
    for (int i = 0; i < 9; ++i)
        browse.lineDown();
    EXPECT_EQ(highlighted(), "G020");
    browse.lineDown(); // the page shifts by one
    EXPECT_EQ(column().front(), "G012");
    EXPECT_EQ(highlighted(), "G021");
    browse.pageDown();
    browse.pageDown(); // 5 records left of 10: the highlight moves by them
    EXPECT_EQ(column().back(), "G035");
    EXPECT_EQ(highlighted(), "G035");
    browse.top();
    EXPECT_EQ(highlighted(), "G001");
    browse.bottom();
    EXPECT_EQ(column().front(), "G026");
    EXPECT_EQ(highlighted(), "G035");
    EXPECT_EQ(data().GRO.GROUP, "G035");
    browse.lineUp();
    EXPECT_EQ(highlighted(), "G034");
}

TEST_F(BrowseTest, LocatorIgnoresCaseOnACaseFoldedKeyAndBlankDoesNothing)
{
    for (const char *name : {"alpha", "beta", "Mango", "melon", "nut", "Zulu"})
        addGroup(name);
    m_host.rows = 3;
    PagedBrowse &browse = open(groupConfig());
    browse.lineDown();
    EXPECT_FALSE(browse.locate(" "));
    EXPECT_EQ(highlighted(), "beta");
    EXPECT_TRUE(browse.locate("m"));
    EXPECT_EQ(highlighted(), "Mango");
    EXPECT_EQ(column(), (std::vector<std::string>{"Mango", "melon", "nut"}));
    // Beyond the last key: the last page, its last row highlighted.
    EXPECT_TRUE(browse.locate("~"));
    EXPECT_EQ(column(), (std::vector<std::string>{"melon", "nut", "Zulu"}));
    EXPECT_EQ(highlighted(), "Zulu");
    // Near the end the page is filled upward around the found record.
    EXPECT_TRUE(browse.locate("Z"));
    EXPECT_EQ(column(), (std::vector<std::string>{"melon", "nut", "Zulu"}));
    EXPECT_EQ(highlighted(), "Zulu");
}

TEST_F(BrowseTest, ThumbPositionsOnTheCaseSensitivePeopleKey)
{
    for (const char *name : {"ABE", "AGA", "BO", "MAE", "MIA", "MOE", "PIA", "QED", "QUIN", "REX",
                             "ZED", "ZORA", "anna", "zoe"})
        addPerson(name);
    m_host.rows = 2;
    PagedBrowse &browse = open(peopleConfig());
    const std::vector<std::pair<int, std::string>> expected = {
        {1, "ABE"},  {2, "AGA"},   {50, "MIA"}, {51, "MOE"},
        {65, "QED"}, {66, "QUIN"}, {99, "ZED"}, {100, "zoe"}};
    for (const auto &[position, first] : expected) {
        browse.thumbTo(position);
        EXPECT_EQ(highlighted(), first) << position;
    }
    // Lower-case names sort after every capital: the bottom holds them, and
    // their thumb, compared in upper case, stands near the top.
    EXPECT_EQ(column(), (std::vector<std::string>{"anna", "zoe"}));
    browse.lineUp();
    EXPECT_EQ(highlighted(), "anna");
    EXPECT_EQ(browse.thumb(), 4); // "AT" is the first entry not less than "ANNA"
    browse.thumbTo(50);
    EXPECT_EQ(browse.thumb(), 51); // "MIA" lies beyond "MF"
    // A lower-case locator finds the lower-case names.
    EXPECT_TRUE(browse.locate("m"));
    EXPECT_EQ(highlighted(), "zoe");
}

TEST_F(BrowseTest, NumericKeyLocatorAndThumbUseTheRangeOfDates)
{
    for (int i = 0; i < 30; ++i)
        addPerson("P" + std::to_string(i), "", 1000 + i * 10);
    BrowseConfig config = peopleConfig();
    config.key = PEO_DATE_KEY;
    config.keyField = numberKeyField(&PeopleRecord::DATE);
    m_host.rows = 5;
    PagedBrowse &browse = open(config);
    browse.thumbTo(51); // 1000 + 50 * 290 / 99 = 1146.46: the first date not less is 1150
    EXPECT_EQ(data().PEO.DATE, 1150);
    EXPECT_EQ(browse.thumb(), 53);   // entry 52 is 1149, entry 53 is 1152
    EXPECT_TRUE(browse.locate("7")); // a digit is its value: before every date
    EXPECT_EQ(data().PEO.DATE, 1000);
}

// ---------------------------------------------------------------------------
// Reads per fill

TEST_F(BrowseTest, AFillReadsAtMostTheRowsItShowsPlusOne)
{
    addMembersOfThreeGroups();
    int reads = 0;
    GroupPeopleRecord pinned;
    pinned.GROUP = "BAND";
    BrowseConfig config;
    config.file = &data().groupPeople;
    config.key = GRP_GROUP_KEY;
    config.keyField = textKeyField(&GroupPeopleRecord::PEOPLE, 1);
    config.range = [pinned](Cursor &cursor) { cursor.setRangeEqual(1, &pinned); };
    config.filter = [&reads](const void *) { return ++reads > 0; };
    config.columns = {textColumn("Member", 40, "s10", &GroupPeopleRecord::PEOPLE)};
    m_host.rows = 8;
    PagedBrowse &browse = open(config);
    EXPECT_EQ(column().front(), "P1100");
    EXPECT_LE(reads, 9);
    const std::vector<std::pair<const char *, std::function<void()>>> steps = {
        {"page down", [&] { browse.pageDown(); }}, {"line down", [&] { browse.lineDown(); }},
        {"thumb", [&] { browse.thumbTo(60); }},    {"locator", [&] { browse.locate("P"); }},
        {"bottom", [&] { browse.bottom(); }},      {"page up", [&] { browse.pageUp(); }},
        {"refresh", [&] { browse.refresh(); }}};
    for (const auto &[name, step] : steps) {
        reads = 0;
        step();
        EXPECT_LE(reads, 9) << name;
    }
    browse.bottom();
    EXPECT_EQ(column().back(), "P1199"); // the range ends the view
    browse.locate("~");
    EXPECT_EQ(highlighted(), "P1199");
}

TEST_F(BrowseTest, ARangeChangedWhileOpenShowsTheNewRangeReadingNothingOutsideIt)
{
    addMembersOfThreeGroups();
    std::vector<std::string> seen; // the group of every record the list looked at
    auto pin = [](const char *group) {
        GroupPeopleRecord pinned;
        pinned.GROUP = group;
        return [pinned](Cursor &cursor) { cursor.setRangeEqual(1, &pinned); };
    };
    BrowseConfig config;
    config.file = &data().groupPeople;
    config.key = GRP_GROUP_KEY;
    config.keyField = textKeyField(&GroupPeopleRecord::PEOPLE, 1);
    config.range = pin("Aunts");
    config.filter = [&seen](const void *record) {
        seen.push_back(static_cast<const GroupPeopleRecord *>(record)->GROUP.str());
        return true;
    };
    config.columns = {textColumn("Member", 40, "s10", &GroupPeopleRecord::PEOPLE)};
    m_host.rows = 8;
    PagedBrowse &browse = open(config);
    browse.pageDown();
    browse.pageDown();
    browse.lineDown(); // the highlight deep inside the old range
    seen.clear();
    browse.setRange(pin("Band"));
    EXPECT_EQ(column().front(), "P1100");
    EXPECT_EQ(highlighted(), "P1100");
    EXPECT_LE(seen.size(), 9u);
    browse.bottom();
    EXPECT_EQ(column().back(), "P1199");
    browse.setRange(pin("Cousins"));
    EXPECT_EQ(column().front(), "P1200");
    for (const std::string &group : seen)
        ASSERT_NE(group, "Aunts") << "a read outside the range";
}

TEST_F(BrowseTest, AJoinedRowCarriesTheRecordItNamesAndLeavesThatBufferAlone)
{
    addPerson("Ann", "Ann Berg");
    addPerson("Cy", "Cyrus Dahl");
    for (const char *member : {"Ann", "Bo", "Cy"}) // Bo is nobody in PEOPLE
        addMember("Band", member);
    BrowseConfig config;
    config.file = &data().groupPeople;
    config.key = GRP_GROUP_KEY;
    config.keyField = textKeyField(&GroupPeopleRecord::PEOPLE, 1);
    config.join = {&data().people, PEO_PERSON_KEY, [](const void *row, void *person) {
                       static_cast<PeopleRecord *>(person)->PERSON =
                           static_cast<const GroupPeopleRecord *>(row)->PEOPLE;
                   }};
    BrowseColumn name = textColumn("Name", 60, "s30", &PeopleRecord::NAME);
    name.fromJoin = true;
    config.columns = {textColumn("Member", 40, "s10", &GroupPeopleRecord::PEOPLE), name};
    data().PEO.PERSON = "Caller";
    m_host.rows = 2;
    PagedBrowse &browse = open(config);
    EXPECT_EQ(column(1), (std::vector<std::string>{"Ann Berg", ""}));
    browse.bottom(); // read backwards
    EXPECT_EQ(column(1), (std::vector<std::string>{"", "Cyrus Dahl"}));
    EXPECT_EQ(data().PEO.PERSON, "Caller") << "the joined file's buffer is its callers'";
    const BrowseRow &last = browse.rows().back();
    EXPECT_EQ(static_cast<const PeopleRecord *>(last.joined.get())->PERSON, "Cy");
}

TEST_F(BrowseTest, AFilterThatIsNoKeyRangeStopsAtItsCap)
{
    addGroups(200);
    int reads = 0;
    BrowseConfig config = groupConfig();
    config.filter = [&reads](const void *record) {
        ++reads;
        return static_cast<const GroupRecord *>(record)->GROUP == "G150";
    };
    config.filterCap = 40;
    PagedBrowse &browse = open(config);
    EXPECT_LE(reads, 41);
    EXPECT_TRUE(browse.rows().empty());
    reads = 0;
    browse.locate("G");
    EXPECT_LE(reads, 82);
    EXPECT_TRUE(m_prompter.shown().empty());
}

// ---------------------------------------------------------------------------
// Buttons and the update form

TEST_F(BrowseTest, TheIncrementalLocatorMovesByItsWholeTextUpToItsCapacity)
{
    for (const char *name : {"alpha", "Mango", "melon", "nut"})
        addGroup(name);
    m_host.rows = 2;
    PagedBrowse &browse = open(groupConfig());
    IncrementalLocator locator(browse.pages(), 3);
    EXPECT_TRUE(locator.type("m"));
    EXPECT_TRUE(locator.type("E"));
    EXPECT_EQ(highlighted(), "melon");
    EXPECT_TRUE(locator.backspace());
    EXPECT_EQ(highlighted(), "Mango");
    EXPECT_TRUE(locator.type("e"));
    EXPECT_TRUE(locator.type("l"));
    EXPECT_FALSE(locator.type("o")) << "full";
    EXPECT_EQ(locator.text(), "mel");
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(locator.backspace());
    EXPECT_FALSE(locator.backspace());
    EXPECT_EQ(column(), (std::vector<std::string>{"alpha", "Mango"}));
    // A blank is text here, and a character of two bytes goes whole.
    browse.bottom();
    EXPECT_TRUE(locator.type(" "));
    EXPECT_EQ(highlighted(), "alpha");
    EXPECT_TRUE(locator.type("\xC3\xA9"));
    EXPECT_TRUE(locator.backspace());
    EXPECT_EQ(locator.text(), " ");
    EXPECT_FALSE(locator.type("\b"));
}

TEST_F(BrowseTest, AFailureHandlerMayCloseTheListInTheMiddleOfAFill)
{
    addGroups(30);
    // The host closes the list the moment it is asked to, as a window does.
    struct ClosingHost : FixedHost
    {
        std::function<void()> closing;
        void closeWindow() override
        {
            FixedHost::closeWindow();
            closing();
        }
    } host;
    host.rows = 5;
    PagedBrowse browse(*m_context, groupConfig(), host);
    host.closing = [&browse] { (void)browse.close(); };
    ASSERT_TRUE(browse.open());
    data().group.close(); // the file goes from under the list
    browse.top();
    EXPECT_EQ(host.closes, 1);
    EXPECT_FALSE(browse.isOpen());
    EXPECT_EQ(captions(), (std::vector<std::string>{"Record Retrieval Error"}));
}

class BrowseFormTest : public BrowseTest
{
protected:
    // Registers a scripted group form that does `work` and answers `response`.
    void scriptForm(std::function<int(int request)> work)
    {
        procedures().setCalled("UPDATEGROUP", [this, work](AppContext &context) {
            ++m_calls;
            m_lastWatched = context.data.group.current().watched;
            m_lastSeen = context.data.GRO.GROUP.str();
            int request = context.globals.request;
            context.globals.request = 0;
            context.globals.response = work(request);
        });
    }
    // Registers a group form that cancels every request; gives the requests
    // it got, in order.
    const std::vector<int> &scriptCancellingForm()
    {
        scriptForm([this](int request) {
            m_requests.push_back(request);
            return RequestCancelled;
        });
        return m_requests;
    }

    int m_calls = 0;
    std::vector<int> m_requests;
    bool m_lastWatched = false;
    std::string m_lastSeen;
};

TEST_F(BrowseFormTest, InsertHighlightsTheNewRecordAndCancelKeepsThePage)
{
    addGroups(30);
    scriptForm([this](int request) {
        EXPECT_EQ(request, InsertRecord);
        EXPECT_TRUE(data().GRO.GROUP.isBlank());
        data().GRO.GROUP = "G0155";
        return data().group.add().ok() ? RequestCompleted : RequestCancelled;
    });
    PagedBrowse &browse = open(groupConfig());
    browse.insert();
    EXPECT_EQ(m_calls, 1);
    EXPECT_EQ(highlighted(), "G0155");
    EXPECT_EQ(column().front(), "G0155");
    scriptForm([](int) { return RequestCancelled; });
    browse.lineDown();
    browse.insert();
    EXPECT_EQ(column().front(), "G0155");
    EXPECT_EQ(highlighted(), "G016");
    EXPECT_EQ(browse.response(), RequestCancelled);
}

TEST_F(BrowseFormTest, ResetAfterInsertLandsOnThatVeryRecordAmongEqualKeys)
{
    for (int i = 0; i < 12; ++i)
        addPerson("P" + std::to_string(10 + i), "", 5000);
    procedures().setCalled("UPDATEPERSON", [this](AppContext &context) {
        context.data.PEO.PERSON = "New";
        context.data.PEO.DATE = 5000;
        context.globals.response =
            context.data.people.add().ok() ? RequestCompleted : RequestCancelled;
    });
    BrowseConfig config = peopleConfig();
    config.key = PEO_DATE_KEY;
    config.keyField = numberKeyField(&PeopleRecord::DATE);
    m_host.rows = 5;
    PagedBrowse &browse = open(config);
    browse.insert();
    EXPECT_EQ(highlighted(), "New"); // not "P10", the first with that date
    EXPECT_EQ(data().PEO.PERSON, "New");
}

TEST_F(BrowseFormTest, ChangeRereadsWithWatchAndFollowsARename)
{
    addGroups(30);
    scriptForm([this](int request) {
        EXPECT_EQ(request, ChangeRecord);
        data().GRO.GROUP = "Z-renamed";
        return data().group.put().ok() ? RequestCompleted : RequestCancelled;
    });
    PagedBrowse &browse = open(groupConfig());
    browse.lineDown();
    browse.change();
    EXPECT_TRUE(m_lastWatched);
    EXPECT_EQ(m_lastSeen, "G002");
    EXPECT_EQ(highlighted(), "Z-renamed");
    EXPECT_EQ(column().back(), "Z-renamed");
}

TEST_F(BrowseFormTest, DeletingTheLastRowOfAPageHighlightsTheNewLastRow)
{
    addGroups(25);
    scriptForm([this](int request) {
        EXPECT_EQ(request, DeleteRecord);
        return data().group.remove().ok() ? RequestCompleted : RequestCancelled;
    });
    PagedBrowse &browse = open(groupConfig());
    browse.bottom();
    browse.remove();
    EXPECT_EQ(column().front(), "G015");
    EXPECT_EQ(column().back(), "G024");
    EXPECT_EQ(highlighted(), "G024");
    browse.lineUp();
    browse.lineUp();
    browse.remove(); // a row in the middle: the one that followed is highlighted
    EXPECT_EQ(highlighted(), "G023");
}

TEST_F(BrowseFormTest, ARecordGoneBeforeChangeRebuildsWithoutAMessage)
{
    addGroups(12);
    scriptForm([](int) { return RequestCompleted; });
    PagedBrowse &browse = open(groupConfig());
    browse.lineDown();
    auto other = std::make_unique<AppData>();
    ASSERT_TRUE(other->database.open(folder()).ok());
    openDataFile(other->group, m_prompter);
    other->GRO.GROUP = "G002";
    ASSERT_TRUE(other->group.get(GRO_GROUP_KEY).ok());
    ASSERT_TRUE(other->group.remove().ok());
    browse.change();
    EXPECT_EQ(m_calls, 0);
    EXPECT_TRUE(m_prompter.shown().empty());
    EXPECT_EQ(highlighted(), "G003");
    EXPECT_EQ(column().front(), "G003");
}

TEST_F(BrowseFormTest, RegainingFocusShowsChangesOfAnotherStation)
{
    addGroups(8);
    PagedBrowse &browse = open(groupConfig());
    browse.lineDown();
    browse.lineDown();
    auto other = std::make_unique<AppData>();
    ASSERT_TRUE(other->database.open(folder()).ok());
    openDataFile(other->group, m_prompter);
    other->GRO.GROUP = "G0025";
    ASSERT_TRUE(other->group.add().ok());
    other->GRO.GROUP = "G001";
    ASSERT_TRUE(other->group.get(GRO_GROUP_KEY).ok());
    ASSERT_TRUE(other->group.remove().ok());
    browse.refresh();
    EXPECT_EQ(column().front(), "G002");
    EXPECT_EQ(column()[1], "G0025");
    EXPECT_EQ(highlighted(), "G003"); // the highlighted record stays highlighted
    // The highlighted record itself gone: its neighbour takes its place.
    other->GRO.GROUP = "G003";
    ASSERT_TRUE(other->group.get(GRO_GROUP_KEY).ok());
    ASSERT_TRUE(other->group.remove().ok());
    browse.refresh();
    EXPECT_EQ(highlighted(), "G004");
    EXPECT_TRUE(m_prompter.shown().empty());
}

TEST_F(BrowseFormTest, SelectModeOpensAtTheCallersRecordAndCompletes)
{
    addGroups(30);
    data().GRO.GROUP = "G020";
    PagedBrowse &browse = open(groupConfig(), SelectRecord);
    EXPECT_TRUE(browse.isSelectMode());
    EXPECT_EQ(highlighted(), "G020");
    EXPECT_FALSE(browse.canChange());
    EXPECT_EQ(browse.popupMenu(), "Insert|~Change|~Delete|-|Select");
    browse.lineDown();
    EXPECT_TRUE(browse.select());
    EXPECT_EQ(m_host.closes, 1);
    EXPECT_TRUE(data().group.current().watched);
    m_context->globals.response = 0;
    EXPECT_EQ(browse.close(), RequestCompleted);
    EXPECT_EQ(m_context->globals.response, 0) << "the caller writes the response, not the list";
    EXPECT_EQ(data().GRO.GROUP, "G021");
}

TEST_F(BrowseFormTest, AReadFailureShowsKind35AndClosesAndABadViewKind36)
{
    addGroups(30);
    PagedBrowse &browse = open(groupConfig());
    data().group.close(); // the file goes from under the list
    browse.pageDown();
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    EXPECT_EQ(m_prompter.shown()[0].request.caption, "Record Retrieval Error");
    EXPECT_EQ(m_host.closes, 1);
    EXPECT_TRUE(browse.rows().empty());
    m_prompter.clear();
    openDataFile(data().group, m_prompter);
    BrowseConfig bad = groupConfig();
    bad.key = 7;
    m_browse = std::make_unique<PagedBrowse>(*m_context, bad, m_host);
    EXPECT_FALSE(m_browse->open());
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    EXPECT_EQ(m_prompter.shown()[0].request.caption, "View Open Error");
}

// ---------------------------------------------------------------------------
// The window

class BrowseWindowTest : public BrowseFormTest
{
protected:
    std::unique_ptr<BrowseWindow> window(int request = 0)
    {
        auto made = std::make_unique<BrowseWindow>(*m_context, groupConfig());
        QObject::connect(made.get(), &BrowseWindow::responded,
                         [this](int response) { m_responded = response; });
        made->show();
        EXPECT_TRUE(made->start(request));
        QApplication::processEvents();
        m_view = &made->browse();
        return made;
    }
    int m_responded = 0;
};

TEST_F(BrowseWindowTest, KeysPressTheButtonsAndTheListFitsItsControl)
{
    addGroups(60);
    const std::vector<int> &requests = scriptCancellingForm();
    auto shown = window();
    PagedBrowse &browse = shown->browse();
    EXPECT_FALSE(shown->selectButton()->isVisible());
    EXPECT_TRUE(shown->changeButton()->isEnabled());
    const int fit = shown->list().visibleRows();
    EXPECT_EQ(static_cast<int>(browse.rows().size()), fit);
    EXPECT_TRUE(shown->list().scrollBar()->isVisible());
    QWidget *table = shown->list().table();
    QTest::keyClick(table, Qt::Key_Insert);
    QTest::keyClick(table, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(table, Qt::Key_Delete);
    QTest::keyClick(table, Qt::Key_Return); // Select: not in this mode
    EXPECT_EQ(requests, (std::vector<int>{InsertRecord, ChangeRecord, DeleteRecord}));
    QTest::keyClick(table, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(highlighted(), "G060");
    QTest::keyClick(table, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(highlighted(), "G001");
    QTest::keyClick(table, Qt::Key_PageDown);
    EXPECT_EQ(column().front(), numbered('G', fit + 1));
    shown->resize(shown->width(), shown->height() + 100);
    QApplication::processEvents();
    EXPECT_EQ(static_cast<int>(browse.rows().size()), shown->list().visibleRows());
    EXPECT_GT(shown->list().visibleRows(), fit);
    // Tab leaves the list for the buttons; it does not walk its rows.
    shown->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(shown.get()));
    table->setFocus();
    const std::string before = highlighted();
    QTest::keyClick(table, Qt::Key_Tab);
    EXPECT_EQ(highlighted(), before);
    EXPECT_FALSE(table->hasFocus());
}

TEST_F(BrowseWindowTest, SelectModeEnterChoosesAndTheEmptyListDisablesChange)
{
    auto empty = window();
    EXPECT_FALSE(empty->changeButton()->isEnabled());
    EXPECT_FALSE(empty->deleteButton()->isEnabled());
    EXPECT_TRUE(empty->insertButton()->isEnabled());
    EXPECT_FALSE(empty->list().scrollBar()->isVisible());
    empty->close();
    addGroups(3);
    data().GRO.GROUP = "G001"; // the caller's current value
    auto chooser = window(SelectRecord);
    EXPECT_TRUE(chooser->selectButton()->isVisible());
    EXPECT_TRUE(chooser->selectButton()->isDefault());
    EXPECT_FALSE(chooser->changeButton()->isEnabled());
    QTest::keyClick(chooser->list().table(), Qt::Key_Down);
    QTest::keyClick(chooser->list().table(), Qt::Key_Return);
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(m_responded, RequestCompleted);
    EXPECT_EQ(data().GRO.GROUP, "G002");
}

TEST_F(BrowseWindowTest, RowsOfSeveralLinesCountThePageInRows)
{
    addGroups(40);
    BrowseConfig config = groupConfig();
    config.linesPerRow = 3;
    BrowseColumn three = config.columns.front();
    config.columns.front().value = [three](const void *record) {
        return three.value(record) + "\nsecond\nthird";
    };
    BrowseWindow tall(*m_context, config);
    BrowseWindow flat(*m_context, groupConfig());
    for (BrowseWindow *shown : {&tall, &flat}) {
        shown->resize(420, 400);
        shown->show();
        ASSERT_TRUE(shown->start(0));
    }
    QApplication::processEvents();
    const int lines = tall.list().table()->fontMetrics().height();
    const int rows = tall.list().visibleRows();
    EXPECT_EQ(rows, tall.list().table()->viewport()->height() / (3 * lines + 4));
    EXPECT_LT(rows * 2, flat.list().visibleRows()) << "a row of three lines takes their room";
    EXPECT_EQ(static_cast<int>(tall.browse().rows().size()), rows);
    EXPECT_EQ(tall.list().table()->rowHeight(0), 3 * lines + 4);
    EXPECT_EQ(tall.list().table()->model()->index(0, 0).data().toString(), "G001\nsecond\nthird");
    tall.browse().pageDown();
    EXPECT_EQ(tall.browse().rows().front().cells.front(),
              numbered('G', rows + 1) + "\nsecond\nthird")
        << "a page down moves by rows";
}

TEST_F(BrowseWindowTest, TheRightClickMenuFollowsTheButtonsAndRunsTheChosenOne)
{
    addGroups(3);
    const std::vector<int> &requests = scriptCancellingForm();
    auto shown = window();
    BrowseList &list = shown->list();
    QStringList seen;
    QTimer::singleShot(0, [&list, &seen] {
        for (QAction *action : list.popup()->actions())
            seen << (action->isSeparator() ? "-"
                     : action->isEnabled() ? action->text()
                                           : "~" + action->text());
        list.popup()->setActiveAction(list.popup()->actions().at(2)); // Delete
        QTest::keyClick(list.popup(), Qt::Key_Return);
    });
    EXPECT_EQ(list.showPopup(QPoint(5, 5)), 3);
    EXPECT_EQ(seen.join('|'), "Insert|Change|Delete|-|~Select");
    EXPECT_EQ(requests, (std::vector<int>{DeleteRecord}));
}

TEST_F(BrowseWindowTest, StackedColumnsShowSeveralFieldsInARowAndFollowTheFont)
{
    addMembersOfThreeGroups();
    KeyedListConfig config;
    config.file = &data().groupPeople;
    config.key = GRP_GROUP_KEY;
    config.keyField = textKeyField(&GroupPeopleRecord::PEOPLE, 1);
    BrowseColumn group = textColumn("Group", 30, "s10", &GroupPeopleRecord::GROUP);
    BrowseColumn member = textColumn("Member", 50, "s10", &GroupPeopleRecord::PEOPLE);
    member.indent = 8;
    member.rightBorder = true;
    config.columns = {group, member};
    KeyedListControl control(*m_context, config);
    control.setStacks({{0, 1, -1}, {-1, 0}});
    control.resize(300, 400);
    control.show();
    ASSERT_TRUE(control.list().openList(false));
    QApplication::processEvents();
    QAbstractItemModel *model = control.table()->model();
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), "Aunts\n  P1000\n");
    EXPECT_EQ(model->index(0, 1).data().toString(), "\nAunts");
    EXPECT_TRUE(model->index(0, 0).data(kRightBorderRole).toBool());
    EXPECT_FALSE(model->index(0, 1).data(kRightBorderRole).toBool());
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Group");
    EXPECT_EQ(control.table()->columnWidth(0), dialogUnitsToPixels(control.font(), 50));
    EXPECT_EQ(control.table()->rowHeight(0), 3 * control.table()->fontMetrics().height() + 4);
    const int rows = control.visibleRows();
    EXPECT_EQ(static_cast<int>(control.list().rows().size()), rows);
    int shown = 0;
    QObject::connect(&control, &KeyedListControl::pageShown, [&shown] { ++shown; });
    QTest::keyClick(control.table(), Qt::Key_PageDown);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(control.list().rows().front().cells[1], "P" + std::to_string(1000 + rows));
    // A larger font: taller rows, fewer of them on the page.
    QFont larger = control.font();
    larger.setPointSize(larger.pointSize() * 2);
    control.setFont(larger);
    QApplication::processEvents();
    EXPECT_EQ(control.table()->rowHeight(0), 3 * control.table()->fontMetrics().height() + 4);
    EXPECT_LT(control.visibleRows(), rows);
    EXPECT_EQ(static_cast<int>(control.list().rows().size()), control.visibleRows());
}

} // namespace
} // namespace korvalen
