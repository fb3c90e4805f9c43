#include "storage/openfile.h"

#include "storage/warnings.h"

#include <cstdlib>

namespace korvalen {

namespace {

[[noreturn]] void accessFailure(DataFile &file, Prompter &prompter, const Status &status)
{
    showWarning(prompter, WarningKind::FileAccessError, status, file.name());
    prompter.halt("Disk Error");
    std::abort(); // halt() never returns
}

void createAndOpen(DataFile &file, Prompter &prompter, const OpenOptions &options)
{
    if (!options.createAllowed) {
        showWarning(prompter, WarningKind::FileCreationError, file.database().lastStatus(),
                    file.name());
    }
    Status status = file.create();
    if (!status.ok())
        showWarning(prompter, WarningKind::FileCreationError, status, file.name());
    status = file.open();
    if (!status.ok() && !status.is(ErrorCode::AlreadyOpen))
        showWarning(prompter, WarningKind::CreatedFileOpenError, status, file.name());
}

void rebuildAndOpen(DataFile &file, Prompter &prompter, const Status &damage)
{
    // No ends the program inside showWarning; Yes comes back here.
    showWarning(prompter, WarningKind::InvalidKey, damage, file.name());
    Status status = file.build();
    if (!status.ok())
        showWarning(prompter, WarningKind::KeyRebuildError, status, file.name());
    status = file.open();
    if (!status.ok() && !status.is(ErrorCode::AlreadyOpen))
        accessFailure(file, prompter, status);
}

} // namespace

Status openForUse(DataFile &file, Prompter &prompter, OpenOptions options)
{
    Status status = file.open();
    if (!file.isOpen() && file.database().inTransaction())
        return status; // refused before anything was tried: nothing to ask
    switch (status.code()) {
    case ErrorCode::None:
    case ErrorCode::AlreadyOpen:
        return {};
    case ErrorCode::FileNotFound:
        if (options.notFoundIsError)
            accessFailure(file, prompter, status);
        createAndOpen(file, prompter, options);
        return {};
    case ErrorCode::KeysInvalid:
        rebuildAndOpen(file, prompter, status);
        return {};
    case ErrorCode::LayoutMismatch:
        showWarning(prompter, WarningKind::InvalidFile, status, file.name());
        return status; // not reached: the kind ends the program
    default:
        accessFailure(file, prompter, status);
    }
}

void openDataFile(DataFile &file, Prompter &prompter, OpenOptions options)
{
    (void)openForUse(file, prompter, options);
}

FileUse::FileUse(DataFile &file, Prompter &prompter) : m_file(file)
{
    if (file.openCount() == 0)
        m_status = openForUse(file, prompter);
    if (m_status.ok())
        file.addUser();
}

FileUse::~FileUse()
{
    if (m_status.ok() && m_file.removeUser())
        m_file.close();
}

} // namespace korvalen
