// The conflict window and its host: the decisions its buttons give, what it
// shows of a colliding activity or special period, and the people list of
// the colliding activity, on the shared GUI fixture (real files in a folder
// of the case's own, a scripted prompter).

#include "schedule/conflictwindow.h"

#include "../guifixture.h"

#include "runtime/pictures.h"
#include "storage/warnings.h"
#include "ui/browselist.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using Strings = std::vector<std::string>;

constexpr std::array<ConflictChoice, 5> kAllChoices = {
    ConflictChoice::Accept, ConflictChoice::AcceptAll, ConflictChoice::Skip, ConflictChoice::Stop,
    ConflictChoice::Cancel};

class ConflictWindowTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        // The activity form holds these while it checks its dates.
        ASSERT_TRUE(
            openData({&data().activity, &data().dates, &data().personAct, &data().special}));
    }

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

    // Runs `window` modally; `step` acts on it once it is up.
    std::optional<ConflictChoice> runWhile(ConflictWindow &window,
                                           std::function<void(ConflictWindow &)> step)
    {
        whenModal<ConflictWindow>(std::move(step));
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
};

TEST_F(ConflictWindowTest, EachDecisionButtonClosesWithItsOwnChoice)
{
    for (ConflictChoice choice : kAllChoices) {
        ConflictWindow window(context(), withActivity(5, "Swimming"), true);
        const auto decided =
            runWhile(window, [&](ConflictWindow &shown) { click(shown.decisionButton(choice)); });
        EXPECT_EQ(decided, choice) << "button " << static_cast<int>(choice);
        EXPECT_FALSE(window.isVisible());
    }
}

TEST_F(ConflictWindowTest, SkipAndStopAreOfferedOnlyForASeriesOfDates)
{
    for (bool series : {false, true}) {
        ConflictWindow window(context(), withActivity(5, "Swimming"), series);
        for (ConflictChoice choice : kAllChoices) {
            const bool onlyInSeries =
                choice == ConflictChoice::Skip || choice == ConflictChoice::Stop;
            EXPECT_EQ(window.decisionButton(choice)->isEnabled(), series || !onlyInSeries)
                << "series " << series << ", button " << static_cast<int>(choice);
        }
    }
    // A single date cannot be skipped, even by a stray call.
    ConflictWindow single(context(), withActivity(5, "Swimming"), false);
    const auto decided = runWhile(single, [&](ConflictWindow &shown) {
        shown.decide(ConflictChoice::Skip);
        shown.decide(ConflictChoice::Stop);
        EXPECT_TRUE(shown.isVisible());
        click(shown.decisionButton(ConflictChoice::Cancel));
    });
    EXPECT_EQ(decided, ConflictChoice::Cancel);
}

TEST_F(ConflictWindowTest, EscapeAndTheCloseBoxGiveNoDecision)
{
    ConflictWindow escaped(context(), withActivity(5, "Swimming"), true);
    EXPECT_EQ(
        runWhile(escaped, [](ConflictWindow &shown) { QTest::keyClick(&shown, Qt::Key_Escape); }),
        std::nullopt);
    EXPECT_FALSE(escaped.isVisible());
    ConflictWindow closed(context(), withPeriod(), true);
    EXPECT_EQ(runWhile(closed, [](ConflictWindow &shown) { shown.close(); }), std::nullopt);
    EXPECT_FALSE(closed.isVisible());
}

TEST_F(ConflictWindowTest, AnActivityShowsItsCutNameItsDateAndBothTimes)
{
    const std::string name = "<b>Orchestra</b> rehearsals in the big hall, bring stands";
    const Collision collision = withActivity(5, name);
    ConflictWindow window(context(), collision, true);
    window.show();
    EXPECT_EQ(text(window.nameLabel()), name.substr(0, 30));
    EXPECT_EQ(window.nameLabel()->textFormat(), Qt::PlainText) << "a name is not markup";
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
    ConflictWindow window(context(), collision, true);
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
    ConflictWindow window(context(), withActivity(5, "Swimming"), true);
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
        ConflictWindow window(context(), withActivity(5, "Swimming"), true);
        window.show();
        QApplication::processEvents();
        window.peopleList()->browse().lineDown();
    }
    EXPECT_EQ(data().PER, before);
}

TEST_F(ConflictWindowTest, HelpShowsTheWindowsTopic)
{
    std::string topic;
    context().showHelp = [&topic](const std::string &shown) { topic = shown; };
    ConflictWindow window(context(), withActivity(5, "Swimming"), true);
    click(window.helpButton());
    EXPECT_EQ(topic, "~CONFLICTDEAL");
    EXPECT_EQ(window.choice(), std::nullopt) << "help decides nothing";
}

TEST_F(ConflictWindowTest, HostRunsTheWindowOverItsParentAndReturnsTheDecision)
{
    QWidget parent;
    ConflictWindowHost host(context(), &parent);
    QWidget *shownParent = nullptr;
    whenModal<ConflictWindow>([&](ConflictWindow &window) {
        shownParent = window.parentWidget();
        EXPECT_FALSE(window.decisionButton(ConflictChoice::Stop)->isEnabled());
        click(window.decisionButton(ConflictChoice::AcceptAll));
    });
    EXPECT_EQ(host.show(withActivity(5, "Swimming"), false), ConflictChoice::AcceptAll);
    EXPECT_EQ(shownParent, &parent);
}

TEST_F(ConflictWindowTest, HostReportsAReadFailureOnceForTheFile)
{
    ConflictWindowHost host(context());
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
