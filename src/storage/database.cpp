#include "storage/database.h"

#include "runtime/text.h"
#include "storage/cursor.h"

#include <sqlite3.h>

#include <cerrno>
#include <vector>

namespace korvalen {

namespace {

int compareUpperCollation(void *, int sizeA, const void *a, int sizeB, const void *b)
{
    return compareUpper({static_cast<const char *>(a), static_cast<std::size_t>(sizeA)},
                        {static_cast<const char *>(b), static_cast<std::size_t>(sizeB)});
}

} // namespace

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

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_statement = other.release();
    }
    return *this;
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

Database::~Database()
{
    close();
}

Status Database::open(const std::filesystem::path &directory)
{
    close();
    m_directory = directory;
    std::string path = (directory / mainFileName).string();
    int rc =
        sqlite3_open_v2(path.c_str(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        Status failure = lastEngineError(rc, path);
        close();
        return failure;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
    sqlite3_create_collation(m_db, "UPPERCASE", SQLITE_UTF8, nullptr, compareUpperCollation);
    Status status = execute("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; "
                            "PRAGMA temp_store=MEMORY;");
    if (!status.ok())
        close();
    return status;
}

void Database::close()
{
    releaseReads();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Database::setBusyTimeoutMs(int ms)
{
    m_busyTimeoutMs = ms;
    if (m_db)
        sqlite3_busy_timeout(m_db, ms);
}

Status Database::prepare(std::string_view sql, Statement &out)
{
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v3(m_db, sql.data(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    out = Statement(statement);
    if (rc != SQLITE_OK)
        return lastEngineError(rc);
    return {};
}

Status Database::execute(std::string_view sql)
{
    char *message = nullptr;
    int rc = sqlite3_exec(m_db, std::string(sql).c_str(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        return lastEngineError(rc);
    return {};
}

Status Database::lastEngineError(int resultCode, const std::string &context) const
{
    std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(resultCode);
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
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        return Status(ErrorCode::AccessDenied, message);
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_FULL: {
        int systemCode = m_db ? sqlite3_system_errno(m_db) : 0;
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
    std::string sql =
        m_level == 0 ? std::string("COMMIT") : "RELEASE SAVEPOINT level" + std::to_string(m_level);
    Status status = m_db.execute(sql);
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
        (void)m_db.execute("ROLLBACK");
    } else {
        std::string name = "level" + std::to_string(m_level);
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
