#pragma once

#include "runtime/prompter.h"
#include "storage/datafile.h"

namespace korvalen {

struct OpenOptions
{
    bool createAllowed = true;
    bool notFoundIsError = false;
};

// Opens `file` shared for reading and writing, or ends the program with the
// standard message: a missing file is created empty; damaged keys are
// rebuilt when the user agrees; anything else ends the program. Returns 0
// when the file is open. The one failure it returns is a file not open yet
// while a transaction is open (no file can be attached inside one): that is
// refused with 5, nothing shown, and the program goes on.
[[nodiscard]] Status openForUse(DataFile &file, Prompter &prompter, OpenOptions options = {});

// As openForUse, for callers that open their files before any transaction:
// returns only when the file is open, or refused inside a transaction.
void openDataFile(DataFile &file, Prompter &prompter, OpenOptions options = {});

// A procedure's use of a file: opened through openForUse when no other
// procedure uses it, counted, and closed by the last user on every way out.
// A use refused because a transaction is open counts nothing and leaves
// its refusal in status().
class FileUse
{
public:
    FileUse(DataFile &file, Prompter &prompter);
    ~FileUse();
    FileUse(const FileUse &) = delete;
    FileUse &operator=(const FileUse &) = delete;

    // 0 when the file is open and counted.
    const Status &status() const { return m_status; }

private:
    DataFile &m_file;
    Status m_status;
};

} // namespace korvalen
