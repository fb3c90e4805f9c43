#pragma once

// The SQLite side of storage, for storage's own implementation files (and
// its tests) only: nothing above storage sees an engine type, so that
// another engine can take SQLCipher's place behind DataFile and Cursor.

#include "storage/database.h"

#include <sqlite3.h>

namespace korvalen {

// A prepared statement, finalized on destruction. Non-copyable.
class Statement
{
public:
    Statement() = default;
    explicit Statement(sqlite3_stmt *statement) : m_statement(statement) {}
    Statement(Statement &&other) noexcept : m_statement(other.release()) {}
    Statement &operator=(Statement &&other) noexcept
    {
        if (this != &other) {
            sqlite3_finalize(m_statement);
            m_statement = other.release();
        }
        return *this;
    }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement() { sqlite3_finalize(m_statement); }

    sqlite3_stmt *get() const { return m_statement; }
    explicit operator bool() const { return m_statement != nullptr; }
    sqlite3_stmt *release()
    {
        sqlite3_stmt *s = m_statement;
        m_statement = nullptr;
        return s;
    }

private:
    sqlite3_stmt *m_statement = nullptr;
};

// The connection behind a Database: null while it is closed.
struct Database::Connection
{
    sqlite3 *db = nullptr;
};

inline sqlite3 *engineHandle(const Database &database)
{
    return database.connection().db;
}

} // namespace korvalen
