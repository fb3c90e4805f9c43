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
// rebuilt when the user agrees; anything else ends the program. Returns only
// when the file is open.
void openDataFile(DataFile &file, Prompter &prompter, OpenOptions options = {});

// A procedure's use of a file: opened through openDataFile when no other
// procedure uses it, counted, and closed by the last user on every way out.
class FileUse
{
public:
    FileUse(DataFile &file, Prompter &prompter);
    ~FileUse();
    FileUse(const FileUse &) = delete;
    FileUse &operator=(const FileUse &) = delete;

private:
    DataFile &m_file;
};

} // namespace korvalen
