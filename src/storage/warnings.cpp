#include "storage/warnings.h"

#include "runtime/text.h"

#include <cstdlib>

namespace korvalen {

namespace {

constexpr const char *kEndApplication = ".  Press OK to end this application.";
constexpr const char *kReturnToCaller = "  Press OK to return to the calling procedure";

MessageBoxRequest box(const char *caption, std::string text,
                      MessageIcon icon = MessageIcon::Exclamation, int buttons = ButtonOk,
                      int defaultButton = ButtonOk)
{
    return {caption, std::move(text), icon, buttons, defaultButton};
}

} // namespace

Warning composeWarning(WarningKind kind, const Status &err, std::string_view info1Raw,
                       std::string_view info2, std::string_view info3, std::string_view info4)
{
    (void)info2, (void)info3, (void)info4; // no kind of this program uses them
    const std::string info1(clipped(info1Raw));
    const std::string errText = err.text();
    const int yesNoCancel = ButtonYes | ButtonNo | ButtonCancel;
    switch (kind) {
    case WarningKind::InvalidFile:
        return {
            box("Invalid File", "Error: (" + errText + ") accessing " + info1 + kEndApplication),
            "Invalid File!"};
    case WarningKind::InvalidKey:
        return {box("Invalid Key", info1 + " key file is invalid.  Do you want to rebuild the key?",
                    MessageIcon::Question, ButtonYes | ButtonNo, ButtonYes),
                "Invalid Key!"};
    case WarningKind::KeyRebuildError:
        return {box("Key Rebuild Error",
                    "Error: (" + errText + ") repairing key for " + info1 + kEndApplication),
                "Error Rebuilding Key!"};
    case WarningKind::FileCreationError:
        return {box("File Creation Error",
                    "Error: (" + errText + ") creating " + info1 + kEndApplication),
                "File Creation Error!"};
    case WarningKind::CreatedFileOpenError:
        return {box("File Creation Error",
                    "Error: (" + errText + ") opening created file:" + info1 + kEndApplication),
                "File Creation Error!"};
    case WarningKind::ReferentialDeleteError:
        return {box("Referential Integrity Delete Error",
                    "This record is referenced from the file " + info1 +
                        ".  This record cannot be deleted while these references exist."),
                {}};
    case WarningKind::RecordInsertError:
        return {
            box("Record Insert Error",
                "An error was experienced during the update of record.  Error: " + errText + "."),
            {}};
    case WarningKind::UpdateOperationError:
        if (err.is(ErrorCode::ChangedByOther))
            return {box("Update Operation Error", "This record was changed by another station."),
                    {}};
        return {box("Update Operation Error",
                    "An error (" + errText +
                        ") was experienced when attempting to update a record from the file.  "
                        "Probable Cause: " +
                        info1 + "."),
                {}};
    case WarningKind::RecordUpdateRetry:
        return {box("Record Update Error",
                    "An error was experienced changing this record.  Do you want to try to save "
                    "again?",
                    MessageIcon::Exclamation, yesNoCancel, ButtonCancel),
                {}};
    case WarningKind::DeleteOperationError:
        return {box("Delete Operation Error",
                    "An error (" + errText +
                        ") was experienced when attempting to delete a record from the file " +
                        info1 + "."),
                {}};
    case WarningKind::RecordDeleteRetry:
        return {box("Record Update Error",
                    "An error was experienced deleting this record.  Do you want to try to save "
                    "again?",
                    MessageIcon::Exclamation, yesNoCancel, ButtonCancel),
                {}};
    case WarningKind::InsertNotAllowed:
        return {box("Invalid Request",
                    std::string("This procedure was called to insert a record, however inserts "
                                "are not allowed for this procedure.") +
                        kReturnToCaller),
                {}};
    case WarningKind::DeleteNotAllowed:
        return {box("Invalid Request",
                    std::string("This procedure was called to delete a record, however deletions "
                                "are not allowed for this procedure.") +
                        kReturnToCaller),
                {}};
    case WarningKind::DuplicateKeyError: {
        Warning warning{box("Duplicate Key Error",
                            "Adding this record creates a duplicate entry for the key:" + info1),
                        {}};
        warning.box.keepWhole = {info1}; // "Short Name Order" stays on one line
        return warning;
    }
    case WarningKind::FileAccessError:
        return {box("File Access Error",
                    "File (" + info1 + ") could not be opened.  Error: " + errText + "."),
                {}};
    case WarningKind::ConfirmDelete:
        return {box("Confirm Delete",
                    "You've selected to delete the highlighted record.  Press OK to confirm "
                    "deletion of this record.",
                    MessageIcon::Question, ButtonOk | ButtonCancel, ButtonCancel),
                {}};
    case WarningKind::UpdateCancelled:
        return {box("Update Cancelled", "Do you want to save the changes to this record?",
                    MessageIcon::Question, yesNoCancel, ButtonNo),
                {}};
    case WarningKind::RecordRetrievalError:
        return {box("Record Retrieval Error", "Error: (" + errText +
                                                  ") attempting to access a record from the " +
                                                  info1 + " file.  Returning to previous window."),
                {}};
    case WarningKind::ViewOpenError:
        return {box("View Open Error",
                    "Error: (" + errText +
                        ") attempting to open the current VIEW. Filter and Range Limits ignored."),
                {}};
    }
    return {};
}

int showWarning(Prompter &prompter, WarningKind kind, const Status &err, std::string_view info1,
                std::string_view info2, std::string_view info3, std::string_view info4)
{
    Warning warning = composeWarning(kind, err, info1, info2, info3, info4);
    if (warning.box.caption.empty())
        return ButtonNone;
    int answer = prompter.message(warning.box);
    if (warning.finalText.empty())
        return answer;
    // Kind 2 ends the program only on No; its Yes goes back to the caller.
    if (kind == WarningKind::InvalidKey && answer == ButtonYes)
        return ButtonYes;
    prompter.halt(warning.finalText);
    std::abort(); // halt() never returns
}

void showSaveFailure(Prompter &prompter, const SaveResult &result)
{
    if (result.ok())
        return;
    WarningKind kind = WarningKind::UpdateOperationError;
    switch (result.step) {
    case SaveStep::Read:
        kind = WarningKind::RecordRetrievalError;
        break;
    case SaveStep::Write:
        kind = WarningKind::UpdateOperationError;
        break;
    case SaveStep::Delete:
        kind = result.status.is(ErrorCode::ChangedByOther) ? WarningKind::UpdateOperationError
                                                           : WarningKind::DeleteOperationError;
        break;
    case SaveStep::Restrict:
        kind = WarningKind::ReferentialDeleteError;
        break;
    }
    showWarning(prompter, kind, result.status, result.file);
}

} // namespace korvalen
