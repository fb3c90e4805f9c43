#include "app/app.h"

#include "ui/helpfile.h"
#include "ui/helpviewer.h"
#include "ui/inifile.h"

#include "../guifixture.h"

#include <QEventLoop>
#include <QSettings>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace korvalen {
namespace {

// Help and INI files in the case's own folder.
class ShellTest : public testing::GuiTest
{
};

TEST_F(ShellTest, HelpFileIsWrittenWhenMissingAndHasEveryWindowsTopic)
{
    HelpFile help;
    EXPECT_TRUE(help.load(folder()));
    EXPECT_TRUE(std::filesystem::exists(folder() / "KORVALEN.HLP"));
    for (const char *key :
         {"~TABCONT",    "~MENUS_AND_TOOLBAR", "~HOWTOUSEHELP",  "~UPACTDIAL",    "~REPACTDIAL",
          "~REPACT",     "~CHANGEACT",         "~DELACT",        "~CONFLICTDEAL", "~DELBATDIAL",
          "~CALOPTDIAL", "~WEEKVIEW",          "~BRWACTGRPDIAL", "~BRWACTNAME",   "~BRWSPEODIAL",
          "~UPPERSDIAL", "~BRWSGROUP",         "~UPGROUPDIAL",   "~BRWSPEOMDIAL", "~USERPREF",
          "~UPSPECDIAL"}) {
        const HelpTopic *topic = help.find(key);
        ASSERT_NE(topic, nullptr) << key;
        EXPECT_GT(topic->body.size(), 200u) << key;
    }
    // Every link leads somewhere.
    std::regex see("@see (~[A-Z_]+)");
    for (const HelpTopic &topic : help.topics())
        for (std::sregex_iterator it(topic.body.begin(), topic.body.end(), see), end; it != end;
             ++it)
            EXPECT_NE(help.find((*it)[1]), nullptr) << topic.key << " -> " << (*it)[1];
}

TEST_F(ShellTest, HelpSearchAndAChangedHelpFile)
{
    std::ofstream(folder() / "KORVALEN.HLP")
        << "#korvalen-help 1\n@topic ~A\n@title Weekly view\nSeven lists.\n\n"
           "@topic ~B\n@title Groups\nA group of people for the week.\n- a bullet\n@see ~A\n";
    HelpFile help;
    ASSERT_TRUE(help.load(folder()));
    ASSERT_EQ(help.topics().size(), 2u);
    EXPECT_EQ(help.search("WEEK"), (std::vector<std::string>{"~A", "~B"})); // titles first
    EXPECT_EQ(help.search("group week"), (std::vector<std::string>{"~B"}));
    EXPECT_TRUE(help.search("nothing here").empty());
    EXPECT_NE(help.find("~b"), nullptr);
    QString html = HelpViewer::topicHtml(*help.find("~B"), help);
    EXPECT_TRUE(html.contains("<li>a bullet</li>"));
    EXPECT_TRUE(html.contains("<a href=\"help:~A\">Weekly view</a>"));
}

TEST_F(ShellTest, HelpRequestsReachTheViewer)
{
    AppContext &context = *m_context;
    std::unique_ptr<HelpViewer> viewer = makeHelp(context, folder());
    context.showHelp("~UPACTDIAL");
    EXPECT_EQ(viewer->currentKey(), "~UPACTDIAL");
    context.showHelp("");
    EXPECT_EQ(viewer->currentKey(), "~TABCONT");
    context.showHelp("howto");
    EXPECT_EQ(viewer->currentKey(), "~HOWTOUSEHELP");
    context.showHelp("~NOSUCHTOPIC");
    EXPECT_EQ(viewer->currentKey(), "~TABCONT");
}

TEST_F(ShellTest, IniEntriesGoToOneFileWhateverItsLetterCase)
{
    EXPECT_EQ(iniFilePath(folder()), folder() / "KORVALEN.INI");
    std::ofstream(folder() / "korvalen.ini") << "[Other]\nkey=1\n";
    EXPECT_EQ(iniFilePath(folder()), folder() / "korvalen.ini");
    ASSERT_TRUE(writeIniEntry(folder(), "WeekView", "menutest", "menu"));
    QWidget window;
    window.setGeometry(40, 50, 300, 200);
    saveWindowPosition(window, folder(), "BrowsebyGroup");
    EXPECT_FALSE(std::filesystem::exists(folder() / "KORVALEN.INI"));
    QSettings ini(QString::fromStdString((folder() / "korvalen.ini").string()),
                  QSettings::IniFormat);
    EXPECT_EQ(ini.value("WeekView/menutest").toString(), "menu");
    EXPECT_EQ(ini.value("Other/key").toString(), "1");
    EXPECT_EQ(ini.value("BrowsebyGroup/Maximize").toString(), "No");
    EXPECT_EQ(ini.value("BrowsebyGroup/Width").toString(), "300");
    EXPECT_EQ(ini.value("BrowsebyGroup/Height").toString(), "200");
}

TEST_F(ShellTest, TheEventLoopGivesUpReadLocksBeforeItWaits)
{
    AppContext &context = *m_context;
    AppData &data = context.data;
    ASSERT_TRUE(openData());
    ASSERT_TRUE(data.group.create().ok());
    ASSERT_TRUE(data.group.open().ok());
    for (const char *name : {"A", "B"}) {
        data.GRO.GROUP = name;
        ASSERT_TRUE(data.group.add().ok());
    }
    context.releaseReadsWhenIdle();
    data.group.set(keys::GRO_GROUP_KEY);
    ASSERT_TRUE(data.group.next().ok());
    EXPECT_TRUE(data.database.hasLiveReads());
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(data.database.hasLiveReads());
    ASSERT_TRUE(data.group.next().ok()); // the cursor kept its place
    EXPECT_EQ(data.GRO.GROUP.str(), "B");
}

} // namespace
} // namespace korvalen
