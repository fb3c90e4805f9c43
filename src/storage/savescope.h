#pragma once

#include "runtime/prompter.h"
#include "storage/database.h"
#include "storage/datafile.h"
#include "storage/status.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace korvalen {

class FileUse;

// A value bound to a parameter of a set-based statement.
using SqlValue = std::variant<std::int64_t, std::string>;

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

    // Runs one statement of fixed text over the records of the save's files
    // at once (a delete of a whole range, say). In `sql`, `{NAME}` stands for
    // the records of data file NAME, which the scope must name; ?1, ?2, ...
    // take `values` in order, so no value ever becomes SQL text. Fails as a
    // write does, spoiling the save; `changed` receives the number of records
    // the statement wrote. Hidden columns: `recno` is the record number.
    Status execute(std::string_view sql, const std::vector<SqlValue> &values = {},
                   std::int64_t *changed = nullptr);
    // As execute(), for a statement that reads one number: the first column
    // of its first row (0 when it gives none). A failed read does not spoil
    // the save.
    Status queryNumber(std::string_view sql, const std::vector<SqlValue> &values,
                       std::int64_t &number);

    // Stores every write of the save: 0, or the failure, after which none
    // of it is stored. The scope has ended either way.
    Status commit();
    // Gives up every write of the save. The scope has ended.
    void rollback();

private:
    template <class Write> Status write(DataFile &file, Write write);
    // `sql` with each {NAME} replaced by that file's table; empty with
    // `status` set when it names a file outside the save.
    std::string expand(std::string_view sql, Status &status) const;
    Status runStatement(std::string_view sql, const std::vector<SqlValue> &values, bool reads,
                        std::int64_t &result);

    Database &m_db;
    std::vector<DataFile *> m_files;
    std::vector<std::unique_ptr<FileUse>> m_uses; // the scope's own open counts
    std::optional<Transaction> m_transaction;     // open while the scope may write
    Status m_status;
};

} // namespace korvalen
