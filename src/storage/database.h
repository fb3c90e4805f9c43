#pragma once

#include "storage/status.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace korvalen {

class Cursor;
class LockFile;
class Statement;

// The program's one connection. Every data file is attached to it under its
// own name; the main database is a small file of the program's own
// (KORVALEN.DB), so that a commit across attached files is atomic.
// Lives on one thread. Non-copyable.
class Database
{
public:
    static constexpr const char *mainFileName = "KORVALEN.DB";

    Database();
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens the connection with its main database in `directory` (created
    // when missing). Data files are looked for in the same directory.
    Status open(const std::filesystem::path &directory);
    void close();
    bool isOpen() const;

    const std::filesystem::path &directory() const { return m_directory; }
    // True when the folder cannot be written: the data opens for reading,
    // and every write fails.
    bool isReadOnly() const { return m_readOnly; }

    // The engine's own connection, for storage's implementation (engine.h).
    struct Connection;
    Connection &connection() const { return *m_connection; }

    // How long an operation waits for another station's lock (milliseconds).
    int busyTimeoutMs() const { return m_busyTimeoutMs; }
    void setBusyTimeoutMs(int ms);

    // Prepares `sql` (Statement: engine.h). On failure the status carries
    // the engine's message.
    Status prepare(std::string_view sql, Statement &out);
    // Runs `sql` (no result rows expected).
    Status execute(std::string_view sql);

    // The status of the connection's last failure, mapped to a storage code.
    Status lastEngineError(int resultCode, const std::string &context = {}) const;

    // The outcome of the last keyed-file operation of any file; the `err` of
    // the standard warnings.
    const Status &lastStatus() const { return m_lastStatus; }
    Status remember(Status status);

    // Cursors whose statement is still stepping hold a read lock on their
    // file, which keeps other stations from committing. Writes release them
    // first; the event loop releases them before it waits.
    void registerLiveCursor(Cursor *cursor) { m_liveCursors.insert(cursor); }
    void unregisterLiveCursor(Cursor *cursor) { m_liveCursors.erase(cursor); }
    void releaseReads();
    bool hasLiveReads() const { return !m_liveCursors.empty(); }

    bool inTransaction() const { return m_transactionDepth > 0; }
    // Whether a write may go on: fails when a transaction of this program is
    // open but SQLite ended it on its own (a full disk or an I/O error inside
    // it rolls the whole of it back). The save's later writes must then fail
    // too, not each commit on its own; they do until the transaction ends.
    Status checkWritable();
    // Runs `undo` if the innermost open transaction (or savepoint) rolls
    // back: how in-memory state that follows a write is put back with it.
    void onRollback(std::function<void()> undo);

private:
    friend class Transaction;

    // Holds the folder shared for the run (tidying up first when alone).
    Status useFolder();

    std::unique_ptr<Connection> m_connection; // constant after construction
    bool m_readOnly = false;
    std::unique_ptr<LockFile> m_folderLock; // KORVALEN.LCK: every running station shares it
    std::filesystem::path m_directory;
    int m_busyTimeoutMs = 5000;
    int m_transactionDepth = 0;
    bool m_transactionLost = false; // SQLite rolled the open transaction back by itself
    Status m_lastStatus;
    std::set<Cursor *> m_liveCursors;
    std::vector<std::pair<int, std::function<void()>>> m_rollbackUndo; // depth, undo
};

// One write transaction across every attached file: all of it is committed,
// or none of it. Begun with BEGIN IMMEDIATE; nested transactions become
// savepoints. Rolls back in its destructor unless committed.
class Transaction
{
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // The outcome of beginning (a busy file gives FileLocked).
    const Status &status() const { return m_status; }
    Status commit();
    void rollback();

private:
    Database &m_db;
    Status m_status;
    int m_level = 0;
    bool m_open = false;
};

// Removes the super-journals (KORVALEN.DB-mj...) of stations killed in a
// commit that no journal left in `directory` needs any more. Only for a
// station alone with the folder.
void removeOrphanSuperJournals(const std::filesystem::path &directory);

// Quotes an identifier for SQL text ("GROUP" is a keyword).
std::string sqlName(std::string_view identifier);

} // namespace korvalen
