// Opening, checking, creating and rebuilding a data file.

#include "storage/datafile.h"

#include "storage/engine.h"
#include "storage/recordcodec.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace korvalen {

namespace {

constexpr const char *kTable = "rec";

std::string columnType(FieldType type)
{
    return type == FieldType::Text || type == FieldType::Memo ? "TEXT" : "INTEGER";
}

std::string tableSql(const FileDef &def, const std::string &schema)
{
    std::string sql = "CREATE TABLE " + schema + "." + kTable +
                      " (recno INTEGER PRIMARY KEY AUTOINCREMENT, "
                      "version INTEGER NOT NULL DEFAULT 0";
    for (int i = 0; i < static_cast<int>(def.fields.size()); ++i) {
        const FieldDef &field = def.fields[i];
        sql += ", " + sqlName(field.name) + " " + columnType(field.type);
        if (field.type != FieldType::Memo)
            sql += " NOT NULL";
        if (field.type == FieldType::Text)
            sql += def.fieldIgnoresCase(i) ? " COLLATE UPPERCASE" : " COLLATE BINARY";
    }
    return sql + ") STRICT";
}

// A rough file-system status for a path operation that failed with errno.
Status pathFailure(const std::filesystem::path &path)
{
    return Status::fileSystem(errno, path.string());
}

void syncDirectory(const std::filesystem::path &directory)
{
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        ::close(fd);
    }
}

} // namespace

Status DataFile::attach(const std::filesystem::path &path, const std::string &schema)
{
    Statement statement;
    std::string sql = "ATTACH DATABASE ?1 AS " + schema + (m_def.encrypted ? " KEY ?2" : " KEY ''");
    Status status = m_db.prepare(sql, statement);
    if (!status.ok())
        return status;
    std::string file = path.string();
    sqlite3_bind_text(statement.get(), 1, file.c_str(), -1, SQLITE_TRANSIENT);
    std::string key = encryptionKey();
    if (m_def.encrypted)
        sqlite3_bind_text(statement.get(), 2, key.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_DONE)
        return m_db.lastEngineError(rc, file);
    return m_db.execute("PRAGMA " + schema + ".journal_mode=DELETE; PRAGMA " + schema +
                        ".synchronous=FULL;");
}

void DataFile::detach(const std::string &schema)
{
    (void)m_db.execute("DETACH DATABASE " + schema);
}

Status DataFile::createKeys(const std::string &schema)
{
    for (const FileDef::Index &index : m_def.indexes()) {
        std::string sql = std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX " +
                          schema + "." + sqlName(index.name) + " ON " + kTable + " (";
        for (std::size_t c = 0; c < index.columns.size(); ++c)
            sql += (c ? ", " : "") + sqlName(index.columns[c]);
        Status status = m_db.execute(sql + ")");
        if (!status.ok())
            return status;
    }
    return {};
}

Status DataFile::createSchema(const std::string &schema, bool withKeys)
{
    Status status = m_db.execute(tableSql(m_def, schema));
    if (status.ok() && withKeys)
        status = createKeys(schema);
    if (status.ok() && m_def.firstRecordNumber > 1) {
        status = m_db.execute("INSERT INTO " + schema + ".sqlite_sequence (name, seq) VALUES ('" +
                              kTable + "', " + std::to_string(m_def.firstRecordNumber - 1) + ")");
    }
    return status;
}

Status DataFile::open()
{
    return fail(openWith(false));
}

Status DataFile::openExclusive()
{
    if (m_attached) {
        Status status = m_lock.lockExclusive();
        m_exclusive = status.ok();
        return fail(status);
    }
    return fail(openWith(true));
}

void DataFile::endExclusive()
{
    if (m_attached && m_exclusive) {
        (void)m_lock.downgrade();
        m_exclusive = false;
    }
}

Status DataFile::refuseInsideSave() const
{
    // SQLite cannot attach a file while a transaction is open; saying so
    // here keeps the engine's failure from passing for a damaged file.
    return Status(ErrorCode::AccessDenied,
                  std::string(m_def.name) + " cannot be opened while a save is under way");
}

Status DataFile::openWith(bool exclusive)
{
    if (m_attached)
        return Status(ErrorCode::AlreadyOpen, standardMessage(ErrorCode::AlreadyOpen));
    if (m_db.inTransaction())
        return refuseInsideSave();
    std::filesystem::path file = path();
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return Status(ErrorCode::FileNotFound,
                      standardMessage(ErrorCode::FileNotFound) + (": " + file.string()));

    Status status = m_lock.open(file);
    if (!status.ok())
        return status;
    // Whoever gets the exclusive lock is alone with the file: it reads the
    // clean-close mark, then keeps the lock or turns it into a shared one.
    bool alone = m_lock.lockExclusive().ok();
    if (!alone) {
        if (exclusive) {
            m_lock.close();
            return Status(ErrorCode::FileLocked, standardMessage(ErrorCode::FileLocked));
        }
        status = m_lock.lockShared(m_db.busyTimeoutMs());
        if (!status.ok()) {
            m_lock.close();
            return status;
        }
    }
    m_lock.claimSlot();
    bool fullCheck = alone && m_lock.needsCheck();

    status = attach(file, m_schema);
    if (status.ok())
        status = checkLayout();
    if (status.ok())
        status = checkKeysCheaply();
    if (status.ok() && fullCheck)
        status = checkKeys();
    if (!status.ok()) {
        detach(m_schema);
        m_lock.close();
        return status;
    }
    m_attached = true;
    m_exclusive = exclusive;
    if (fullCheck)
        m_lock.markChecked();
    if (alone && !exclusive)
        (void)m_lock.downgrade();
    m_cursor->setStart();
    return {};
}

void DataFile::close()
{
    if (!m_attached)
        return;
    m_cursor->release();
    m_db.releaseReads();
    m_statements.clear();
    m_cursor = std::make_unique<Cursor>(*this, kFileOrder);
    detach(m_schema);
    m_attached = false;
    m_exclusive = false;
    m_lock.close(); // clears this station's slot: a clean close
    m_current = {};
}

Status DataFile::checkLayout()
{
    Statement statement;
    Status status = m_db.prepare("PRAGMA " + m_schema + ".table_xinfo(" + kTable + ")", statement);
    if (!status.ok())
        return status;
    std::vector<std::pair<std::string, std::string>> expected = {{"recno", "INTEGER"},
                                                                 {"version", "INTEGER"}};
    for (const FieldDef &field : m_def.fields)
        expected.emplace_back(field.name, columnType(field.type));
    std::size_t row = 0;
    int rc;
    bool matches = true;
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        auto text = [&](int column) {
            auto *value =
                reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), column));
            return std::string(value ? value : "");
        };
        if (row >= expected.size() || text(1) != expected[row].first ||
            text(2) != expected[row].second)
            matches = false;
        ++row;
    }
    if (rc != SQLITE_DONE)
        return m_db.lastEngineError(rc, path().string());
    if (!matches || row != expected.size())
        return Status(ErrorCode::LayoutMismatch, standardMessage(ErrorCode::LayoutMismatch));
    return {};
}

namespace {

// Reads a text column, empty when NULL.
std::string columnText(sqlite3_stmt *statement, int column)
{
    auto *value = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return value ? std::string(value,
                               static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                 : std::string();
}

Status keysInvalid(const std::string &detail)
{
    return Status(ErrorCode::KeysInvalid,
                  standardMessage(ErrorCode::KeysInvalid) + (": " + detail));
}

} // namespace

std::string DataFile::collationOf(const std::string &column) const
{
    for (int f = 0; f < static_cast<int>(m_def.fields.size()); ++f)
        if (m_def.fields[f].name == column && m_def.fields[f].type == FieldType::Text)
            return m_def.fieldIgnoresCase(f) ? "UPPERCASE" : "BINARY";
    return "BINARY";
}

Status DataFile::checkKeysCheaply()
{
    // Every declared key must exist with its components, uniqueness and
    // letter-case rule.
    for (const FileDef::Index &index : m_def.indexes()) {
        Statement info;
        // The schema goes in as the functions' hidden argument: a prefix
        // alone may find the table of another attached file.
        Status status = m_db.prepare("SELECT i.\"unique\", x.name, x.coll FROM "
                                     "pragma_index_list('rec', ?2) AS i, "
                                     "pragma_index_xinfo(i.name, ?2) AS x "
                                     "WHERE i.name = ?1 AND x.key = 1 ORDER BY x.seqno",
                                     info);
        if (!status.ok())
            return status.is(ErrorCode::InvalidFile) ? keysInvalid(status.message()) : status;
        sqlite3_bind_text(info.get(), 1, index.name.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(info.get(), 2, m_def.name.data(), static_cast<int>(m_def.name.size()),
                          SQLITE_STATIC);
        std::size_t component = 0;
        bool matches = true;
        int rc;
        while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
            bool unique = sqlite3_column_int(info.get(), 0) != 0;
            std::string column = columnText(info.get(), 1);
            std::string collation = columnText(info.get(), 2);
            if (component >= index.columns.size() || unique != index.unique ||
                column != index.columns[component] || collation != collationOf(column))
                matches = false;
            ++component;
        }
        if (rc != SQLITE_DONE)
            return keysInvalid(m_db.lastEngineError(rc).message());
        if (!matches || component != index.columns.size())
            return keysInvalid(index.name);
    }

    // Then the ends of every key are compared with the records: the first
    // and last entry of each key must be records with those values, and the
    // first and last records must be in every key. This reads a few pages
    // per key, whatever the file's size.
    for (const FileDef::Index &index : m_def.indexes()) {
        const int k = index.key;
        for (const char *order : {"ASC", "DESC"}) {
            std::string columns;
            std::string sameKey;
            for (int c = 0; c < keyComponentCount(k); ++c) {
                columns += ", " + keyColumn(k, c);
                sameKey += " AND t." + keyColumn(k, c) + " IS i." + keyColumn(k, c);
            }
            std::string orderBy;
            for (int c = 0; c < keyComponentCount(k); ++c)
                orderBy += keyColumn(k, c) + " " + order + ", ";
            orderBy += std::string("recno ") + order;
            // An entry of the key without its record, or with other values.
            std::string entrySql = "SELECT i.recno, EXISTS (SELECT 1 FROM " + m_schema + "." +
                                   kTable + " AS t NOT INDEXED WHERE t.recno = i.recno" + sameKey +
                                   ") FROM (SELECT recno" + columns + " FROM " + m_schema + "." +
                                   kTable + " INDEXED BY " + sqlName(index.name) + " ORDER BY " +
                                   orderBy + " LIMIT 1) AS i";
            // A record missing from the key.
            std::string recordSql = "SELECT t.recno, EXISTS (SELECT 1 FROM " + m_schema + "." +
                                    kTable + " AS i INDEXED BY " + sqlName(index.name) +
                                    " WHERE i.recno = t.recno" + sameKey + ") FROM (SELECT recno" +
                                    columns + " FROM " + m_schema + "." + kTable +
                                    " NOT INDEXED ORDER BY recno " + order + " LIMIT 1) AS t";
            for (const std::string &sql : {entrySql, recordSql}) {
                Statement check;
                Status status = m_db.prepare(sql, check);
                if (!status.ok())
                    return status.is(ErrorCode::FileSystem) ? status
                                                            : keysInvalid(status.message());
                int rc = sqlite3_step(check.get());
                if (rc == SQLITE_ROW && sqlite3_column_int(check.get(), 1) == 0)
                    return keysInvalid(index.name);
                if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
                    Status failure = m_db.lastEngineError(rc);
                    return failure.is(ErrorCode::FileSystem) || failure.is(ErrorCode::FileLocked)
                               ? failure
                               : keysInvalid(failure.message());
                }
            }
        }
    }
    return {};
}

Status DataFile::checkKeys()
{
    Statement statement;
    Status status = m_db.prepare("PRAGMA " + m_schema + ".integrity_check", statement);
    if (!status.ok())
        return fail(status.is(ErrorCode::FileSystem) ? status : keysInvalid(status.message()));
    int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_ROW)
        return fail(keysInvalid(m_db.lastEngineError(rc).message()));
    std::string first = columnText(statement.get(), 0);
    if (first != "ok")
        return fail(keysInvalid(first));
    return done();
}

Status DataFile::create()
{
    if (m_attached)
        return fail(Status(ErrorCode::AlreadyOpen, standardMessage(ErrorCode::AlreadyOpen)));
    if (m_db.inTransaction())
        return fail(refuseInsideSave());
    std::filesystem::path file = path();
    std::error_code error;
    if (std::filesystem::exists(file, error))
        return done();
    // Built under a temporary name and linked into place, so that no station
    // ever sees a half-made file, and a file another station made meanwhile
    // is kept.
    std::filesystem::path temporary = file;
    temporary += ".new" + std::to_string(getpid());
    std::filesystem::remove(temporary, error);
    const std::string schema = sqlName(std::string(m_def.name) + "_new");
    Status status = attach(temporary, schema);
    if (status.ok()) {
        // One transaction: one journal and one sync for the whole layout.
        Transaction transaction(m_db);
        status = transaction.status();
        if (status.ok())
            status = createSchema(schema, true);
        if (status.ok())
            status = transaction.commit();
    }
    detach(schema);
    if (status.ok() && ::link(temporary.c_str(), file.c_str()) != 0 && errno != EEXIST)
        status = pathFailure(file);
    std::filesystem::remove(temporary, error);
    if (status.ok())
        syncDirectory(file.parent_path());
    return fail(status);
}

Status DataFile::build()
{
    if (m_attached)
        return fail(Status(ErrorCode::AlreadyOpen, standardMessage(ErrorCode::AlreadyOpen)));
    if (m_db.inTransaction())
        return fail(refuseInsideSave());
    std::filesystem::path file = path();
    LockFile lock;
    Status status = lock.open(file);
    if (status.ok())
        status = lock.lockExclusive();
    if (!status.ok())
        return fail(status);

    std::filesystem::path temporary = file;
    temporary += ".rebuild";
    std::error_code error;
    std::filesystem::remove(temporary, error);
    const std::string oldSchema = sqlName(std::string(m_def.name) + "_old");
    const std::string newSchema = sqlName(std::string(m_def.name) + "_new");
    status = attach(file, oldSchema);
    if (status.ok())
        status = attach(temporary, newSchema);
    if (status.ok())
        status = createSchema(newSchema, false);
    if (status.ok()) {
        // The records are read in record order from the table itself, never
        // through the damaged keys; the keys are then made afresh.
        Transaction transaction(m_db);
        status = transaction.status();
        if (status.ok())
            status =
                m_db.execute("INSERT INTO " + newSchema + "." + kTable + " SELECT * FROM " +
                             oldSchema + "." + kTable + " NOT INDEXED; DELETE FROM " + newSchema +
                             ".sqlite_sequence; INSERT INTO " + newSchema +
                             ".sqlite_sequence SELECT * FROM " + oldSchema + ".sqlite_sequence");
        if (status.ok())
            status = createKeys(newSchema);
        if (status.ok())
            status = transaction.commit();
    }
    detach(newSchema);
    detach(oldSchema);
    if (status.ok() && std::rename(temporary.c_str(), file.c_str()) != 0)
        status = pathFailure(file);
    std::filesystem::remove(temporary, error);
    if (status.ok()) {
        syncDirectory(file.parent_path());
        lock.markChecked(); // the keys are new
    }
    return fail(status);
}

} // namespace korvalen
