// Groups and their members: the membership operations, the group form in its
// insert and change modes, and the group list, with real files in a temporary
// working directory, a scripted prompter and a scripted people picker.

#include "people/browsegroups.h"
#include "people/updategroup.h"
#include "storage/recordupdate.h"
#include "ui/browselist.h"

#include "../guifixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using namespace keys;
using Strings = std::vector<std::string>;

// Another station is this test program started again on the same working
// directory, running only OtherStation.DISABLED_ChangesTheGroup with what it
// is to do in its environment.
const char *const kStationDir = "KORVALEN_STATION_DIR";
const char *const kStationAction = "KORVALEN_STATION_ACTION"; // rename or delete
const char *const kStationGroup = "KORVALEN_STATION_GROUP";
const char *const kStationNewName = "KORVALEN_STATION_NEW_NAME";

// True when the other station did `action` to `group` (rename: to `newName`)
// through the program's own record operations.
bool otherStation(const std::filesystem::path &dir, const char *action, const char *group,
                  const char *newName = "")
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kStationDir, QString::fromStdString(dir.string()));
    environment.insert(kStationAction, action);
    environment.insert(kStationGroup, QString::fromUtf8(group));
    environment.insert(kStationNewName, QString::fromUtf8(newName));
    QProcess station;
    station.setProcessEnvironment(environment);
    station.start(QCoreApplication::applicationFilePath(),
                  {"--gtest_also_run_disabled_tests",
                   "--gtest_filter=OtherStation.DISABLED_ChangesTheGroup"});
    const bool ended = station.waitForFinished(20000);
    EXPECT_TRUE(ended && station.exitStatus() == QProcess::NormalExit && station.exitCode() == 0)
        << station.readAllStandardOutput().toStdString();
    return ended && station.exitCode() == 0;
}

TEST(OtherStation, DISABLED_ChangesTheGroup)
{
    const char *dir = std::getenv(kStationDir);
    ASSERT_NE(dir, nullptr) << "run only as another station";
    const std::string action = std::getenv(kStationAction);
    ScriptedPrompter prompter;
    AppData data;
    ASSERT_TRUE(data.database.open(dir).ok());
    FileUse groups(data.group, prompter);
    data.GRO.GROUP = std::getenv(kStationGroup);
    ASSERT_TRUE(data.group.get(GRO_GROUP_KEY).ok());
    data.group.watch();
    ASSERT_TRUE(data.group.getByRecordNumber(data.group.current().recordNumber).ok());
    RecordRef ref = data.group.current();
    if (action == "rename") {
        GroupRecord renamed;
        renamed.GROUP = std::getenv(kStationNewName);
        ASSERT_TRUE(updateGroup(data, prompter, renamed, ref).ok());
    } else {
        ASSERT_EQ(action, "delete");
        ASSERT_TRUE(deleteGroup(data, prompter, ref).ok());
    }
}

class GroupsTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock = FixedClock(90000, 1);
        ASSERT_TRUE(openData({&data().group, &data().groupPeople, &data().activity}));
        scriptPeoplePicker();
    }

    // Every membership as "group/person", in key order.
    Strings memberships()
    {
        return inKeyOrder(data().groupPeople, GRP_GROUP_KEY, [this] {
            return data().GRP.GROUP.str() + "/" + data().GRP.PEOPLE.str();
        });
    }
    Strings activityGroups()
    {
        return inKeyOrder(data().activity, ACT_ACTNUMBER_KEY,
                          [this] { return data().ACT.GROUP.str(); });
    }
    Strings groups()
    {
        return inKeyOrder(data().group, GRO_GROUP_KEY, [this] { return data().GRO.GROUP.str(); });
    }
    std::unique_ptr<BrowseWindow> shownGroupList()
    {
        std::unique_ptr<BrowseWindow> list = makeGroupList(*m_context);
        EXPECT_TRUE(list);
        if (list) {
            list->show();
            QApplication::processEvents();
            // What activating the window does; offscreen windows are not activated.
            list->browse().refresh();
        }
        return list;
    }
    static Strings shown(BrowseList &list)
    {
        Strings out;
        for (const BrowseRow &row : list.browse().rows())
            out.push_back(row.cells.at(0));
        return out;
    }

    // Opens the form as the group list would: for a change or a delete, the
    // group is re-read with a watch first.
    std::unique_ptr<GroupFormWindow> openForm(int request, const char *name = "")
    {
        if (request != InsertRecord) {
            data().GRO.GROUP = name;
            EXPECT_TRUE(data().group.get(GRO_GROUP_KEY).ok());
            data().group.watch();
            EXPECT_TRUE(data().group.getByRecordNumber(data().group.current().recordNumber).ok());
        } else {
            data().GRO = {};
        }
        m_context->globals.request = request;
        auto window = std::make_unique<GroupFormWindow>(*m_context);
        if (window->start()) {
            window->show();
            QApplication::processEvents(); // the list learns its height
        }
        return window;
    }
};

// ---------------------------------------------------------------------------
// Membership without windows

TEST_F(GroupsTest, MembershipFoldsTheGroupsCaseButMatchesThePersonExactly)
{
    addMember("kids", "Ann");
    addMember("KIDS", "Bob");
    addMember("Kid", "Cy");
    data().GRP.PEOPLE = "untouched";
    bool found = false;
    ASSERT_TRUE(findMember(data(), "Kids", "Ann", found).ok());
    EXPECT_TRUE(found);
    ASSERT_TRUE(findMember(data(), "kids", "Bob", found).ok());
    EXPECT_TRUE(found);
    ASSERT_TRUE(findMember(data(), "Kids", "ANN", found).ok());
    EXPECT_FALSE(found) << "another spelling of the person is another person";
    ASSERT_TRUE(findMember(data(), "Kids", "Cy", found).ok());
    EXPECT_FALSE(found) << "a group whose name only begins alike";
    EXPECT_EQ(data().GRP.PEOPLE.str(), "untouched");
}

TEST_F(GroupsTest, AddingMembersSkipsExistingOnesRepeatsAndBlanks)
{
    addMember("kids", "Ann");
    std::vector<PickedPerson> picked(5);
    const char *names[] = {"ANN", "Ann", "Bob", "Bob", ""};
    for (int i = 0; i < 5; ++i)
        picked[static_cast<std::size_t>(i)].shortName = names[i];
    EXPECT_EQ(addMembers(data(), "Kids", picked), 2);
    EXPECT_EQ(memberships(), (Strings{"kids/Ann", "Kids/ANN", "Kids/Bob"}));
    EXPECT_EQ(addMembers(data(), "KIDS", picked), 0);
}

TEST_F(GroupsTest, RemovingAMemberTakesThatRecordOnly)
{
    addMember("Kids", "Ann");
    std::int64_t upper = addMember("Kids", "ANN");
    addMember("Band", "ANN");
    ASSERT_TRUE(removeMember(data(), upper).ok());
    EXPECT_EQ(memberships(), (Strings{"Band/ANN", "Kids/Ann"}));
    EXPECT_TRUE(removeMember(data(), upper).is(ErrorCode::RecordNotFound));
}

// ---------------------------------------------------------------------------
// A new group

TEST_F(GroupsTest, NewGroupIsAddedWhenItsNameIsAcceptedAndGoesOnAsAChange)
{
    auto window = openForm(InsertRecord);
    EXPECT_EQ(window->windowTitle(), "Update Group Lists");
    EXPECT_EQ(window->mode(), InsertRecord);
    EXPECT_FALSE(window->insertButton()->isEnabled()) << "blank name";
    EXPECT_FALSE(window->deleteButton()->isEnabled());
    QTest::keyClicks(window->nameEntry(), "  ");
    EXPECT_FALSE(window->insertButton()->isEnabled()) << "blanks only";
    enter(window->nameEntry(), " Kids ");
    EXPECT_TRUE(m_prompter.shown().empty()) << lastMessage();
    EXPECT_EQ(window->mode(), ChangeRecord);
    EXPECT_EQ(groups(), Strings{"Kids"});
    EXPECT_TRUE(window->insertButton()->isEnabled());
    EXPECT_TRUE(window->focusWidget() == window->insertButton());
    std::string topic;
    m_context->showHelp = [&topic](const std::string &shown) { topic = shown; };
    window->helpButton()->click();
    EXPECT_EQ(topic, "~UPGROUPDIAL");
    window->closeButton()->click();
    EXPECT_FALSE(window->isVisible());
    window->finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled) << "Close always cancels";
}

TEST_F(GroupsTest, BlankNewNameAsksWhetherToLeave)
{
    auto window = openForm(InsertRecord);
    m_prompter.queueAnswer(ButtonNo);
    QTest::keyClick(window->nameEntry(), Qt::Key_Return);
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    const MessageBoxRequest &asked = m_prompter.shown()[0].request;
    EXPECT_EQ(asked.text, "Group Name cannot be blank. Exit this procedure?");
    EXPECT_EQ(asked.icon, MessageIcon::Question);
    EXPECT_EQ(asked.buttons, ButtonYes | ButtonNo);
    EXPECT_EQ(asked.defaultButton, ButtonNo);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->focusWidget() == window->nameEntry());
    m_prompter.queueAnswer(ButtonYes);
    QTest::keyClick(window->nameEntry(), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    window->finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_TRUE(groups().empty());
}

TEST_F(GroupsTest, TwoGroupsDifferingOnlyInLetterCaseCollide)
{
    addGroup("Kids");
    auto window = openForm(InsertRecord);
    enter(window->nameEntry(), "KIDS");
    EXPECT_EQ(captions(), Strings{"Duplicate Key Error"});
    EXPECT_EQ(lastMessage(), "Adding this record creates a duplicate entry for the key:Name Order");
    EXPECT_EQ(window->mode(), InsertRecord);
    EXPECT_EQ(window->nameEntry()->selectedText(), "KIDS");
    // The failed add leaves no group to give members to.
    window->insertButton()->click();
    EXPECT_EQ(captions().size(), 2u) << "the name is tried again first";
    EXPECT_EQ(peoplePicker().calls, 0);
    EXPECT_EQ(groups(), Strings{"Kids"});
    window->close();
    window->finish();
}

TEST_F(GroupsTest, MemberInsertOnATypedNewNameAddsTheGroupFirst)
{
    auto window = openForm(InsertRecord);
    QTest::keyClicks(window->nameEntry(), "Kids");
    peoplePicker().marked = {"Ann"};
    window->insertButton()->click();
    EXPECT_EQ(groups(), Strings{"Kids"});
    EXPECT_EQ(peoplePicker().calls, 1);
    EXPECT_EQ(peoplePicker().request, SelectRecord);
    EXPECT_EQ(memberships(), Strings{"Kids/Ann"});
    EXPECT_EQ(shown(*window->memberList()), Strings{"Ann"});
    window->close();
    window->finish();
}

TEST_F(GroupsTest, NameCutToTheFieldStillCountsAsStored)
{
    auto window = openForm(InsertRecord);
    window->nameEntry()->setText(QString::fromUtf8("Müller-Grün")); // 11 characters
    QTest::keyClick(window->nameEntry(), Qt::Key_Return);
    EXPECT_EQ(groups(), Strings{"Müller-Grü"});
    peoplePicker().marked = {"Ann"};
    window->insertButton()->click();
    EXPECT_EQ(peoplePicker().calls, 1) << "not held back as an unsaved name";
    EXPECT_TRUE(m_prompter.shown().empty()) << lastMessage();
    window->close();
    window->finish();
}

TEST_F(GroupsTest, LeavingTheEntryAcceptsItOnlyWhenItWasEdited)
{
    auto window = openForm(InsertRecord);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->nameEntry()->setFocus();
    QTest::keyClick(window->nameEntry(), Qt::Key_Tab); // untouched: no question
    QApplication::processEvents();
    EXPECT_TRUE(m_prompter.shown().empty()) << lastMessage();
    window->nameEntry()->setFocus();
    QTest::keyClicks(window->nameEntry(), "Kids");
    QTest::keyClick(window->nameEntry(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(groups(), Strings{"Kids"});
    EXPECT_EQ(window->mode(), ChangeRecord);
    window->nameEntry()->setFocus();
    window->nameEntry()->selectAll();
    QTest::keyClicks(window->nameEntry(), "Young");
    QTest::keyClick(window->nameEntry(), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(groups(), Strings{"Young"});
    EXPECT_TRUE(m_prompter.shown().empty()) << lastMessage();
    window->close();
    window->finish();
}

// ---------------------------------------------------------------------------
// Members

TEST_F(GroupsTest, MemberListShowsOnlyThisGroupInAnySpelling)
{
    addGroup("Kids");
    addMember("KIDS", "Bob");
    addMember("kids", "Ann");
    addMember("Kid", "Cy");
    addMember("Kidsx", "Dee");
    addMember("Band", "Eve");
    auto window = openForm(ChangeRecord, "Kids");
    EXPECT_EQ(window->nameEntry()->text(), "Kids");
    EXPECT_EQ(shown(*window->memberList()), (Strings{"Ann", "Bob"}));
    PagedBrowse &list = window->memberList()->browse();
    EXPECT_TRUE(list.popupMenu().empty()) << "no menu of its own";
    ASSERT_TRUE(list.locate("b"));
    EXPECT_EQ(list.rows().at(static_cast<std::size_t>(list.currentRow() - 1)).cells[0], "Bob");
    window->close();
    window->finish();
}

TEST_F(GroupsTest, PickedPeopleJoinAndExistingMembersAreSkippedSilently)
{
    addGroup("Kids");
    addMember("kids", "Ann");
    auto window = openForm(ChangeRecord, "Kids");
    peoplePicker().marked = {"ANN", "Ann", "Bob"};
    window->insertButton()->click();
    EXPECT_TRUE(m_prompter.shown().empty()) << lastMessage();
    EXPECT_EQ(memberships(), (Strings{"kids/Ann", "Kids/ANN", "Kids/Bob"}));
    EXPECT_EQ(shown(*window->memberList()), (Strings{"Ann", "ANN", "Bob"}));

    peoplePicker().response = RequestCancelled;
    peoplePicker().marked = {"Cy"};
    window->insertButton()->click();
    EXPECT_EQ(memberships().size(), 3u) << "a cancelled picker adds nobody";
    window->close();
    window->finish();
}

TEST_F(GroupsTest, DeleteRemovesTheHighlightedMembershipByItsRecord)
{
    addGroup("Kids");
    addMember("Kids", "Ann");
    addMember("Kids", "ANN");
    addMember("Kids", "Bob");
    auto window = openForm(ChangeRecord, "Kids");
    PagedBrowse &list = window->memberList()->browse();
    ASSERT_EQ(shown(*window->memberList()), (Strings{"Ann", "ANN", "Bob"}));
    list.setCurrentRow(2);
    window->deleteButton()->click();
    EXPECT_TRUE(m_prompter.shown().empty()) << "no question";
    EXPECT_EQ(memberships(), (Strings{"Kids/Ann", "Kids/Bob"}));
    EXPECT_EQ(shown(*window->memberList()), (Strings{"Ann", "Bob"}));
    EXPECT_EQ(list.rows().at(static_cast<std::size_t>(list.currentRow() - 1)).cells[0], "Bob");
    list.setCurrentRow(2);
    window->deleteButton()->click();
    list.setCurrentRow(1);
    window->deleteButton()->click();
    EXPECT_TRUE(memberships().empty());
    EXPECT_EQ(list.currentRow(), 0);
    window->deleteButton()->click(); // nothing highlighted: nothing happens
    EXPECT_TRUE(m_prompter.shown().empty());
    window->close();
    window->finish();
}

// ---------------------------------------------------------------------------
// Renaming

TEST_F(GroupsTest, RenamedGroupKeepsItsActivitiesAndMembersRenameAfterRename)
{
    addActivity("Kids");
    addActivity("KIDS"); // another spelling is not the group's
    addActivity("Band");
    auto window = openForm(InsertRecord);
    enter(window->nameEntry(), "Kids");
    peoplePicker().marked = {"Ann", "Bob"};
    window->insertButton()->click();
    enter(window->nameEntry(), "Young");
    EXPECT_TRUE(m_prompter.shown().empty()) << lastMessage();
    EXPECT_EQ(activityGroups(), (Strings{"Young", "KIDS", "Band"}));
    EXPECT_EQ(memberships(), (Strings{"Young/Ann", "Young/Bob"}));
    EXPECT_EQ(shown(*window->memberList()), (Strings{"Ann", "Bob"}));
    enter(window->nameEntry(), "Small");
    EXPECT_TRUE(m_prompter.shown().empty()) << lastMessage();
    EXPECT_EQ(groups(), Strings{"Small"});
    EXPECT_EQ(activityGroups(), (Strings{"Small", "KIDS", "Band"}));
    EXPECT_EQ(memberships(), (Strings{"Small/Ann", "Small/Bob"}));
    EXPECT_EQ(shown(*window->memberList()), (Strings{"Ann", "Bob"}));
    window->close();
    window->finish();
}

TEST_F(GroupsTest, BlankNameOnAChangeIsRefusedAndNothingIsWritten)
{
    addGroup("Kids");
    auto window = openForm(ChangeRecord, "Kids");
    enter(window->nameEntry(), "   ");
    ASSERT_EQ(m_prompter.shown().size(), 1u);
    const MessageBoxRequest &told = m_prompter.shown()[0].request;
    EXPECT_EQ(told.text, "Group Name can not be blank.");
    EXPECT_EQ(told.icon, MessageIcon::Exclamation);
    EXPECT_EQ(told.buttons, ButtonOk);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->focusWidget() == window->nameEntry());
    EXPECT_EQ(groups(), Strings{"Kids"});
    window->nameEntry()->setText("Kids");
    window->close();
    window->finish();
}

TEST_F(GroupsTest, RenameOntoAnotherGroupFailsAndOffersToTryAgain)
{
    addGroup("Kids");
    addGroup("Band");
    addMember("Kids", "Ann");
    addMember("Band", "Eve");
    auto window = openForm(ChangeRecord, "Kids");
    m_prompter.queueAnswer(ButtonOk);     // the failed put
    m_prompter.queueAnswer(ButtonCancel); // back to the entry
    enter(window->nameEntry(), "BAND");
    EXPECT_EQ(captions(), (Strings{"Update Operation Error", "Record Update Error"}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->focusWidget() == window->nameEntry());
    EXPECT_EQ(window->storedName().str(), "Kids");
    EXPECT_EQ(shown(*window->memberList()), Strings{"Ann"}) << "not the other group's members";
    // Members are not given to a name that is not stored: the rename is tried
    // again first, and refused again.
    m_prompter.queueAnswer(ButtonOk);
    m_prompter.queueAnswer(ButtonNo); // No closes the window
    window->insertButton()->click();
    EXPECT_EQ(peoplePicker().calls, 0);
    EXPECT_FALSE(window->isVisible());
    window->finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_EQ(groups(), (Strings{"Band", "Kids"}));
    EXPECT_EQ(memberships(), (Strings{"Band/Eve", "Kids/Ann"}));
}

// ---------------------------------------------------------------------------
// Another station changes the group while the form shows it

TEST_F(GroupsTest, MembersChangeOnlyForTheGroupAsItStandsNow)
{
    addGroup("Kids");
    addMember("Kids", "Ann");
    addMember("Kids", "Bob");
    auto window = openForm(ChangeRecord, "Kids");
    ASSERT_TRUE(otherStation(folder(), "rename", "Kids", "Young"));
    peoplePicker().marked = {"Cy"};
    window->insertButton()->click();
    EXPECT_EQ(captions(), Strings{"Update Operation Error"});
    EXPECT_EQ(lastMessage(), "This record was changed by another station.");
    EXPECT_EQ(peoplePicker().calls, 0) << "no people are picked for a group that is not shown";
    EXPECT_EQ(window->nameEntry()->text(), "Young");
    EXPECT_EQ(shown(*window->memberList()), (Strings{"Ann", "Bob"}));

    // The group as shown now takes its members.
    window->insertButton()->click();
    EXPECT_EQ(peoplePicker().calls, 1);
    EXPECT_EQ(memberships(), (Strings{"Young/Ann", "Young/Bob", "Young/Cy"}));

    ASSERT_TRUE(otherStation(folder(), "rename", "Young", "Small"));
    window->memberList()->browse().setCurrentRow(2);
    window->deleteButton()->click();
    EXPECT_EQ(captions().size(), 2u);
    EXPECT_EQ(lastMessage(), "This record was changed by another station.");
    EXPECT_EQ(memberships(), (Strings{"Small/Ann", "Small/Bob", "Small/Cy"}));
    EXPECT_EQ(window->nameEntry()->text(), "Small");
    EXPECT_TRUE(window->isVisible());
    // Delete again: still the member the user chose.
    window->deleteButton()->click();
    EXPECT_EQ(memberships(), (Strings{"Small/Ann", "Small/Cy"}));

    // Nothing is pending: closing asks nothing and the name stays.
    window->close();
    window->finish();
    EXPECT_EQ(captions().size(), 2u) << lastMessage();
    EXPECT_EQ(groups(), Strings{"Small"});
}

TEST_F(GroupsTest, GroupRenamedWhileThePickerIsOpenGetsNobodyUnderItsOldName)
{
    addGroup("Kids");
    addMember("Kids", "Ann");
    auto window = openForm(ChangeRecord, "Kids");
    peoplePicker().whilePicking = [this] {
        EXPECT_TRUE(otherStation(folder(), "rename", "Kids", "Young"));
    };
    peoplePicker().marked = {"Bob"};
    window->insertButton()->click();
    EXPECT_EQ(peoplePicker().calls, 1);
    EXPECT_EQ(lastMessage(), "This record was changed by another station.");
    EXPECT_EQ(memberships(), Strings{"Young/Ann"});
    EXPECT_EQ(window->nameEntry()->text(), "Young");
    EXPECT_EQ(shown(*window->memberList()), Strings{"Ann"});
    window->close();
    window->finish();
}

TEST_F(GroupsTest, GroupDeletedElsewhereClosesTheFormWithoutAddingMembers)
{
    addGroup("Kids");
    addMember("Kids", "Ann");
    auto window = openForm(ChangeRecord, "Kids");
    ASSERT_TRUE(otherStation(folder(), "delete", "Kids"));
    peoplePicker().marked = {"Bob"};
    window->insertButton()->click();
    EXPECT_EQ(captions(), Strings{"Update Operation Error"});
    EXPECT_EQ(lastMessage(), "This record was changed by another station.");
    EXPECT_EQ(peoplePicker().calls, 0);
    EXPECT_FALSE(window->isVisible());
    window->finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_TRUE(groups().empty());
    EXPECT_TRUE(memberships().empty());
}

// ---------------------------------------------------------------------------
// Delete request and response

TEST_F(GroupsTest, DeleteIsRefusedWhileAnActivityUsesTheGroup)
{
    addGroup("Kids");
    addMember("Kids", "Ann");
    addActivity("Kids");
    for (int answer : {ButtonOk, ButtonOk, ButtonNo})
        m_prompter.queueAnswer(answer);
    auto window = openForm(DeleteRecord, "Kids");
    EXPECT_FALSE(window->isVisible()) << "a delete shows no window";
    EXPECT_EQ(captions(), (Strings{"Confirm Delete", "Referential Integrity Delete Error",
                                   "Record Update Error"}));
    EXPECT_NE(m_prompter.shown()[1].request.text.find("ACTIVITY"), std::string::npos);
    window->finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_EQ(groups(), Strings{"Kids"});
    EXPECT_EQ(memberships(), Strings{"Kids/Ann"});
}

TEST_F(GroupsTest, DeleteTakesTheMembershipsWithTheGroup)
{
    addGroup("Kids");
    addGroup("Band");
    addMember("Kids", "Ann");
    addMember("Kids", "Bob");
    addMember("Band", "Ann");
    addActivity("Band");
    m_prompter.queueAnswer(ButtonOk);
    auto window = openForm(DeleteRecord, "Kids");
    window->finish();
    EXPECT_EQ(captions(), Strings{"Confirm Delete"});
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_EQ(groups(), Strings{"Band"});
    EXPECT_EQ(memberships(), Strings{"Band/Ann"});
}

TEST_F(GroupsTest, CloseBoxAfterACompletedPickerLeavesCompleted)
{
    addGroup("Kids");
    auto window = openForm(ChangeRecord, "Kids");
    window->close();
    window->finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled) << "no picker call";

    window = openForm(ChangeRecord, "Kids");
    peoplePicker().marked = {"Ann"};
    window->insertButton()->click();
    window->close();
    window->finish();
    EXPECT_EQ(m_context->globals.response, RequestCompleted);

    window = openForm(ChangeRecord, "Kids");
    window->insertButton()->click();
    window->closeButton()->click();
    window->finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled) << "Close always cancels";
}

// ---------------------------------------------------------------------------
// The group list

TEST_F(GroupsTest, GroupListShowsSelectOnlyWhenChoosing)
{
    addGroup("kids");
    addGroup("Band");
    auto list = shownGroupList();
    EXPECT_EQ(list->windowTitle(), "Browse Group Lists");
    EXPECT_EQ(shown(list->list()), (Strings{"Band", "kids"}));
    EXPECT_TRUE(list->selectButton()->isHidden());
    EXPECT_FALSE(list->selectButton()->isEnabled());
    EXPECT_EQ(list->insertButton()->statusTip(), "Create a new Group list");
    EXPECT_EQ(list->changeButton()->statusTip(), "Change the highlighted Group list");
    EXPECT_EQ(list->deleteButton()->statusTip(), "Delete the highlighted Group list");
    EXPECT_EQ(list->selectButton()->statusTip(), "Select highlighted Group list");
    EXPECT_EQ(list->list().table()->statusTip(), "Browsing Group Lists");
    std::string topic;
    m_context->showHelp = [&topic](const std::string &shown) { topic = shown; };
    list->helpButton()->click();
    EXPECT_EQ(topic, "~BRWSGROUP");
    list.reset();

    data().GRO.GROUP = "Kids";
    m_context->globals.request = SelectRecord;
    whenModal<BrowseWindow>([](BrowseWindow &window) {
        EXPECT_FALSE(window.selectButton()->isHidden());
        EXPECT_TRUE(window.selectButton()->isDefault());
        EXPECT_FALSE(window.changeButton()->isEnabled());
        window.selectButton()->click();
    });
    selectGroupList(*m_context);
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_EQ(data().GRO.GROUP.str(), "kids") << "opened at the caller's group, chosen";
}

TEST_F(GroupsTest, GroupListDeleteRunsTheFormsDeleteAndDropsTheRow)
{
    addGroup("Band");
    addGroup("Kids");
    addMember("Kids", "Ann");
    auto list = shownGroupList();
    list->browse().setCurrentRow(2);
    m_prompter.queueAnswer(ButtonOk);
    list->deleteButton()->click();
    EXPECT_EQ(captions(), Strings{"Confirm Delete"});
    EXPECT_EQ(shown(list->list()), Strings{"Band"});
    EXPECT_TRUE(memberships().empty());
}

TEST_F(GroupsTest, GroupListInsertOpensTheFormAndListsTheNewGroup)
{
    addGroup("Band");
    auto list = shownGroupList();
    whenModal<GroupFormWindow>([](GroupFormWindow &form) {
        EXPECT_EQ(form.mode(), InsertRecord);
        enter(form.nameEntry(), "Kids");
        form.closeButton()->click();
    });
    list->insertButton()->click();
    EXPECT_EQ(shown(list->list()), (Strings{"Band", "Kids"}));
}

} // namespace
} // namespace korvalen
