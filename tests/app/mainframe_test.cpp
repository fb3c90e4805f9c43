#include "app/mainframe.h"

#include "settings/userpref.h"

#include "../guifixture.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <gtest/gtest.h>

namespace korvalen {
namespace {

class MainFrameTest : public testing::GuiTest
{
protected:
    MainFrameTest() { m_clock = FixedClock(makeDate(12, 6, 2026), 14 * 360000 + 6 * 6000 + 1); }

    QAction *menuItem(const QString &menuText, const QString &itemText)
    {
        for (QAction *top : m_frame->menuBar()->actions())
            if (top->text() == menuText)
                for (QAction *item : top->menu()->actions())
                    if (item->text() == itemText)
                        return item;
        return nullptr;
    }
    QAction *button(int index) { return toolBar()->actions().at(index); }
    QToolBar *toolBar() { return m_frame->findChild<QToolBar *>("toolbar"); }
    void makeFrame() { m_frame = std::make_unique<MainFrame>(*m_context); }

    std::unique_ptr<MainFrame> m_frame;
};

// Every menu with its items in order: text | status message ("-" for a
// separator).
const std::vector<std::pair<QString, std::vector<QString>>> kMenus = {
    {"&File",
     {"P&rint Setup...|Setup Printer", "&User Preferences|", "-", "E&xit|Exit this application"}},
    {"&Activities",
     {"&Add Activity|", "-", "Browse by &Date, Person, Group|Browse Activities by Date",
      "&Browse by Name of Activity|Browse Activities by Name of Activity",
      "View &Week|View Summary for Week", "-", "Delete by &Batch|"}},
    {"&People", {"&Add a Person|", "&Browse People|", "&Group Lists|", "&Calendars|"}},
    {"&Help",
     {"&Contents|View the contents of the help file",
      "&Search for Help On...|Search for help on a subject",
      "&How to Use Help|How to use Windows Help"}},
};

TEST_F(MainFrameTest, TitleMenusAndToolbarTextsAreExact)
{
    makeFrame();
    EXPECT_EQ(m_frame->windowTitle(), "Korvalen 1.2a - Windows95 and NT");
    QList<QAction *> tops = m_frame->menuBar()->actions();
    ASSERT_EQ(tops.size(), static_cast<int>(kMenus.size()));
    for (std::size_t m = 0; m < kMenus.size(); ++m) {
        EXPECT_EQ(tops[m]->text(), kMenus[m].first);
        std::vector<QString> items;
        for (QAction *item : tops[m]->menu()->actions())
            items.push_back(item->isSeparator() ? "-" : item->text() + "|" + item->statusTip());
        EXPECT_EQ(items, kMenus[m].second) << kMenus[m].first.toStdString();
    }
    EXPECT_EQ(tops[3]->statusTip(), "Windows Help");

    const std::vector<std::pair<QString, QString>> buttons = {
        {"Add a new activity", "Add a new activity"},
        {"View or change activities", "Browse activities"},
        {"Print calendar for today (everyone)", "Print today's calendar"},
        {"Print calendar for this week (portrait)", "Print week calendar "},
        {"Delete all old activites(before Today)", "Delete old activities"},
        {"Print summary calendar for week (lansdscape)", "Print week summary "},
        {"View a week's activities in landscape format", "Week's activities in landscape"}};
    ASSERT_EQ(toolBar()->actions().size(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(button(i)->statusTip(), buttons[i].first);
        EXPECT_EQ(button(i)->toolTip(), buttons[i].second);
        EXPECT_FALSE(button(i)->icon().isNull());
    }
}

TEST_F(MainFrameTest, StatusLineShowsWeekdayLongDateAndTime)
{
    makeFrame();
    EXPECT_EQ(m_frame->dateZoneText(), "Sunday, December 6, 2026"); // day number mod 7 = 0
    EXPECT_EQ(m_frame->timeZoneText(), "2:06PM");
    m_clock.setToday(makeDate(12, 7, 2026));
    m_clock.setTimeOfDay(9 * 360000 + 1);
    m_frame->refreshStatusLine();
    EXPECT_EQ(m_frame->dateZoneText(), "Monday, December 7, 2026");
    EXPECT_EQ(m_frame->timeZoneText(), "9:00AM");
    EXPECT_EQ(MainFrame::statusDateText(makeDate(2, 29, 2028)), "Tuesday, February 29, 2028");
    EXPECT_EQ(MainFrame::statusTimeText(1), "12:00AM");
}

TEST_F(MainFrameTest, ItemsWithoutTheirScreenAreDisabled)
{
    makeFrame();
    EXPECT_FALSE(menuItem("&People", "&Browse People")->isEnabled());
    EXPECT_FALSE(button(1)->isEnabled());
    EXPECT_TRUE(menuItem("&File", "P&rint Setup...")->isEnabled());
    EXPECT_TRUE(menuItem("&Help", "&Contents")->isEnabled());
    procedures().setIndependent("BROWSEPERSON", [](AppContext &) { return nullptr; });
    m_frame->updateActions();
    EXPECT_TRUE(menuItem("&People", "&Browse People")->isEnabled());
}

TEST_F(MainFrameTest, LaunchOriginAndRequestDependOnMenuOrToolbar)
{
    std::vector<std::string> seen;
    auto record = [&](const char *how) {
        return [&, how](AppContext &context) {
            seen.push_back(std::string(how) + ":" + context.launchOrigin.str() + ":" +
                           std::to_string(context.globals.request));
            context.launchOrigin = "    ";
        };
    };
    procedures().setCalled("BROWSEBYDATE", record("called"));
    procedures().setIndependent("BROWSEBYDATE", [&](AppContext &context) {
        record("independent")(context);
        return nullptr;
    });
    procedures().setCalled("UPDATEACT", record("called"));
    makeFrame();
    menuItem("&Activities", "Browse by &Date, Person, Group")->trigger();
    button(1)->trigger();
    menuItem("&Activities", "&Add Activity")->trigger();
    EXPECT_EQ(m_context->globals.request, 0); // cleared after the menu item
    button(0)->trigger();
    EXPECT_EQ(m_context->globals.request, 1); // not after the button
    EXPECT_EQ(seen, (std::vector<std::string>{"called:menu:0", "independent::0", "called::1",
                                              "called::1"}));
}

TEST_F(MainFrameTest, CalendarButtonsSetTheReportParameters)
{
    std::vector<std::string> seen;
    for (const char *name : {"DAYPORT", "WEEKSUMM"})
        procedures().setIndependent(name, [&, name](AppContext &context) {
            const SharedGlobals &g = context.globals;
            seen.push_back(std::string(name) + ":" + g.CalWho.str() + ":" +
                           std::to_string(g.Calstart) + ":" + std::to_string(g.CalNotes));
            return nullptr;
        });
    makeFrame();
    button(5)->trigger(); // week summary first: notes untouched
    button(2)->trigger();
    std::string today = std::to_string(makeDate(12, 6, 2026));
    EXPECT_EQ(seen, (std::vector<std::string>{"WEEKSUMM:Everyone:" + today + ":0",
                                              "DAYPORT:Everyone:" + today + ":1"}));
}

// A window whose save question is answered Cancel: it refuses to close.
class StubbornWindow : public QWidget
{
protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
};

TEST_F(MainFrameTest, IndependentWindowsSitInTheFrameAndCanKeepItOpen)
{
    procedures().setIndependent("BROWSEGROUPS", [](AppContext &) { return new StubbornWindow; });
    procedures().setIndependent("BROWSEPERSON", [](AppContext &) {
        auto *window = new QWidget;
        window->resize(440, 380); // its own choice, larger than its size hint
        return window;
    });
    makeFrame();
    m_frame->show();
    menuItem("&People", "&Browse People")->trigger();
    menuItem("&People", "&Browse People")->trigger(); // two of one kind
    EXPECT_EQ(m_frame->mdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(m_frame->mdiArea()->subWindowList()[0]->widget()->size(), QSize(440, 380));
    menuItem("&People", "&Group Lists")->trigger();
    EXPECT_FALSE(m_frame->close());
    EXPECT_EQ(m_frame->mdiArea()->subWindowList().size(), 1); // the others closed
}

TEST_F(MainFrameTest, ExitAsksEveryWindowBeforeItClosesAny)
{
    ASSERT_TRUE(openData());
    {
        FileUse userPref(m_context->data.userPref, m_prompter);
        m_context->data.USP = {4320400, 360001};
        ASSERT_TRUE(m_context->data.userPref.add().ok());
        procedures().setIndependent("BROWSEPERSON", [](AppContext &) { return new QWidget; });
        procedures().setIndependent("USERPREF", USERPREF);
        makeFrame();
        m_frame->show();
        menuItem("&People", "&Browse People")->trigger();
        menuItem("&File", "&User Preferences")->trigger();
        auto *prefs = m_frame->findChild<UserPrefWindow *>();
        ASSERT_NE(prefs, nullptr);
        prefs->startTime()->setText("9:30AM");

        m_prompter.queueAnswer(ButtonCancel);
        EXPECT_FALSE(m_frame->close());
        QApplication::processEvents();
        EXPECT_EQ(m_frame->mdiArea()->subWindowList().size(), 2) << "nothing closed";
        EXPECT_EQ(m_prompter.shown().size(), 1u);

        m_prompter.queueAnswer(ButtonNo);
        EXPECT_TRUE(m_frame->close());
        QApplication::processEvents();
        EXPECT_TRUE(m_frame->mdiArea()->subWindowList().isEmpty());
        EXPECT_EQ(m_prompter.shown().size(), 2u) << "each window asked once";
        m_frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(MainFrameTest, AWindowThatClosesItselfTakesItsSubWindowAlong)
{
    makeFrame();
    m_frame->show();
    auto *dialog = new QDialog;
    auto *plain = new QWidget;
    m_frame->addIndependentWindow(dialog);
    m_frame->addIndependentWindow(plain);
    ASSERT_EQ(m_frame->mdiArea()->subWindowList().size(), 2);
    m_frame->mdiArea()->subWindowList().at(1)->showMinimized();
    QApplication::processEvents();
    EXPECT_EQ(m_frame->mdiArea()->subWindowList().size(), 2); // minimized stays
    dialog->accept();                                         // a dialog's OK
    QApplication::processEvents();
    EXPECT_EQ(m_frame->mdiArea()->subWindowList().size(), 1);
    m_frame->mdiArea()->subWindowList().at(0)->showNormal();
    plain->close(); // a window's own Close button
    QApplication::processEvents();
    EXPECT_TRUE(m_frame->mdiArea()->subWindowList().isEmpty());
}

} // namespace
} // namespace korvalen
