#pragma once

#include "storage/cursor.h"
#include "storage/database.h"
#include "storage/filedef.h"
#include "storage/lockfile.h"
#include "storage/status.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace korvalen {

// The record read or written last: its number, its version and whether the
// read was watched.
struct RecordRef
{
    std::int64_t recordNumber = 0;
    std::int64_t version = 0;
    bool watched = false;

    bool isValid() const { return recordNumber != 0; }
};

// One keyed data file of the working directory, attached to the program's
// connection while open. Reads fill the file's record buffer (owned by the
// caller, one per file for the whole program); adds and puts write from it.
// Every operation returns its status and leaves it as the database's last
// status, the `err` of the standard warnings. Non-copyable.
class DataFile
{
public:
    DataFile(Database &db, const FileDef &def, void *buffer);
    ~DataFile();
    DataFile(const DataFile &) = delete;
    DataFile &operator=(const DataFile &) = delete;

    const FileDef &def() const { return m_def; }
    std::string_view name() const { return m_def.name; }
    Database &database() const { return m_db; }
    void *buffer() const { return m_buffer; }
    // The file's path: NAME.DB in the database's directory.
    std::filesystem::path path() const;
    // The file's schema name, quoted for SQL text.
    const std::string &schema() const { return m_schema; }
    // The file's table of records, qualified and quoted for SQL text.
    std::string table() const;

    // How many procedures currently use the file (never negative).
    int openCount() const { return m_openCount; }
    void addUser() { ++m_openCount; }
    // Returns true when the count fell to 0 (the caller then closes).
    bool removeUser();

    // Opens the file shared with other windows and stations: 0; 52 when
    // already open here; 2 not found; 36 not a data file or wrong key; 47 a
    // different record layout; 46 keys damaged (rebuild with build()); 32
    // another station has it exclusively; 90 a file-system failure. Damaged
    // keys are looked for cheaply at every open and fully after a station
    // stopped without closing the file. A file not open yet is refused with
    // 5 while a transaction is open (files are opened before a save begins).
    Status open();
    // Opens the file for this program alone (or turns this program's open
    // into that): 32 while any other station has it open.
    Status openExclusive();
    // Gives up the exclusive use taken by openExclusive(); the file stays open.
    void endExclusive();
    // Creates the file empty with all its keys (the file must not be open).
    // An existing file is left as it is. Refused with 5 inside a transaction,
    // as build() is.
    Status create();
    // Rebuilds every key from the records by copying them into a fresh file
    // (the file must not be open here, and no other station may have it
    // open: 32). Record numbers are kept.
    Status build();
    // Closes the file, releasing its holds. A no-op when not open.
    void close();
    bool isOpen() const { return m_attached; }
    // The full check of the keys against the records: 0, or 46.
    Status checkKeys();

    // Sequential reading on the file's own cursor (see Cursor).
    void set(int key);
    void setAt(int key, int components = -1);
    Status next();
    Status previous();
    Cursor &cursor() { return *m_cursor; }

    // Reads the first record (in record order) whose key `key` equals the
    // buffer's key values in every component: 35 when none. The file's own
    // cursor then reads on from it in the order of `key`.
    Status get(int key);
    // Reads record number `recordNumber`: 35 when there is none.
    Status getByRecordNumber(std::int64_t recordNumber);
    // The position of the current record in the order of `key`.
    Position position(int key) const;
    // Sets the file's own cursor to `position` (its order included).
    Status reset(const Position &position);
    // Reads the record at `position` again: 35 when it is gone.
    Status reget(const Position &position);

    // Watches the next read: a put or delete of that record then fails with
    // 89 when another window or station changed or deleted it meanwhile.
    void watch() { m_watchNextRead = true; }

    // Adds the buffer as a new record (40 on a unique-key clash); it becomes
    // the current record.
    Status add();
    // Writes the buffer over the current record (or over `record`): 89 when
    // the read was watched and the record changed or went since; 35 when
    // it is gone; 40 on a unique-key clash.
    Status put();
    Status put(const RecordRef &record);
    // Deletes the current record (or `record`): 89 / 35 as for put.
    Status remove();
    Status remove(const RecordRef &record);
    // True when adding the buffer would give key `key` a second record with
    // equal values; with `excludingCurrent`, when putting it over the
    // current record would.
    bool duplicate(int key, bool excludingCurrent = false);
    // True when duplicate() holds for any unique key.
    bool duplicateAnyUnique();

    // Holds the current record (or `recordNumber`): 43 when another window
    // or station holds it for longer than `waitMs`. The hold ends with the
    // RecordHold object, or when the file closes.
    Status hold(RecordHold &hold, int waitMs = 0);
    Status hold(RecordHold &hold, std::int64_t recordNumber, int waitMs);
    // Holds every record that no other window or station holds (see
    // FreeRecordsHold), listing those held elsewhere in `heldElsewhere`:
    // 43 when they cannot be told apart from a bulk hold of another program.
    Status holdAllFree(FreeRecordsHold &hold, std::vector<std::int64_t> &heldElsewhere);

    // Counts the records: a full read, slow on large files.
    Status records(std::int64_t &count);
    // Whether the file holds any record, without counting.
    Status hasRecords(bool &any);
    // Reclaims the space of deleted records.
    Status pack();
    // A number that changes whenever another program commits a change to
    // the file (this program's own commits leave it as it is).
    Status changeCounter(std::int64_t &counter);

    const RecordRef &current() const { return m_current; }

    // Used by cursors: the record just read becomes the current one.
    void setCurrent(std::int64_t recordNumber, std::int64_t version, const void *record);

    // SQL text helpers shared with cursors.
    const std::string &selectColumns() const { return m_selectColumns; }
    std::string keyColumn(int key, int component) const;
    int keyComponentCount(int key) const;
    void bindKeyComponent(Statement &statement, int parameter, const void *record, int key,
                          int component) const;

private:
    Status fail(Status status) { return m_db.remember(std::move(status)); }
    Status done() { return m_db.remember({}); }
    Status requireOpen();
    Status refuseInsideSave() const;
    Status attach(const std::filesystem::path &path, const std::string &schema);
    void detach(const std::string &schema);
    Status createSchema(const std::string &schema, bool withKeys);
    Status createKeys(const std::string &schema);
    Status checkLayout();
    Status checkKeysCheaply();
    // The collation a key stores `column` with.
    std::string collationOf(const std::string &column) const;
    Status openWith(bool exclusive);
    Status cached(const std::string &name, const std::string &sql, Statement *&out);
    Status readOne(Statement &statement);
    Status write(const RecordRef &record, bool remove);

    Database &m_db;
    const FileDef &m_def;
    void *m_buffer;
    std::string m_schema;
    std::string m_selectColumns;
    bool m_attached = false;
    bool m_exclusive = false;
    int m_openCount = 0;
    LockFile m_lock;
    std::unique_ptr<Cursor> m_cursor;
    RecordRef m_current;
    bool m_watchNextRead = false;
    std::unique_ptr<void, void (*)(void *)> m_currentRecord;
    std::map<std::string, std::unique_ptr<Statement>> m_statements;
};

// One file of copyFiles(): the file, where its copy goes and, once copied,
// the file's change counter at the moment of the copy.
struct FileCopy
{
    DataFile *file = nullptr;
    std::filesystem::path target;
    std::int64_t changeCounter = 0;
};

// Writes a copy of each open file to its target, all of them one consistent
// state of the files (no commit of another station falls between them):
// a data file as the file itself is, encrypted under the same key when the
// file is, that opens in the file's place. Records each file's change
// counter at the copy. Refused with 5 inside a transaction, and when a target
// exists already. On failure the copies it made are removed.
Status copyFiles(std::vector<FileCopy> &copies);

// Derives the raw key of the two encrypted files from the owner password.
std::string encryptionKey();

} // namespace korvalen
