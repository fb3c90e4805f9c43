#pragma once

#include "runtime/prompter.h"
#include "storage/database.h"
#include "storage/datafile.h"
#include "storage/status.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace korvalen {

class FileUse;

// One save across several data files: all of its writes are stored, or none
// of them, also when the program is killed meanwhile.
//
// The files are named up front. The scope opens those not open yet (under
// their open counters, as FileUse does) before it begins the write
// transaction, since no file can be attached inside one; then it begins.
// Writes go through the scope and fail, writing nothing, when it did not
// begin, when it has ended, or for a file it does not name. The first failed
// write spoils the save: every later write and commit() return that failure,
// and nothing of the save is stored. Rolls back in its destructor unless
// committed; the files it opened are closed when their last user goes.
//
// Inside a transaction that is already open, the scope is a savepoint of it
// (its commit is stored with the outer one), and its files must be open
// already: a file that is not makes the scope fail to begin.
// Non-copyable.
class SaveScope
{
public:
    SaveScope(Database &db, Prompter &prompter,
              std::vector<std::reference_wrapper<DataFile>> files);
    ~SaveScope();
    SaveScope(const SaveScope &) = delete;
    SaveScope &operator=(const SaveScope &) = delete;

    // 0 while writes may go on. Otherwise why not: a file that could not be
    // opened (5 inside a transaction), the failure to begin (32 while
    // another station holds the write lock past the busy timeout), or the
    // first failed write.
    const Status &status() const { return m_status; }

    // As DataFile::add, put and remove, within the save.
    Status add(DataFile &file);
    Status put(DataFile &file);
    Status put(DataFile &file, const RecordRef &record);
    Status remove(DataFile &file);
    Status remove(DataFile &file, const RecordRef &record);

    // Stores every write of the save: 0, or the failure, after which none
    // of it is stored. The scope has ended either way.
    Status commit();
    // Gives up every write of the save. The scope has ended.
    void rollback();

private:
    template <class Write> Status write(DataFile &file, Write write);

    std::vector<DataFile *> m_files;
    std::vector<std::unique_ptr<FileUse>> m_uses; // the scope's own open counts
    std::optional<Transaction> m_transaction;     // open while the scope may write
    Status m_status;
};

} // namespace korvalen
