// The browse by date, person and group: the occurrence source under the
// paging core (the first date as the range's start, the participation merge
// against a plain model), and the window with real files, a scripted
// prompter and scripted stand-ins for the form, the delete, the date picker
// and the two choosing browses.

#include "views/browsebydate.h"
#include "views/occurrencesources.h"

#include "runtime/pictures.h"
#include "ui/browselist.h"
#include "ui/formkit.h"
#include "ui/inifile.h"
#include "ui/pagedbrowse.h"

#include "../guifixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace korvalen {
namespace {

using namespace keys;
using Strings = std::vector<std::string>;

constexpr Date kToday = 82000; // a Tuesday
constexpr ClockTime kNine = 9 * kHundredthsPerHour + 1;
constexpr ClockTime kTen = 10 * kHundredthsPerHour + 1;
constexpr ClockTime kEleven = 11 * kHundredthsPerHour + 1;

struct RowsHost : BrowseHost
{
    int rows = 3;
    int visibleRows() const override { return rows; }
    void pageChanged() override {}
    void closeWindow() override {}
    void setBusy(bool) override {}
};

class OccurrenceTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock.setToday(kToday);
        ASSERT_TRUE(openData({&data().activity, &data().dates, &data().people, &data().group,
                              &data().groupPeople, &data().personAct}));
    }

    // Activity `number` named `name` (added once).
    void activity(std::int32_t number, const std::string &name)
    {
        data().ACT = {};
        data().ACT.ACTNUMBER = number;
        data().ACT.NAME = name;
        ASSERT_TRUE(data().activity.add().ok());
    }
    std::int64_t occurrence(std::int32_t number, Date date, ClockTime time = kNine,
                            ClockTime end = 0)
    {
        data().DAT = {};
        data().DAT.ACTNUMBER = number;
        data().DAT.DATE = date;
        data().DAT.TIME = time;
        data().DAT.ENDTIME = end;
        EXPECT_TRUE(data().dates.add().ok());
        return data().dates.current().recordNumber;
    }
    void takesPart(std::int32_t number, const std::string &person)
    {
        data().PER = {number, Text<10>(person)};
        ASSERT_TRUE(data().personAct.add().ok());
    }

    static std::vector<std::int64_t> recordNumbers(const PagedList &list)
    {
        std::vector<std::int64_t> numbers;
        for (const BrowseRow &row : list.rows())
            numbers.push_back(row.position.recordNumber());
        return numbers;
    }
};

// ---------------------------------------------------------------------------
// The source

TEST_F(OccurrenceTest, EveryOccurrenceStartsAtTheFirstDateAndReadsNoHistory)
{
    activity(1, "Piano");
    Transaction history(data().database);
    for (int day = 1; day <= 200; ++day)
        occurrence(1, kToday - day);
    ASSERT_TRUE(history.commit().ok());
    const std::int64_t later = occurrence(1, kToday, kTen, kEleven);
    const std::int64_t earlier = occurrence(1, kToday, kTen, kTen + 6000);
    occurrence(0, kToday, kNine); // no activity: never a row
    const std::int64_t next = occurrence(1, kToday + 1);
    const std::int64_t last = occurrence(1, kToday + 2);

    RowsHost host;
    auto owned = std::make_unique<OccurrenceSource>(data().dates, data().activity);
    OccurrenceSource &source = *owned;
    source.showAll(kToday);
    int looked = 0;
    source.setFilter([&looked](const void *) { return ++looked > 0; });
    PagedList list(host, {});
    list.open(std::move(owned), std::make_unique<KeyLocator>(numberKeyField(&DatesRecord::DATE)));
    list.reload(PagedList::Mode::FirstFill);
    // Equal start times go by end time.
    EXPECT_EQ(recordNumbers(list), (std::vector<std::int64_t>{earlier, later, next}));
    EXPECT_EQ(static_cast<const ActivityRecord *>(list.rows()[0].joined.get())->NAME, "Piano");
    EXPECT_EQ(static_cast<const DatesRecord *>(list.rows()[0].record.get())->DAYNAME, "Tue.");

    list.bottom();
    EXPECT_EQ(recordNumbers(list), (std::vector<std::int64_t>{later, next, last}));
    list.top();
    looked = 0;
    list.pageUp();
    list.lineUp();
    EXPECT_EQ(recordNumbers(list), (std::vector<std::int64_t>{earlier, later, next}));
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(looked, 0) << "reading back from the first row looked at the history";
}

// The participation merge against a model: every occurrence of the chosen
// activities from the first date on, in (date, time, end time, record
// number) order, forwards and backwards, and from any row on.
TEST_F(OccurrenceTest, GatheredOccurrencesFollowTheDateKeyOrder)
{
    std::mt19937 random(7);
    for (std::int32_t number = 1; number <= 30; ++number)
        activity(number, "A" + std::to_string(number));
    struct Model
    {
        Date date;
        ClockTime time, end;
        std::int64_t record;
        std::int32_t number;
    };
    std::vector<Model> all;
    Transaction adding(data().database);
    for (int i = 0; i < 400; ++i) {
        const std::int32_t number = static_cast<std::int32_t>(random() % 31); // 0 included
        const Date date = kToday - 10 + static_cast<Date>(random() % 30);
        const ClockTime time = kNine + static_cast<ClockTime>(random() % 3) * kHundredthsPerHour;
        const ClockTime end = static_cast<ClockTime>(random() % 2) * kEleven;
        all.push_back({date, time, end, occurrence(number, date, time, end), number});
    }
    ASSERT_TRUE(adding.commit().ok());
    const std::vector<std::int32_t> chosen = {0, 3, 4, 9, 17, 17, 22, 29};
    std::vector<std::int64_t> expected;
    std::sort(all.begin(), all.end(), [](const Model &a, const Model &b) {
        return std::tie(a.date, a.time, a.end, a.record) <
               std::tie(b.date, b.time, b.end, b.record);
    });
    for (const Model &model : all) {
        if (model.date >= kToday && model.number > 0 &&
            std::count(chosen.begin(), chosen.end(), model.number))
            expected.push_back(model.record);
    }
    ASSERT_GT(expected.size(), 20u);

    OccurrenceSource source(data().dates, data().activity);
    ASSERT_TRUE(source.showActivities(kToday, chosen).ok());
    std::vector<std::int64_t> forwards, backwards;
    std::vector<RowPosition> positions;
    source.seekStart();
    while (source.next().ok()) {
        forwards.push_back(source.position().recordNumber());
        positions.push_back(source.position());
    }
    source.seekStart();
    while (source.previous().ok())
        backwards.insert(backwards.begin(), source.position().recordNumber());
    EXPECT_EQ(forwards, expected);
    EXPECT_EQ(backwards, expected);

    const std::size_t middle = positions.size() / 2;
    ASSERT_TRUE(source.seek(positions[middle], false).ok());
    ASSERT_TRUE(source.previous().ok());
    EXPECT_EQ(source.position().recordNumber(), expected[middle - 1]);
    for (bool forward : {true, false}) {
        ASSERT_TRUE(source.seek(positions[middle], true).ok());
        ASSERT_TRUE((forward ? source.next() : source.previous()).ok());
        EXPECT_EQ(source.position().recordNumber(), expected[middle]);
    }
    // Gone meanwhile: passed over, and its position still finds its neighbours.
    data().DAT = {};
    ASSERT_TRUE(data().dates.getByRecordNumber(expected[middle]).ok());
    ASSERT_TRUE(data().dates.remove().ok());
    ASSERT_TRUE(source.seek(positions[middle - 1], false).ok());
    ASSERT_TRUE(source.next().ok());
    EXPECT_EQ(source.position().recordNumber(), expected[middle + 1]);
    ASSERT_TRUE(source.seek(positions[middle], true).ok());
    ASSERT_TRUE(source.previous().ok());
    EXPECT_EQ(source.position().recordNumber(), expected[middle - 1]);
}

TEST_F(OccurrenceTest, PeopleAreMatchedByExactNameAndGroupsWithoutCase)
{
    takesPart(1, "Anna");
    takesPart(2, "anna");
    takesPart(3, "Anna");
    takesPart(3, "Bo");
    addMember("Kids", "Bo");
    addMember("Kids", "anna");
    std::vector<std::int32_t> numbers;
    ASSERT_TRUE(activitiesOfPerson(data().personAct, Text<10>("Anna"), numbers).ok());
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 3}));
    std::vector<Text<10>> members;
    ASSERT_TRUE(membersOfGroup(data().groupPeople, Text<10>("KIDS"), members).ok());
    ASSERT_TRUE(activitiesOfPeople(data().personAct, members, numbers).ok());
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{2, 3}));
}

// ---------------------------------------------------------------------------
// The window

class BrowseByDateTest : public OccurrenceTest
{
protected:
    void SetUp() override
    {
        OccurrenceTest::SetUp();
        scriptDatePicker();
        procedures().setCalled("UPDATEACT", [this](AppContext &context) {
            ++m_formCalls;
            m_formRequest = context.globals.request;
            m_formOccurrence = context.data.DAT;
            m_formActivity = context.data.ACT.ACTNUMBER;
            m_formParticipant = context.data.PER.PERSON.str();
            context.globals.response = RequestCancelled;
            if (m_formDoes)
                m_formDoes(context);
        });
    }

    std::unique_ptr<BrowseByDateWindow> openWindow()
    {
        auto window = std::make_unique<BrowseByDateWindow>(context());
        EXPECT_TRUE(window->start());
        window->show();
        QApplication::processEvents();
        return window;
    }
    static Strings names(BrowseByDateWindow &window)
    {
        Strings shown;
        for (const BrowseRow &row : window.occurrences().rows())
            shown.push_back(row.cells[5]);
        return shown;
    }
    static Strings people(BrowseByDateWindow &window)
    {
        Strings shown;
        for (const BrowseRow &row : window.people().rows())
            shown.push_back(row.cells[0]);
        return shown;
    }

    int m_formCalls = 0;
    int m_formRequest = 0;
    DatesRecord m_formOccurrence;
    std::int32_t m_formActivity = 0;
    std::string m_formParticipant;
    std::function<void(AppContext &)> m_formDoes;
};

TEST_F(BrowseByDateTest, GroupTabShowsOnlyTheMemberTakingPart)
{
    activity(1, "Swimming");
    activity(2, "Book club");
    occurrence(1, kToday);
    occurrence(2, kToday + 1);
    takesPart(1, "Anna");
    takesPart(1, "Bo");
    takesPart(2, "Anna");
    addGroup("Kids");
    addMember("Kids", "Bo");
    addMember("Kids", "Cleo");
    auto window = openWindow();
    EXPECT_EQ(names(*window), (Strings{"Swimming", "Book club"}));
    EXPECT_EQ(people(*window), (Strings{"Anna", "Bo"}));
    EXPECT_EQ(window->occurrences().columns()[1].title, "  Date");

    window->enterDisplayFrom(qs(formatDate(kToday - 1)));
    window->setTab(BrowseByDateWindow::ByGroup);
    window->enterGroup("kids");
    EXPECT_EQ(window->groupEntry()->text(), "Kids");
    EXPECT_EQ(names(*window), (Strings{"Swimming"}));
    EXPECT_EQ(people(*window), (Strings{"Bo"}));

    // Another tab keeps the date and the group; the people are all again.
    window->setTab(BrowseByDateWindow::ByDate);
    window->setTab(BrowseByDateWindow::ByGroup);
    EXPECT_EQ(window->displayFrom(), kToday - 1);
    EXPECT_EQ(window->group(), "Kids");
    window->setTab(BrowseByDateWindow::ByDate);
    EXPECT_EQ(people(*window), (Strings{"Anna", "Bo"}));
}

TEST_F(BrowseByDateTest, ChangeOpensTheFormOnceWithTheOccurrenceRead)
{
    activity(1, "Swimming");
    occurrence(1, kToday, kNine);
    const std::int64_t second = occurrence(1, kToday, kTen);
    takesPart(1, "Bo");
    auto window = openWindow();
    window->occurrences().lineDown();
    QTableView *table = window->occurrenceControl()->table();
    QTest::keyClick(table, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(m_formCalls, 1);
    EXPECT_EQ(m_formRequest, ChangeRecord);
    EXPECT_EQ(m_formOccurrence.TIME, kTen);
    EXPECT_EQ(m_formOccurrence.DATETEXT, formatDate(kToday));
    EXPECT_EQ(m_formActivity, 1);
    EXPECT_EQ(m_formParticipant, "Bo");
    EXPECT_EQ(window->occurrences().current()->position.recordNumber(), second);

    const int rowHeight = table->rowHeight(0);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, QPoint(20, rowHeight / 2));
    EXPECT_EQ(m_formCalls, 2);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {},
                       QPoint(20, table->viewport()->height() - 2));
    EXPECT_EQ(m_formCalls, 2) << "a double click below the rows opened the form";
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(m_formCalls, 2);
}

TEST_F(BrowseByDateTest, InsertShowsTheOccurrenceEntered)
{
    activity(1, "Swimming");
    for (int day = 0; day < 8; ++day)
        occurrence(1, kToday + day);
    auto window = openWindow();
    // The form writes three occurrences; the user entered the middle one.
    m_formDoes = [this](AppContext &context) {
        activity(2, "Dentist");
        context.data.ACT.ACTNUMBER = 2;
        const std::int64_t entered = occurrence(2, kToday + 5, kTen);
        occurrence(2, kToday + 6, kTen);
        occurrence(2, kToday + 7, kTen);
        ASSERT_TRUE(context.data.dates.getByRecordNumber(entered).ok());
        context.globals.response = RequestCompleted;
    };
    QTest::keyClick(window->occurrenceControl()->table(), Qt::Key_Insert, Qt::ControlModifier);
    ASSERT_EQ(m_formCalls, 1);
    EXPECT_EQ(m_formRequest, InsertRecord);
    EXPECT_EQ(m_formOccurrence, DatesRecord{});
    const auto *shown =
        static_cast<const DatesRecord *>(window->occurrences().current()->record.get());
    EXPECT_EQ(shown->ACTNUMBER, 2);
    EXPECT_EQ(shown->DATE, kToday + 5);

    // A form that leaves no occurrence behind: the activity's first one shown.
    m_formDoes = [this](AppContext &context) {
        activity(3, "Choir");
        context.data.ACT.ACTNUMBER = 3;
        occurrence(3, kToday + 4, kEleven);
        occurrence(3, kToday + 2, kEleven);
        context.data.DAT = {};
        context.globals.response = RequestCompleted;
    };
    window->insert();
    shown = static_cast<const DatesRecord *>(window->occurrences().current()->record.get());
    EXPECT_EQ(shown->ACTNUMBER, 3);
    EXPECT_EQ(shown->DATE, kToday + 2);
}

// A saved change writes the activity's occurrences anew (new record
// numbers). Kept where it was, the occurrence is highlighted on the page as
// it stood; moved out of the view, its row number goes to the row after.
TEST_F(BrowseByDateTest, ChangedOccurrenceKeepsThePage)
{
    activity(1, "Swimming");
    for (int day = 0; day < 40; ++day)
        occurrence(1, kToday + day);
    auto window = openWindow();
    ASSERT_LT(window->occurrences().items(), 30);
    Date moveTo = 0;
    m_formDoes = [&](AppContext &context) {
        std::vector<DatesRecord> kept;
        context.data.dates.set(DAT_ACTNUMBER_KEY);
        while (context.data.dates.next().ok())
            kept.push_back(context.data.DAT);
        for (const DatesRecord &record : kept) {
            context.data.DAT = record;
            ASSERT_TRUE(context.data.dates.get(DAT_ACTNUMBER_KEY).ok());
            ASSERT_TRUE(context.data.dates.remove().ok());
        }
        for (DatesRecord record : kept) {
            if (moveTo && record.DATE == m_formOccurrence.DATE)
                record.DATE = moveTo;
            occurrence(record.ACTNUMBER, record.DATE, record.TIME, record.ENDTIME);
        }
        context.data.DAT = m_formOccurrence;
        context.globals.response = RequestCompleted;
    };
    window->occurrences().pageDown();
    window->occurrences().setCurrentRow(2);
    const std::int64_t firstShown = window->occurrences().rows()[0].position.recordNumber();
    const Date highlighted =
        static_cast<const DatesRecord *>(window->occurrences().current()->record.get())->DATE;
    window->change();
    ASSERT_EQ(m_formCalls, 1);
    EXPECT_NE(window->occurrences().rows()[0].position.recordNumber(), firstShown);
    EXPECT_EQ(window->occurrences().currentRow(), 2);
    EXPECT_EQ(static_cast<const DatesRecord *>(window->occurrences().current()->record.get())->DATE,
              highlighted);

    moveTo = kToday - 1;
    window->change();
    EXPECT_EQ(window->occurrences().currentRow(), 2);
    EXPECT_EQ(static_cast<const DatesRecord *>(window->occurrences().current()->record.get())->DATE,
              highlighted + 1);
}

TEST_F(BrowseByDateTest, DeleteHandsTheOccurrenceOverAndTheNextRowTakesItsPlace)
{
    activity(1, "Swimming");
    occurrence(1, kToday);
    const std::int64_t doomed = occurrence(1, kToday + 1);
    const std::int64_t following = occurrence(1, kToday + 2);
    {
        auto window = openWindow();
        EXPECT_FALSE(window->deleteButton()->isEnabled()) << "no occurrence delete to call";
    }
    std::int64_t handed = 0;
    procedures().setCalled("DELACT", [&](AppContext &context) {
        handed = context.data.dates.current().recordNumber;
        EXPECT_EQ(context.data.ACT.ACTNUMBER, 1);
        EXPECT_TRUE(context.data.dates.remove().ok());
        context.globals.response = RequestCancelled;
    });
    auto window = openWindow();
    window->occurrences().lineDown();
    QTest::keyClick(window->occurrenceControl()->table(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(handed, doomed);
    EXPECT_EQ(window->occurrences().currentRow(), 2);
    EXPECT_EQ(window->occurrences().current()->position.recordNumber(), following);
}

TEST_F(BrowseByDateTest, PersonTabFollowsParticipationAndRefreshes)
{
    activity(1, "Piano");
    activity(2, "Football");
    occurrence(1, kToday - 3);
    occurrence(1, kToday + 3);
    occurrence(2, kToday + 1);
    takesPart(1, "Bo");
    takesPart(2, "Dan");
    addPerson("Bo");
    auto window = openWindow();
    window->setTab(BrowseByDateWindow::ByPerson);
    EXPECT_TRUE(names(*window).empty()) << "a blank person shows occurrences";
    EXPECT_FALSE(window->changeButton()->isEnabled());

    // Not on file: the people browse is asked; cancelled, the name stays.
    int asked = 0;
    procedures().setCalled("BROWSEPERSON", [&](AppContext &context) {
        ++asked;
        EXPECT_EQ(context.globals.request, SelectRecord);
        EXPECT_EQ(context.data.PEO.PERSON, "bo");
        context.globals.response = RequestCancelled;
    });
    window->enterPerson("bo");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(window->personEntry()->text(), "bo");
    EXPECT_TRUE(names(*window).empty());

    window->enterPerson("Bo");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(names(*window), (Strings{"Piano"}));
    // Bo joins the football elsewhere: the next refresh shows it.
    takesPart(2, "Bo");
    window->refresh();
    EXPECT_EQ(names(*window), (Strings{"Football", "Piano"}));
}

TEST_F(BrowseByDateTest, CalCancelledStillStartsAgainAtTheDisplayDate)
{
    activity(1, "Piano");
    for (int day = 0; day < 10; ++day)
        occurrence(1, kToday + day);
    auto window = openWindow();
    window->occurrences().pageDown();
    window->pickDate();
    EXPECT_EQ(datePicker().calls, 1);
    EXPECT_EQ(datePicker().given, 0);
    EXPECT_EQ(datePicker().request, SelectRecord);
    EXPECT_EQ(window->occurrences().currentRow(), 1);
    EXPECT_EQ(static_cast<const DatesRecord *>(window->occurrences().rows()[0].record.get())->DATE,
              kToday);
    datePicker().pick = kToday + 4;
    window->pickDate();
    EXPECT_EQ(window->displayFrom(), kToday + 4);
    EXPECT_EQ(context().PickedDate, 0);
    EXPECT_EQ(static_cast<const DatesRecord *>(window->occurrences().rows()[0].record.get())->DATE,
              kToday + 4);
    window->enterDisplayFrom("no date");
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_EQ(window->fromEntry()->text(), qs(formatDate(kToday + 4)));
}

TEST_F(BrowseByDateTest, FromTheMenuItRunsInTheCallersFlowUntilClosed)
{
    activity(1, "Piano");
    occurrence(1, kToday);
    context().globals.response = RequestCompleted;
    data().GRO.GROUP = "Kids";
    bool focused = false;
    whenModal<BrowseByDateWindow>([&](BrowseByDateWindow &window) {
        focused = window.focusWidget() == window.occurrenceControl()->table();
        click(window.closeButton());
    });
    runBrowseByDate(context());
    EXPECT_TRUE(focused) << "the occurrence list did not have the focus";
    EXPECT_EQ(context().globals.response, RequestCancelled);
    EXPECT_TRUE(data().GRO.GROUP.isBlank());
    EXPECT_EQ(data().dates.openCount(), 1) << "the window kept its use of DATES";
}

TEST_F(BrowseByDateTest, PeopleListGivesTheFocusAwayAndThePositionIsSaved)
{
    activity(1, "Piano");
    occurrence(1, kToday);
    takesPart(1, "Bo");
    auto window = openWindow();
    QApplication::setActiveWindow(window.get());
    window->peopleControl()->table()->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(window->occurrenceControl()->table()->hasFocus());
    window->close();
    QSettings ini(QString::fromStdString(iniFilePath(folder()).string()), QSettings::IniFormat);
    EXPECT_EQ(ini.value("BrowsebyGroup/Maximize").toString(), "No");
    EXPECT_EQ(ini.value("BrowsebyGroup/Width").toInt(), window->width());
}

} // namespace
} // namespace korvalen
