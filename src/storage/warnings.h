#pragma once

#include "runtime/prompter.h"
#include "storage/saveresult.h"
#include "storage/status.h"

#include <string>
#include <string_view>

namespace korvalen {

// The numbered standard messages. Distinct from ErrorCode: warning kind 36
// "View Open Error" is not error code 36 "invalid data file".
enum class WarningKind : int
{
    InvalidFile = 1,
    InvalidKey = 2,
    KeyRebuildError = 3,
    FileCreationError = 4,
    CreatedFileOpenError = 5,
    ReferentialDeleteError = 13,
    RecordInsertError = 14,
    UpdateOperationError = 15,
    RecordUpdateRetry = 16,
    DeleteOperationError = 17,
    RecordDeleteRetry = 18,
    InsertNotAllowed = 19,
    DeleteNotAllowed = 21,
    DuplicateKeyError = 24,
    FileAccessError = 30,
    ConfirmDelete = 32,
    UpdateCancelled = 33,
    RecordRetrievalError = 35,
    ViewOpenError = 36,
};

// What a kind shows: the box, and the text the program ends with after it
// (empty when the program goes on).
struct Warning
{
    MessageBoxRequest box;
    std::string finalText;
};

// Builds the message of `kind` from the info texts (trailing blanks
// removed) and `err`, the status of the last storage failure.
Warning composeWarning(WarningKind kind, const Status &err, std::string_view info1 = {},
                       std::string_view info2 = {}, std::string_view info3 = {},
                       std::string_view info4 = {});

// Shows the message of `kind` and returns the button pressed (OK 1, Yes 2,
// No 4, Cancel 64). Kinds that end the program show their box and then end
// it through the prompter with their final text; they never return in the
// program (0 is their value).
int showWarning(Prompter &prompter, WarningKind kind, const Status &err,
                std::string_view info1 = {}, std::string_view info2 = {},
                std::string_view info3 = {}, std::string_view info4 = {});

// The warning of a failed save, shown by the form that asked for it (the
// record operations show nothing): a failed read kind 35, a failed write
// kind 15, a failed delete kind 17 (kind 15 when another station changed
// the record), a refusal kind 13; each with the file's name. Nothing when
// `result` succeeded.
void showSaveFailure(Prompter &prompter, const SaveResult &result);

} // namespace korvalen
