#include "storage/warnings.h"

#include <gtest/gtest.h>

namespace korvalen {
namespace {

struct Case
{
    WarningKind kind;
    const char *caption;
    const char *text;
    MessageIcon icon;
    int buttons;
    int defaultButton;
    const char *finalText; // "" when the program goes on
};

constexpr MessageIcon E = MessageIcon::Exclamation;
constexpr MessageIcon Q = MessageIcon::Question;
constexpr int YNC = ButtonYes | ButtonNo | ButtonCancel;

// err is "File Not Found (2)"; info1 is "PEOPLE" followed by blanks, which
// every kind shows without them.
const Case kCases[] = {
    {WarningKind::InvalidFile, "Invalid File",
     "Error: (File Not Found (2)) accessing PEOPLE.  Press OK to end this application.", E,
     ButtonOk, ButtonOk, "Invalid File!"},
    {WarningKind::InvalidKey, "Invalid Key",
     "PEOPLE key file is invalid.  Do you want to rebuild the key?", Q, ButtonYes | ButtonNo,
     ButtonYes, "Invalid Key!"},
    {WarningKind::KeyRebuildError, "Key Rebuild Error",
     "Error: (File Not Found (2)) repairing key for PEOPLE.  Press OK to end this application.", E,
     ButtonOk, ButtonOk, "Error Rebuilding Key!"},
    {WarningKind::FileCreationError, "File Creation Error",
     "Error: (File Not Found (2)) creating PEOPLE.  Press OK to end this application.", E, ButtonOk,
     ButtonOk, "File Creation Error!"},
    {WarningKind::CreatedFileOpenError, "File Creation Error",
     "Error: (File Not Found (2)) opening created file:PEOPLE.  Press OK to end this "
     "application.",
     E, ButtonOk, ButtonOk, "File Creation Error!"},
    {WarningKind::ReferentialDeleteError, "Referential Integrity Delete Error",
     "This record is referenced from the file PEOPLE.  This record cannot be deleted while "
     "these references exist.",
     E, ButtonOk, ButtonOk, ""},
    {WarningKind::RecordInsertError, "Record Insert Error",
     "An error was experienced during the update of record.  Error: File Not Found (2).", E,
     ButtonOk, ButtonOk, ""},
    {WarningKind::UpdateOperationError, "Update Operation Error",
     "An error (File Not Found (2)) was experienced when attempting to update a record from the "
     "file.  Probable Cause: PEOPLE.",
     E, ButtonOk, ButtonOk, ""},
    {WarningKind::RecordUpdateRetry, "Record Update Error",
     "An error was experienced changing this record.  Do you want to try to save again?", E, YNC,
     ButtonCancel, ""},
    {WarningKind::DeleteOperationError, "Delete Operation Error",
     "An error (File Not Found (2)) was experienced when attempting to delete a record from the "
     "file PEOPLE.",
     E, ButtonOk, ButtonOk, ""},
    {WarningKind::RecordDeleteRetry, "Record Update Error",
     "An error was experienced deleting this record.  Do you want to try to save again?", E, YNC,
     ButtonCancel, ""},
    {WarningKind::InsertNotAllowed, "Invalid Request",
     "This procedure was called to insert a record, however inserts are not allowed for this "
     "procedure.  Press OK to return to the calling procedure",
     E, ButtonOk, ButtonOk, ""},
    {WarningKind::DeleteNotAllowed, "Invalid Request",
     "This procedure was called to delete a record, however deletions are not allowed for this "
     "procedure.  Press OK to return to the calling procedure",
     E, ButtonOk, ButtonOk, ""},
    {WarningKind::DuplicateKeyError, "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key:PEOPLE", E, ButtonOk, ButtonOk, ""},
    {WarningKind::FileAccessError, "File Access Error",
     "File (PEOPLE) could not be opened.  Error: File Not Found (2).", E, ButtonOk, ButtonOk, ""},
    {WarningKind::ConfirmDelete, "Confirm Delete",
     "You've selected to delete the highlighted record.  Press OK to confirm deletion of this "
     "record.",
     Q, ButtonOk | ButtonCancel, ButtonCancel, ""},
    {WarningKind::UpdateCancelled, "Update Cancelled",
     "Do you want to save the changes to this record?", Q, YNC, ButtonNo, ""},
    {WarningKind::RecordRetrievalError, "Record Retrieval Error",
     "Error: (File Not Found (2)) attempting to access a record from the PEOPLE file.  Returning "
     "to previous window.",
     E, ButtonOk, ButtonOk, ""},
    {WarningKind::ViewOpenError, "View Open Error",
     "Error: (File Not Found (2)) attempting to open the current VIEW. Filter and Range Limits "
     "ignored.",
     E, ButtonOk, ButtonOk, ""},
};

TEST(ShowWarningTest, EveryKindShowsItsExactBoxAndAnswersWithItsDefault)
{
    const Status err(ErrorCode::FileNotFound, "File Not Found");
    for (const Case &c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        ScriptedPrompter prompter;
        int answer = -1;
        bool halted = false;
        try {
            answer = showWarning(prompter, c.kind, err, "PEOPLE    ");
        } catch (const ProgramHalted &) {
            halted = true;
        }
        ASSERT_EQ(prompter.shown().size(), 1u);
        const MessageBoxRequest &box = prompter.shown()[0].request;
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(box.buttons, c.buttons);
        EXPECT_EQ(box.defaultButton, c.defaultButton);
        // The default of kind 2 is Yes, which goes back to the caller.
        bool ends = *c.finalText != '\0' && c.kind != WarningKind::InvalidKey;
        EXPECT_EQ(halted, ends);
        if (ends)
            EXPECT_EQ(prompter.haltText(), c.finalText);
        else
            EXPECT_EQ(answer, c.defaultButton);
    }
}

TEST(ShowWarningTest, AnswersAreReturnedAndInvalidKeyEndsOnlyOnNo)
{
    const Status err(ErrorCode::KeysInvalid, "Rebuild Keys");
    for (int button : {ButtonYes, ButtonNo, ButtonCancel}) {
        ScriptedPrompter prompter;
        prompter.queueAnswer(button);
        EXPECT_EQ(showWarning(prompter, WarningKind::UpdateCancelled, err), button);
    }
    ScriptedPrompter prompter;
    prompter.queueAnswer(ButtonNo);
    EXPECT_THROW(showWarning(prompter, WarningKind::InvalidKey, err, "GROUP"), ProgramHalted);
    EXPECT_EQ(prompter.haltText(), "Invalid Key!");
}

TEST(ShowWarningTest, ChangedByAnotherStationOnlyForCode89)
{
    ScriptedPrompter prompter;
    showWarning(prompter, WarningKind::UpdateOperationError,
                Status(ErrorCode::ChangedByOther, "Record Changed By Another Station"), "PEOPLE");
    showWarning(prompter, WarningKind::UpdateOperationError, Status(), "PEOPLE");
    EXPECT_EQ(prompter.shown()[0].request.text, "This record was changed by another station.");
    EXPECT_EQ(prompter.shown()[1].request.text,
              "An error (No error (0)) was experienced when attempting to update a record from "
              "the file.  Probable Cause: PEOPLE.");
}

TEST(ShowWarningTest, FileSystemFailuresShowTheSystemsOwnCode)
{
    Status full = Status::fileSystem(28, "");
    EXPECT_EQ(full.displayCode(), 28);
    EXPECT_EQ(full.text(), "No space left on device (28)");
}

// Found in use: a narrow box broke "Short Name Order" across two lines.
TEST(ShowWarningTest, DuplicateKeyNameIsShownOnOneLineAndLoggedAsWritten)
{
    ScriptedPrompter prompter;
    showWarning(prompter, WarningKind::DuplicateKeyError, Status(), "Short Name Order  ");
    const MessageBoxRequest &box = prompter.shown().at(0).request;
    const std::string prefix = "Adding this record creates a duplicate entry for the key:";
    EXPECT_EQ(box.text, prefix + "Short Name Order");
    EXPECT_EQ(displayedText(box), prefix + "Short\u00A0Name\u00A0Order");
    // Other boxes are shown as written.
    showWarning(prompter, WarningKind::FileAccessError, Status(), "SPECIAL FILE");
    EXPECT_EQ(displayedText(prompter.shown().at(1).request), prompter.shown().at(1).request.text);
}

} // namespace
} // namespace korvalen
