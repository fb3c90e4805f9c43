#include "storage/database.h"

#include "storage/engine.h"

#include "runtime/text.h"
#include "storage/cursor.h"
#include "storage/foldervfs.h"
#include "storage/lockfile.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <vector>

namespace korvalen {

namespace {

int compareUpperCollation(void *, int sizeA, const void *a, int sizeB, const void *b)
{
    return compareUpper({static_cast<const char *>(a), static_cast<std::size_t>(sizeA)},
                        {static_cast<const char *>(b), static_cast<std::size_t>(sizeB)});
}

// The journals a super-journal lists: names separated by zero bytes.
std::vector<std::string> journalsListedIn(const std::filesystem::path &superJournal)
{
    std::ifstream in(superJournal, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\0', start);
        if (end == std::string::npos)
            end = content.size();
        if (end > start)
            names.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

} // namespace

void removeOrphanSuperJournals(const std::filesystem::path &directory)
{
    const std::string prefix = std::string(Database::mainFileName) + "-mj";
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix))
            continue;
        // A journal it lists that is still there is rolled back, and the
        // super-journal removed, when its file is next opened; until then it
        // must stay, or that journal would be taken for committed.
        bool needed = false;
        for (const std::string &journal : journalsListedIn(entry.path()))
            needed = needed || std::filesystem::exists(
                                   directory / std::filesystem::path(journal).filename(), error);
        if (!needed)
            std::filesystem::remove(entry.path(), error);
    }
}

std::string sqlName(std::string_view identifier)
{
    std::string out = "\"";
    for (char c : identifier) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

Database::Database() : m_connection(std::make_unique<Connection>()) {}

Database::~Database()
{
    close();
}

bool Database::isOpen() const
{
    return m_connection->db != nullptr;
}

Status Database::open(const std::filesystem::path &directory)
{
    close();
    m_directory = directory;
    m_readOnly = false;
    std::string path = (directory / mainFileName).string();
    std::string vfs = folderVfsName(directory);
    if (vfs.empty())
        return Status::fileSystem(EINVAL, directory.string());
    int rc = sqlite3_open_v2(path.c_str(), &m_connection->db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             vfs.c_str());
    std::error_code error;
    if ((rc & 0xFF) == SQLITE_CANTOPEN && !std::filesystem::exists(path, error)) {
        // A folder where the program's own file cannot be made (read-only):
        // the data can still be looked at. Nothing can be written there, so
        // no commit needs the super-journal that file would carry.
        sqlite3_close_v2(m_connection->db);
        m_connection->db = nullptr;
        rc = sqlite3_open_v2(":memory:", &m_connection->db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, vfs.c_str());
        m_readOnly = true;
    }
    if (rc != SQLITE_OK) {
        Status failure = lastEngineError(rc, path);
        close();
        return failure;
    }
    m_readOnly = m_readOnly || sqlite3_db_readonly(m_connection->db, "main") == 1;
    sqlite3_extended_result_codes(m_connection->db, 1);
    sqlite3_busy_timeout(m_connection->db, m_busyTimeoutMs);
    sqlite3_create_collation(m_connection->db, "UPPERCASE", SQLITE_UTF8, nullptr,
                             compareUpperCollation);
    Status status = execute("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; "
                            "PRAGMA temp_store=MEMORY;");
    if (status.ok())
        status = useFolder();
    if (!status.ok())
        close();
    return status;
}

Status Database::useFolder()
{
    m_folderLock = std::make_unique<LockFile>();
    Status status = m_folderLock->open(m_directory / mainFileName);
    if (!status.ok())
        return status;
    // Alone with the folder, the super-journals of killed stations that no
    // journal needs any more are removed.
    if (m_folderLock->lockExclusive().ok())
        removeOrphanSuperJournals(m_directory);
    return m_folderLock->lockShared(m_busyTimeoutMs);
}

void Database::close()
{
    releaseReads();
    if (m_connection->db) {
        sqlite3_close_v2(m_connection->db);
        m_connection->db = nullptr;
    }
    m_folderLock.reset();
}

void Database::setBusyTimeoutMs(int ms)
{
    m_busyTimeoutMs = ms;
    if (m_connection->db)
        sqlite3_busy_timeout(m_connection->db, ms);
}

Status Database::prepare(std::string_view sql, Statement &out)
{
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v3(m_connection->db, sql.data(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    out = Statement(statement);
    if (rc != SQLITE_OK)
        return lastEngineError(rc);
    return {};
}

Status Database::execute(std::string_view sql)
{
    char *message = nullptr;
    int rc = sqlite3_exec(m_connection->db, std::string(sql).c_str(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        return lastEngineError(rc);
    return {};
}

Status Database::lastEngineError(int resultCode, const std::string &context) const
{
    std::string message =
        m_connection->db ? sqlite3_errmsg(m_connection->db) : sqlite3_errstr(resultCode);
    if (!context.empty())
        message = context + ": " + message;
    switch (resultCode & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return {};
    case SQLITE_NOTADB:
        return Status(ErrorCode::InvalidFile, message);
    case SQLITE_CORRUPT:
        return Status(ErrorCode::InvalidFile, message);
    case SQLITE_CONSTRAINT:
        if (resultCode == SQLITE_CONSTRAINT_UNIQUE || resultCode == SQLITE_CONSTRAINT_PRIMARYKEY)
            return Status(ErrorCode::DuplicateKey, standardMessage(ErrorCode::DuplicateKey));
        return Status(ErrorCode::InvalidFile, message);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Status(ErrorCode::FileLocked, message);
    case SQLITE_READONLY:
        return Status(ErrorCode::AccessDenied, "The data folder cannot be written: " + message);
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return Status(ErrorCode::AccessDenied, message);
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_FULL: {
        int systemCode = m_connection->db ? sqlite3_system_errno(m_connection->db) : 0;
        if (systemCode == 0)
            systemCode = (resultCode & 0xFF) == SQLITE_FULL ? ENOSPC : EIO;
        return Status(ErrorCode::FileSystem, message, systemCode);
    }
    default:
        return Status(ErrorCode::InvalidFile, message);
    }
}

Status Database::remember(Status status)
{
    m_lastStatus = status;
    return status;
}

void Database::releaseReads()
{
    // release() unregisters, so iterate over a copy.
    std::vector<Cursor *> live(m_liveCursors.begin(), m_liveCursors.end());
    for (Cursor *cursor : live)
        cursor->release();
    m_liveCursors.clear();
}

Status Database::checkWritable()
{
    if (m_transactionDepth > 0 && (m_transactionLost || sqlite3_get_autocommit(m_connection->db))) {
        m_transactionLost = true;
        return Status(ErrorCode::FileSystem,
                      "The save was abandoned after an earlier failure; none of it was stored",
                      EIO);
    }
    return {};
}

void Database::onRollback(std::function<void()> undo)
{
    if (m_transactionDepth > 0)
        m_rollbackUndo.emplace_back(m_transactionDepth, std::move(undo));
}

Transaction::Transaction(Database &db) : m_db(db)
{
    db.releaseReads();
    m_level = db.m_transactionDepth;
    std::string sql =
        m_level == 0 ? std::string("BEGIN IMMEDIATE") : "SAVEPOINT level" + std::to_string(m_level);
    // A savepoint begun after SQLite ended the transaction around it would
    // start a transaction of its own.
    m_status = db.checkWritable();
    if (m_status.ok())
        m_status = db.execute(sql);
    if (m_status.ok()) {
        m_open = true;
        ++db.m_transactionDepth;
    }
}

Transaction::~Transaction()
{
    rollback();
}

Status Transaction::commit()
{
    if (!m_open)
        return m_status.ok() ? Status(ErrorCode::InvalidFile, "Transaction not open") : m_status;
    m_db.releaseReads();
    Status status = m_db.checkWritable();
    if (!status.ok()) {
        rollback();
        return status;
    }
    std::string sql =
        m_level == 0 ? std::string("COMMIT") : "RELEASE SAVEPOINT level" + std::to_string(m_level);
    status = m_db.execute(sql);
    if (!status.ok()) {
        rollback();
        return status;
    }
    m_open = false;
    // What this level would have undone now belongs to the level around it.
    for (auto &entry : m_db.m_rollbackUndo)
        if (entry.first > m_level)
            entry.first = m_level;
    --m_db.m_transactionDepth;
    if (m_db.m_transactionDepth == 0)
        m_db.m_rollbackUndo.clear();
    return {};
}

void Transaction::rollback()
{
    if (!m_open)
        return;
    m_db.releaseReads();
    if (m_level == 0) {
        // Nothing to roll back when SQLite already did.
        if (!sqlite3_get_autocommit(engineHandle(m_db)))
            (void)m_db.execute("ROLLBACK");
        m_db.m_transactionLost = false;
    } else {
        std::string name = "level" + std::to_string(m_level);
        if (!sqlite3_get_autocommit(engineHandle(m_db)))
            (void)m_db.execute("ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name);
    }
    m_open = false;
    // Undo in reverse order everything registered inside this level.
    auto &undo = m_db.m_rollbackUndo;
    while (!undo.empty() && undo.back().first > m_level) {
        auto action = std::move(undo.back().second);
        undo.pop_back();
        action();
    }
    --m_db.m_transactionDepth;
}

} // namespace korvalen
