// The conflict window and its host: the decisions its buttons give, what it
// shows of a colliding activity or special period, and the people list of
// the colliding activity, with real files in a temporary working directory
// and a scripted prompter.

#include "schedule/conflictwindow.h"

#include "runtime/pictures.h"
#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using Strings = std::vector<std::string>;

constexpr std::array<ConflictChoice, 5> kAllChoices = {
    ConflictChoice::Accept, ConflictChoice::AcceptAll, ConflictChoice::Skip, ConflictChoice::Stop,
    ConflictChoice::Cancel};

class ConflictWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static int counter = 0;
        m_dir = std::filesystem::temp_directory_path() /
                ("korvalen-conflict-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(m_dir);
        m_context = std::make_unique<AppContext>(m_prompter, m_clock);
        ASSERT_TRUE(data().database.open(m_dir).ok());
        // The activity form holds these while it checks its dates.
        for (DataFile *file : {&data().activity, &data().dates, &data().personAct, &data().special})
            m_uses.push_back(std::make_unique<FileUse>(*file, m_prompter));
    }
    void TearDown() override
    {
        m_uses.clear();
        m_context.reset();
        std::filesystem::remove_all(m_dir);
    }

    AppData &data() { return m_context->data; }

    void addParticipant(std::int32_t activity, const char *person)
    {
        data().PER.ACTNUMBER = activity;
        data().PER.PERSON = person;
        ASSERT_TRUE(data().personAct.add().ok());
    }

    static Collision withActivity(std::int32_t number, const std::string &name)
    {
        Collision collision;
        collision.activity.ACTNUMBER = number;
        collision.activity.NAME = name;
        collision.occurrence.ACTNUMBER = number;
        collision.occurrence.DATE = 82000;
        collision.occurrence.TIME = 10 * kHundredthsPerHour + 1;
        collision.occurrence.ENDTIME = 11 * kHundredthsPerHour + 30 * kHundredthsPerMinute + 1;
        return collision;
    }
    static Collision withPeriod()
    {
        Collision collision;
        collision.specialPeriod = true;
        collision.period = {82000, 82006, "Holidays"};
        return collision;
    }

    // Runs `window` modally; `act` runs once it is up.
    static std::optional<ConflictChoice> runWhile(ConflictWindow &window, std::function<void()> act)
    {
        QTimer::singleShot(0, &window, std::move(act));
        return window.run();
    }

    static Strings people(ConflictWindow &window)
    {
        Strings out;
        for (const BrowseRow &row : window.peopleList()->browse().rows())
            out.push_back(row.cells.at(0));
        return out;
    }

    static std::string text(QLabel *label) { return label->text().toStdString(); }

    std::filesystem::path m_dir;
    ScriptedPrompter m_prompter;
    FixedClock m_clock{82000, 1};
    std::unique_ptr<AppContext> m_context;
    std::vector<std::unique_ptr<FileUse>> m_uses;
};

TEST_F(ConflictWindowTest, EachDecisionButtonClosesWithItsOwnChoice)
{
    for (ConflictChoice choice : kAllChoices) {
        ConflictWindow window(*m_context, withActivity(5, "Swimming"), true);
        const auto decided = runWhile(window, [&] { window.decisionButton(choice)->click(); });
        EXPECT_EQ(decided, choice) << "button " << static_cast<int>(choice);
        EXPECT_FALSE(window.isVisible());
    }
}

TEST_F(ConflictWindowTest, SkipAndStopAreOfferedOnlyForASeriesOfDates)
{
    for (bool series : {false, true}) {
        ConflictWindow window(*m_context, withActivity(5, "Swimming"), series);
        for (ConflictChoice choice : kAllChoices) {
            const bool onlyInSeries =
                choice == ConflictChoice::Skip || choice == ConflictChoice::Stop;
            EXPECT_EQ(window.decisionButton(choice)->isEnabled(), series || !onlyInSeries)
                << "series " << series << ", button " << static_cast<int>(choice);
        }
    }
    // A single date cannot be skipped, even by a stray call.
    ConflictWindow single(*m_context, withActivity(5, "Swimming"), false);
    const auto decided = runWhile(single, [&] {
        single.decide(ConflictChoice::Skip);
        single.decide(ConflictChoice::Stop);
        EXPECT_TRUE(single.isVisible());
        single.decisionButton(ConflictChoice::Cancel)->click();
    });
    EXPECT_EQ(decided, ConflictChoice::Cancel);
}

TEST_F(ConflictWindowTest, EscapeAndTheCloseBoxGiveNoDecision)
{
    ConflictWindow escaped(*m_context, withActivity(5, "Swimming"), true);
    EXPECT_EQ(runWhile(escaped, [&] { QTest::keyClick(&escaped, Qt::Key_Escape); }), std::nullopt);
    EXPECT_FALSE(escaped.isVisible());
    ConflictWindow closed(*m_context, withPeriod(), true);
    EXPECT_EQ(runWhile(closed, [&] { closed.close(); }), std::nullopt);
    EXPECT_FALSE(closed.isVisible());
}

TEST_F(ConflictWindowTest, AnActivityShowsItsCutNameItsDateAndBothTimes)
{
    const std::string name = "Orchestra rehearsal in the big hall, bring stands";
    const Collision collision = withActivity(5, name);
    ConflictWindow window(*m_context, collision, true);
    window.show();
    EXPECT_EQ(text(window.nameLabel()), name.substr(0, 30));
    EXPECT_EQ(text(window.dateLabel()), Picture::parse("D3")->format(collision.occurrence.DATE));
    const Picture time = *Picture::parse("T3");
    EXPECT_EQ(text(window.startTimeLabel()), time.format(collision.occurrence.TIME));
    EXPECT_EQ(text(window.endTimeLabel()), time.format(collision.occurrence.ENDTIME));
    EXPECT_TRUE(window.timesToLabel()->isVisible());
    EXPECT_TRUE(window.peopleList()->isVisible());
    EXPECT_FALSE(window.periodToLabel()->isVisible());
    EXPECT_FALSE(window.endDateLabel()->isVisible());
}

TEST_F(ConflictWindowTest, ASpecialPeriodShowsItsDaysWithoutPeopleOrTimes)
{
    addParticipant(0, "Stray");
    const Collision collision = withPeriod();
    ConflictWindow window(*m_context, collision, true);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(text(window.nameLabel()), collision.period.DESCRIPTION.str());
    const Picture date = *Picture::parse("D3");
    EXPECT_EQ(text(window.dateLabel()), date.format(collision.period.STARTDATE));
    EXPECT_EQ(text(window.endDateLabel()), date.format(collision.period.ENDDATE));
    EXPECT_TRUE(window.periodToLabel()->isVisible());
    for (QWidget *hidden :
         std::initializer_list<QWidget *>{window.peopleList(), window.startTimeLabel(),
                                          window.timesToLabel(), window.endTimeLabel()})
        EXPECT_FALSE(hidden->isVisible());
    EXPECT_TRUE(window.peopleList()->browse().rows().empty()) << "nothing to list for a period";
}

TEST_F(ConflictWindowTest, PeopleListHoldsExactlyTheCollidingActivitysPeopleInFileOrder)
{
    addParticipant(5, "Zoe");
    addParticipant(4, "Amy");
    addParticipant(5, "Bob");
    addParticipant(6, "Ada");
    addParticipant(5, "Ann");
    ConflictWindow window(*m_context, withActivity(5, "Swimming"), true);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(people(window), (Strings{"Zoe", "Bob", "Ann"}));
    EXPECT_TRUE(m_prompter.shown().empty());
}

TEST_F(ConflictWindowTest, ThePersonActBufferIsAsItWasAfterTheWindow)
{
    addParticipant(5, "Zoe");
    addParticipant(5, "Bob");
    data().PER.ACTNUMBER = 77;
    data().PER.PERSON = "Caller";
    const PersonActRecord before = data().PER;
    {
        ConflictWindow window(*m_context, withActivity(5, "Swimming"), true);
        window.show();
        QApplication::processEvents();
        window.peopleList()->browse().lineDown();
    }
    EXPECT_EQ(data().PER, before);
}

TEST_F(ConflictWindowTest, HelpShowsTheWindowsTopic)
{
    std::string topic;
    m_context->showHelp = [&topic](const std::string &shown) { topic = shown; };
    ConflictWindow window(*m_context, withActivity(5, "Swimming"), true);
    window.helpButton()->click();
    EXPECT_EQ(topic, "~CONFLICTDEAL");
    EXPECT_EQ(window.choice(), std::nullopt) << "help decides nothing";
}

TEST_F(ConflictWindowTest, HostRunsTheWindowOverItsParentAndReturnsTheDecision)
{
    QWidget parent;
    ConflictWindowHost host(*m_context, &parent);
    QWidget *shownParent = nullptr;
    QTimer::singleShot(0, [&] {
        auto *window = dynamic_cast<ConflictWindow *>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        shownParent = window->parentWidget();
        EXPECT_FALSE(window->decisionButton(ConflictChoice::Stop)->isEnabled());
        window->decisionButton(ConflictChoice::AcceptAll)->click();
    });
    EXPECT_EQ(host.show(withActivity(5, "Swimming"), false), ConflictChoice::AcceptAll);
    EXPECT_EQ(shownParent, &parent);
}

TEST_F(ConflictWindowTest, HostReportsAReadFailureOnceForTheFile)
{
    ConflictWindowHost host(*m_context);
    const Status failure(ErrorCode::InvalidFile, "not a data file");
    host.readFailed("DATES", failure);
    host.readFailed("PERSONACT", failure);
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    const Warning expected = composeWarning(WarningKind::RecordRetrievalError, failure, "DATES");
    EXPECT_EQ(m_prompter.shown()[0].request.caption, expected.box.caption);
    EXPECT_EQ(m_prompter.shown()[0].request.text, expected.box.text);
}

} // namespace
} // namespace korvalen
