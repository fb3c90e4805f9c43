// The standard record form, driven through a small form over GROUP (and one
// over PEOPLE) with real files in a temporary working directory.

#include "ui/recordform.h"

#include "storage/recordupdate.h"

#include "../guifixture.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using namespace keys;

// A form with one entry on a 10-character text field of `Record`.
template <class Record> class OneFieldDialog : public QDialog
{
public:
    OneFieldDialog(AppContext &context, DataFile &file, Record &buffer, Text<10> Record::*field)
        : form(context, *this, file, buffer), edit(new QLineEdit(this)), action(new QLabel(this)),
          okButton(new QPushButton("OK", this)), cancelButton(new QPushButton("Cancel", this))
    {
        auto *layout = new QVBoxLayout(this);
        for (QWidget *widget : std::vector<QWidget *>{edit, action, okButton, cancelButton})
            layout->addWidget(widget);
        form.setFirstField(edit);
        form.setActionLabel(action);
        form.setShowRecord(
            [this, field] { edit->setText(QString::fromStdString((form.record().*field).str())); });
        form.setTakeRecord([this, field] { form.record().*field = edit->text().toStdString(); });
        form.setValidate([this, &context]() -> QWidget * {
            if (!edit->text().trimmed().isEmpty())
                return nullptr;
            context.prompter.beep();
            return edit;
        });
        connect(okButton, &QPushButton::clicked, this, [this] { form.ok(); });
        connect(cancelButton, &QPushButton::clicked, this, [this] { form.cancel(); });
    }

    // Starts the form as its caller would, and shows it when it is to be shown.
    bool open(int request)
    {
        form.m_context.globals.request = request;
        bool shown = form.start();
        if (shown)
            show();
        return shown;
    }
    void type(const char *text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    struct Form : RecordFormFor<Record>
    {
        using RecordFormFor<Record>::RecordFormFor;
        using RecordFormFor<Record>::m_context;
    } form;
    QLineEdit *edit;
    QLabel *action;
    QPushButton *okButton;
    QPushButton *cancelButton;
};

using GroupDialog = OneFieldDialog<GroupRecord>;
using PersonDialog = OneFieldDialog<PeopleRecord>;

class RecordFormTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock = FixedClock(90000, 1);
        ASSERT_TRUE(openData({&data().group, &data().activity, &data().groupPeople, &data().people,
                              &data().personAct}));
    }

    std::unique_ptr<GroupDialog> groupDialog()
    {
        auto dialog = std::make_unique<GroupDialog>(*m_context, data().group, data().GRO,
                                                    &GroupRecord::GROUP);
        dialog->form.setUpdate(updateGroup);
        dialog->form.setRemove(deleteGroup);
        dialog->form.setDuplicateKeyName("Name Order");
        return dialog;
    }
    std::unique_ptr<PersonDialog> personDialog()
    {
        auto dialog = std::make_unique<PersonDialog>(*m_context, data().people, data().PEO,
                                                     &PeopleRecord::PERSON);
        dialog->form.setUpdate(updatePerson);
        dialog->form.setRemove(deletePerson);
        return dialog;
    }

    // Adds a record, then reads it again with a watch as a list does before
    // it calls a form for a change or a delete.
    template <class Record> void addAndReread(DataFile &file, Record &buffer, const Record &record)
    {
        buffer = record;
        ASSERT_TRUE(file.add().ok());
        std::int64_t number = file.current().recordNumber;
        file.watch();
        ASSERT_TRUE(file.getByRecordNumber(number).ok());
    }
    bool groupExists(const char *name)
    {
        data().GRO.GROUP = name;
        return data().group.get(GRO_GROUP_KEY).ok();
    }
};

// ---------------------------------------------------------------------------
// Insert

TEST_F(RecordFormTest, NewRecordClosedUntouchedAsksNothingAndIsCancelled)
{
    auto dialog = groupDialog();
    m_context->globals.response = RequestCompleted;
    ASSERT_TRUE(dialog->open(InsertRecord));
    EXPECT_EQ(m_context->globals.request, 0);
    EXPECT_EQ(m_context->globals.response, 0);
    EXPECT_EQ(dialog->action->text(), "Record will be Added");
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(m_prompter.shown().empty());
    dialog->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
}

TEST_F(RecordFormTest, InsertAddsOnOkAndKeepsTheFormOpenOnABlankOrDuplicateName)
{
    auto dialog = groupDialog();
    ASSERT_TRUE(dialog->open(InsertRecord));
    dialog->okButton->click(); // blank: rejected by the field check
    EXPECT_EQ(m_prompter.beeps(), 1);
    EXPECT_TRUE(dialog->isVisible());
    dialog->type("Choir");
    dialog->okButton->click();
    EXPECT_FALSE(dialog->isVisible());
    dialog->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_EQ(data().GRO.GROUP.str(), "Choir") << "the new record is handed back";
    EXPECT_TRUE(groupExists("Choir"));

    auto second = groupDialog();
    ASSERT_TRUE(second->open(InsertRecord));
    second->type("CHOIR");
    second->okButton->click();
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(captions(), std::vector<std::string>{"Duplicate Key Error"});
    EXPECT_EQ(lastMessage(), "Adding this record creates a duplicate entry for the key:Name Order");
    EXPECT_EQ(second->edit->selectedText(), "CHOIR") << "the first field is selected";
    second->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
}

TEST_F(RecordFormTest, RequestsTheFormDoesNotAllowAreRefused)
{
    auto dialog = groupDialog();
    dialog->form.setAllowedRequests(false, true, false);
    EXPECT_FALSE(dialog->open(InsertRecord));
    EXPECT_FALSE(dialog->open(DeleteRecord));
    EXPECT_EQ(captions(), (std::vector<std::string>{"Invalid Request", "Invalid Request"}));
    EXPECT_EQ(m_prompter.shown()[0].request.text,
              "This procedure was called to insert a record, however inserts are not allowed "
              "for this procedure.  Press OK to return to the calling procedure");
    EXPECT_NE(lastMessage().find("to delete a record, however deletions"), std::string::npos);
    dialog->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
}

// ---------------------------------------------------------------------------
// Change

TEST_F(RecordFormTest, ChangeSavesThroughTheUpdateOperationWithItsCascades)
{
    addActivity("Choir");
    addAndReread(data().group, data().GRO, GroupRecord{"Choir"});
    auto dialog = groupDialog();
    ASSERT_TRUE(dialog->open(ChangeRecord));
    EXPECT_EQ(dialog->action->text(), "Record will be Changed");
    EXPECT_EQ(dialog->edit->text(), "Choir");
    dialog->type("Chorus");
    dialog->okButton->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(m_prompter.shown().empty()) << lastMessage();
    dialog->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    data().ACT.ACTNUMBER = 1;
    ASSERT_TRUE(data().activity.get(ACT_ACTNUMBER_KEY).ok());
    EXPECT_EQ(data().ACT.GROUP.str(), "Chorus");
}

TEST_F(RecordFormTest, LeavingWithChangesAsksWhetherToSave)
{
    addAndReread(data().group, data().GRO, GroupRecord{"Choir"});
    auto dialog = groupDialog();
    ASSERT_TRUE(dialog->open(ChangeRecord));
    dialog->type("Chorus");
    m_prompter.queueAnswer(ButtonCancel); // stay
    QTest::keyClick(dialog->edit, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(captions(), std::vector<std::string>{"Update Cancelled"});
    EXPECT_EQ(lastMessage(), "Do you want to save the changes to this record?");
    m_prompter.queueAnswer(ButtonNo); // leave without saving
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    dialog->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_TRUE(groupExists("Choir"));

    addAndReread(data().group, data().GRO, GroupRecord{"Band"});
    auto again = groupDialog();
    ASSERT_TRUE(again->open(ChangeRecord));
    again->type("Brass");
    m_prompter.queueAnswer(ButtonYes); // save
    again->cancelButton->click();
    EXPECT_FALSE(again->isVisible());
    again->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_TRUE(groupExists("Brass"));
}

// The frame's question before the program ends: asked once, a No closes
// without asking again, a Cancel keeps everything, a withdrawn question is
// asked again, and a record saved on the way is not added twice.
TEST_F(RecordFormTest, TheFramesCloseQueryAsksOnceAndCanBeWithdrawn)
{
    auto ask = [](QWidget &window, CloseQueryEvent::Phase phase) {
        CloseQueryEvent query(phase);
        QCoreApplication::sendEvent(&window, &query);
        return query.isAccepted();
    };
    addAndReread(data().group, data().GRO, GroupRecord{"Choir"});
    auto dialog = groupDialog();
    ASSERT_TRUE(dialog->open(ChangeRecord));
    dialog->type("Chorus");
    m_prompter.queueAnswer(ButtonCancel);
    EXPECT_FALSE(ask(*dialog, CloseQueryEvent::Ask));
    EXPECT_TRUE(dialog->isVisible());
    m_prompter.queueAnswer(ButtonNo);
    EXPECT_TRUE(ask(*dialog, CloseQueryEvent::Ask));
    EXPECT_TRUE(dialog->close());
    EXPECT_EQ(m_prompter.shown().size(), 2u) << "closing after a No asks nothing more";
    EXPECT_TRUE(groupExists("Choir"));

    auto added = groupDialog();
    ASSERT_TRUE(added->open(InsertRecord));
    added->type("Band");
    m_prompter.queueAnswer(ButtonYes); // saved while asked
    EXPECT_TRUE(ask(*added, CloseQueryEvent::Ask));
    EXPECT_TRUE(ask(*added, CloseQueryEvent::Withdraw)); // another window said Cancel
    EXPECT_TRUE(added->isVisible());
    added->type("Brass");
    m_prompter.queueAnswer(ButtonCancel);
    EXPECT_FALSE(added->close()) << "a withdrawn question is asked again";
    EXPECT_EQ(m_prompter.shown().size(), 4u);
    added->okButton->click(); // a change of what was added now, not a second add
    EXPECT_FALSE(added->isVisible());
    EXPECT_TRUE(groupExists("Brass"));
    EXPECT_FALSE(groupExists("Band"));
}

TEST_F(RecordFormTest, CancelOfAFormThatClosesAtOnceAsksNothing)
{
    addAndReread(data().group, data().GRO, GroupRecord{"Choir"});
    auto dialog = groupDialog();
    dialog->form.setCancelClosesAtOnce(true);
    ASSERT_TRUE(dialog->open(ChangeRecord));
    dialog->type("Chorus");
    dialog->cancelButton->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(m_prompter.shown().empty());
    dialog->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_TRUE(groupExists("Choir"));
}

TEST_F(RecordFormTest, NewRecordWithItsEntryCopyFromTheCallerAlwaysAsks)
{
    auto dialog = personDialog();
    dialog->form.setPrime([this](PeopleRecord &record) { record.DATE = m_clock.today(); });
    dialog->form.setEntryCopyFromCaller([](PeopleRecord &copy) { copy.DATE = 0; });
    data().PEO = {};
    ASSERT_TRUE(dialog->open(InsertRecord));
    EXPECT_EQ(dialog->form.record().DATE, 90000);
    dialog->close(); // the default answer, No, closes
    EXPECT_EQ(captions(), std::vector<std::string>{"Update Cancelled"});
    EXPECT_FALSE(dialog->isVisible());
}

// ---------------------------------------------------------------------------
// Delete

TEST_F(RecordFormTest, DeleteIsConfirmedAndARefusedDeleteOffersToTryAgain)
{
    addActivity("Choir");
    addAndReread(data().group, data().GRO, GroupRecord{"Choir"});
    auto dialog = groupDialog();
    for (int answer : {ButtonOk, ButtonOk, ButtonYes, ButtonOk, ButtonNo})
        m_prompter.queueAnswer(answer);
    EXPECT_FALSE(dialog->open(DeleteRecord)) << "a delete shows no form";
    EXPECT_EQ(captions(),
              (std::vector<std::string>{"Confirm Delete", "Referential Integrity Delete Error",
                                        "Record Update Error", "Referential Integrity Delete Error",
                                        "Record Update Error"}));
    EXPECT_EQ(lastMessage(),
              "An error was experienced deleting this record.  Do you want to try to "
              "save again?");
    dialog->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    EXPECT_TRUE(groupExists("Choir"));

    addAndReread(data().group, data().GRO, GroupRecord{"Band"});
    m_prompter.clear();
    EXPECT_FALSE(dialog->open(DeleteRecord)); // Confirm Delete defaults to Cancel
    EXPECT_EQ(captions(), std::vector<std::string>{"Confirm Delete"});
    EXPECT_TRUE(groupExists("Band"));

    data().group.watch();
    ASSERT_TRUE(data().group.get(GRO_GROUP_KEY).ok());
    m_prompter.queueAnswer(ButtonOk);
    EXPECT_FALSE(dialog->open(DeleteRecord));
    dialog->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCompleted);
    EXPECT_FALSE(groupExists("Band"));
}

// ---------------------------------------------------------------------------
// Two stations

// Another program changes person `person` on the same files and ends.
void changeOnAnotherStation(const std::filesystem::path &dir, const char *person, const char *name)
{
    std::filesystem::path helper = STATION_HELPER;
    ASSERT_TRUE(std::filesystem::exists(helper)) << helper << " is built with the storage tests";
    std::string command = "'" + helper.string() + "' '" + dir.string() + "' put-person " + person +
                          " " + name + " </dev/null";
    FILE *output = popen(command.c_str(), "r");
    ASSERT_NE(output, nullptr);
    std::string said;
    char line[256];
    while (std::fgets(line, sizeof line, output))
        said += line;
    pclose(output);
    EXPECT_NE(said.find("put 0"), std::string::npos) << said;
}

TEST_F(RecordFormTest, SaveOfAPersonChangedOnAnotherStationOffersToTryAgainAndFailsAgain)
{
    addAndReread(data().people, data().PEO, PeopleRecord{"Cy", "Cyrus", 90000});
    auto dialog = personDialog();
    ASSERT_TRUE(dialog->open(ChangeRecord));
    changeOnAnotherStation(folder(), "Cy", "Cyril");

    dialog->type("Cyrus");
    for (int answer : {ButtonOk, ButtonYes, ButtonOk, ButtonCancel})
        m_prompter.queueAnswer(answer);
    dialog->okButton->click();
    const std::vector<std::string> changedThenAsked = {"Update Operation Error",
                                                       "Record Update Error"};
    std::vector<std::string> twice = changedThenAsked;
    twice.insert(twice.end(), changedThenAsked.begin(), changedThenAsked.end());
    EXPECT_EQ(captions(), twice);
    EXPECT_EQ(m_prompter.shown()[0].request.text, "This record was changed by another station.");
    EXPECT_EQ(m_prompter.shown()[1].request.text,
              "An error was experienced changing this record.  Do you want to try to save again?");
    EXPECT_TRUE(dialog->isVisible()) << "Cancel keeps the form open";
    EXPECT_EQ(dialog->edit->selectedText(), "Cyrus");

    m_prompter.clear();
    m_prompter.queueAnswer(ButtonOk);
    m_prompter.queueAnswer(ButtonNo);
    dialog->okButton->click();
    EXPECT_EQ(captions(), changedThenAsked);
    EXPECT_FALSE(dialog->isVisible()) << "No closes the form";
    dialog->form.finish();
    EXPECT_EQ(m_context->globals.response, RequestCancelled);
    data().PEO.PERSON = "Cy";
    ASSERT_TRUE(data().people.get(PEO_PERSON_KEY).ok());
    EXPECT_EQ(data().PEO.NAME.str(), "Cyril") << "the other station's change was overwritten";
}

} // namespace
} // namespace korvalen
