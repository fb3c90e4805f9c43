#include "storage/datafile.h"

#include "storage/engine.h"
#include "storage/recordcodec.h"

#include <cerrno>

namespace korvalen {

namespace {
constexpr const char *kTable = "rec";

using OwnedRecord = std::unique_ptr<void, void (*)(void *)>;

OwnedRecord newRecord(const FileDef &def)
{
    return {def.codec->create(), def.codec->destroy};
}

} // namespace

std::string encryptionKey()
{
    // PBKDF2-HMAC-SHA512 of the owner password over a fixed salt, 256000
    // rounds, 32 bytes: derived once here so that attaching an encrypted
    // file costs no key derivation.
    return "x'4D85B91A2DBA71709F2CF6AD683084F6F4322BA3132DF90C3A2B27942F316D60'";
}

DataFile::DataFile(Database &db, const FileDef &def, void *buffer)
    : m_db(db), m_def(def), m_buffer(buffer), m_schema(sqlName(def.name)),
      m_currentRecord(newRecord(def))
{
    m_selectColumns = "recno, version";
    for (const FieldDef &field : def.fields)
        m_selectColumns += ", " + sqlName(field.name);
    m_cursor = std::make_unique<Cursor>(*this, kFileOrder);
}

DataFile::~DataFile()
{
    close();
}

std::string DataFile::table() const
{
    return m_schema + "." + kTable;
}

std::filesystem::path DataFile::path() const
{
    return m_db.directory() / (std::string(m_def.name) + ".DB");
}

bool DataFile::removeUser()
{
    if (m_openCount == 0)
        return false;
    return --m_openCount == 0;
}

std::string DataFile::keyColumn(int key, int component) const
{
    if (key == kFileOrder)
        return "recno";
    return sqlName(m_def.fields[m_def.keys[key].components[component]].name);
}

int DataFile::keyComponentCount(int key) const
{
    return key == kFileOrder ? 0 : static_cast<int>(m_def.keys[key].components.size());
}

void DataFile::bindKeyComponent(Statement &statement, int parameter, const void *record, int key,
                                int component) const
{
    m_def.codec->bindField(statement, parameter, record, m_def.keys[key].components[component]);
}

Status DataFile::requireOpen()
{
    if (!m_attached)
        return Status(ErrorCode::FileNotOpen, standardMessage(ErrorCode::FileNotOpen));
    return {};
}

Status DataFile::cached(const std::string &name, const std::string &sql, Statement *&out)
{
    auto found = m_statements.find(name);
    if (found == m_statements.end()) {
        auto statement = std::make_unique<Statement>();
        Status status = m_db.prepare(sql, *statement);
        if (!status.ok())
            return status;
        found = m_statements.emplace(name, std::move(statement)).first;
    }
    out = found->second.get();
    sqlite3_reset(out->get());
    sqlite3_clear_bindings(out->get());
    return {};
}

void DataFile::set(int key)
{
    m_cursor->setKey(key);
}

void DataFile::setAt(int key, int components)
{
    m_cursor->setKey(key);
    m_cursor->setAt(m_buffer, components);
}

Status DataFile::next()
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    return m_cursor->next();
}

Status DataFile::previous()
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    return m_cursor->previous();
}

void DataFile::setCurrent(std::int64_t recordNumber, std::int64_t version, const void *record)
{
    m_current = {recordNumber, version, m_watchNextRead};
    m_watchNextRead = false;
    m_def.codec->assign(m_currentRecord.get(), record);
    if (record != m_buffer)
        m_def.codec->assign(m_buffer, record);
}

Status DataFile::readOne(Statement &cachedStatement)
{
    sqlite3_stmt *statement = cachedStatement.get();
    int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        m_def.codec->load(cachedStatement, 2, m_currentRecord.get());
        std::int64_t number = sqlite3_column_int64(statement, 0);
        std::int64_t version = sqlite3_column_int64(statement, 1);
        sqlite3_reset(statement);
        setCurrent(number, version, m_currentRecord.get());
        return done();
    }
    Status status = rc == SQLITE_DONE ? Status(ErrorCode::RecordNotFound,
                                               standardMessage(ErrorCode::RecordNotFound))
                                      : m_db.lastEngineError(rc);
    sqlite3_reset(statement);
    return fail(status);
}

Status DataFile::get(int key)
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    Statement *statement = nullptr;
    std::string sql = "SELECT " + m_selectColumns + " FROM " + m_schema + "." + kTable + " WHERE ";
    for (int c = 0; c < keyComponentCount(key); ++c)
        sql += (c ? " AND " : "") + keyColumn(key, c) + " = ?";
    sql += " ORDER BY recno LIMIT 1";
    if (Status status = cached("get" + std::to_string(key), sql, statement); !status.ok())
        return fail(status);
    for (int c = 0; c < keyComponentCount(key); ++c)
        bindKeyComponent(*statement, c + 1, m_buffer, key, c);
    Status status = readOne(*statement);
    if (status.ok()) {
        // Sequential reading goes on from the record found.
        m_cursor->setKey(key);
        (void)m_cursor->reset(position(key), false);
    }
    return status;
}

Status DataFile::getByRecordNumber(std::int64_t recordNumber)
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    Statement *statement = nullptr;
    if (Status status = cached("byNumber",
                               "SELECT " + m_selectColumns + " FROM " + m_schema + "." + kTable +
                                   " WHERE recno = ?1",
                               statement);
        !status.ok())
        return fail(status);
    sqlite3_bind_int64(statement->get(), 1, recordNumber);
    return readOne(*statement);
}

Position DataFile::position(int key) const
{
    Position position;
    if (!m_current.isValid())
        return position;
    position.m_key = key;
    position.m_recordNumber = m_current.recordNumber;
    void *copy = m_def.codec->create();
    m_def.codec->assign(copy, m_currentRecord.get());
    position.m_record = std::shared_ptr<const void>(copy, m_def.codec->destroy);
    return position;
}

Status DataFile::reset(const Position &position)
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    m_cursor->setKey(position.key());
    return fail(m_cursor->reset(position));
}

Status DataFile::reget(const Position &position)
{
    if (!position.isValid())
        return fail(Status(ErrorCode::RecordNotFound, standardMessage(ErrorCode::RecordNotFound)));
    return getByRecordNumber(position.recordNumber());
}

Status DataFile::add()
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    if (Status status = m_db.checkWritable(); !status.ok())
        return fail(status);
    m_db.releaseReads();
    Statement *statement = nullptr;
    std::string columns;
    std::string values;
    for (int i = 0; i < static_cast<int>(m_def.fields.size()); ++i) {
        columns += (i ? ", " : "") + sqlName(m_def.fields[i].name);
        values += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    if (Status status = cached("add",
                               "INSERT INTO " + m_schema + "." + kTable + " (" + columns +
                                   ") VALUES (" + values + ")",
                               statement);
        !status.ok())
        return fail(status);
    m_def.codec->bindAll(*statement, 1, m_buffer);
    int rc = sqlite3_step(statement->get());
    sqlite3_reset(statement->get());
    if (rc != SQLITE_DONE)
        return fail(m_db.lastEngineError(rc));
    m_watchNextRead = false;
    setCurrent(sqlite3_last_insert_rowid(engineHandle(m_db)), 0, m_buffer);
    return done();
}

Status DataFile::put()
{
    return put(m_current);
}

Status DataFile::put(const RecordRef &record)
{
    return write(record, false);
}

Status DataFile::remove()
{
    return remove(m_current);
}

Status DataFile::remove(const RecordRef &record)
{
    return write(record, true);
}

Status DataFile::write(const RecordRef &record, bool remove)
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    if (!record.isValid())
        return fail(Status(ErrorCode::NoRecord, standardMessage(ErrorCode::NoRecord)));
    if (Status status = m_db.checkWritable(); !status.ok())
        return fail(status);
    m_db.releaseReads();
    const int fieldCount = static_cast<int>(m_def.fields.size());
    std::string sql;
    if (remove) {
        sql = "DELETE FROM " + m_schema + "." + kTable + " WHERE recno = ?1";
    } else {
        sql = "UPDATE " + m_schema + "." + kTable + " SET version = version + 1";
        for (int i = 0; i < fieldCount; ++i)
            sql += ", " + sqlName(m_def.fields[i].name) + " = ?" + std::to_string(i + 3);
        sql += " WHERE recno = ?1";
    }
    sql += record.watched ? " AND version = ?2" : "";
    Statement *statement = nullptr;
    std::string name = std::string(remove ? "delete" : "put") + (record.watched ? "Watched" : "");
    if (Status status = cached(name, sql, statement); !status.ok())
        return fail(status);
    sqlite3_bind_int64(statement->get(), 1, record.recordNumber);
    if (record.watched)
        sqlite3_bind_int64(statement->get(), 2, record.version);
    if (!remove)
        m_def.codec->bindAll(*statement, 3, m_buffer);
    int rc = sqlite3_step(statement->get());
    sqlite3_reset(statement->get());
    if (rc != SQLITE_DONE)
        return fail(m_db.lastEngineError(rc));
    if (sqlite3_changes(engineHandle(m_db)) == 0) {
        ErrorCode code = record.watched ? ErrorCode::ChangedByOther : ErrorCode::RecordNotFound;
        return fail(Status(code, standardMessage(code)));
    }
    if (record.recordNumber == m_current.recordNumber) {
        // Should the transaction around this write roll back, the current
        // record's version goes back with it.
        const RecordRef before = m_current;
        m_db.onRollback([this, before] {
            if (m_current.recordNumber == before.recordNumber || !m_current.isValid())
                m_current = before;
        });
        if (remove) {
            m_current = {};
        } else {
            // The write is this window's own: a later watched put of the
            // same record compares against the new version.
            m_current.version = record.version + 1;
            m_def.codec->assign(m_currentRecord.get(), m_buffer);
        }
    }
    return done();
}

bool DataFile::duplicate(int key, bool excludingCurrent)
{
    if (key == kFileOrder || !m_attached)
        return false;
    Statement *statement = nullptr;
    std::string sql = "SELECT 1 FROM " + m_schema + "." + kTable + " WHERE recno <> ?1";
    for (int c = 0; c < keyComponentCount(key); ++c)
        sql += " AND " + keyColumn(key, c) + " = ?" + std::to_string(c + 2);
    if (!cached("duplicate" + std::to_string(key), sql + " LIMIT 1", statement).ok())
        return false;
    sqlite3_bind_int64(statement->get(), 1, excludingCurrent ? m_current.recordNumber : 0);
    for (int c = 0; c < keyComponentCount(key); ++c)
        bindKeyComponent(*statement, c + 2, m_buffer, key, c);
    bool found = sqlite3_step(statement->get()) == SQLITE_ROW;
    sqlite3_reset(statement->get());
    return found;
}

bool DataFile::duplicateAnyUnique()
{
    for (int k = 0; k < static_cast<int>(m_def.keys.size()); ++k)
        if (m_def.keys[k].unique && duplicate(k))
            return true;
    return false;
}

Status DataFile::hold(RecordHold &hold, int waitMs)
{
    if (!m_current.isValid())
        return fail(Status(ErrorCode::NoRecord, standardMessage(ErrorCode::NoRecord)));
    return DataFile::hold(hold, m_current.recordNumber, waitMs);
}

Status DataFile::hold(RecordHold &hold, std::int64_t recordNumber, int waitMs)
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    return fail(hold.acquire(path(), recordNumber, waitMs));
}

Status DataFile::holdAllFree(FreeRecordsHold &hold, std::vector<std::int64_t> &heldElsewhere)
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    return fail(hold.acquire(path(), heldElsewhere));
}

Status DataFile::records(std::int64_t &count)
{
    count = 0;
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    Statement *statement = nullptr;
    if (Status status =
            cached("count", "SELECT count(*) FROM " + m_schema + "." + kTable, statement);
        !status.ok())
        return fail(status);
    int rc = sqlite3_step(statement->get());
    if (rc == SQLITE_ROW)
        count = sqlite3_column_int64(statement->get(), 0);
    sqlite3_reset(statement->get());
    return rc == SQLITE_ROW ? done() : fail(m_db.lastEngineError(rc));
}

Status DataFile::hasRecords(bool &any)
{
    any = false;
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    Statement *statement = nullptr;
    if (Status status = cached(
            "exists", "SELECT EXISTS (SELECT 1 FROM " + m_schema + "." + kTable + ")", statement);
        !status.ok())
        return fail(status);
    int rc = sqlite3_step(statement->get());
    if (rc == SQLITE_ROW)
        any = sqlite3_column_int(statement->get(), 0) != 0;
    sqlite3_reset(statement->get());
    return rc == SQLITE_ROW ? done() : fail(m_db.lastEngineError(rc));
}

Status DataFile::pack()
{
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    m_db.releaseReads();
    return fail(m_db.execute("VACUUM " + m_schema));
}

Status DataFile::changeCounter(std::int64_t &counter)
{
    counter = 0;
    if (Status status = requireOpen(); !status.ok())
        return fail(status);
    Statement *statement = nullptr;
    if (Status status = cached("changeCounter", "PRAGMA " + m_schema + ".data_version", statement);
        !status.ok())
        return fail(status);
    int rc = sqlite3_step(statement->get());
    if (rc == SQLITE_ROW)
        counter = sqlite3_column_int64(statement->get(), 0);
    sqlite3_reset(statement->get());
    return rc == SQLITE_ROW ? done() : fail(m_db.lastEngineError(rc));
}

namespace {

// The connection of one copy, closed on destruction.
struct CopyTarget
{
    sqlite3 *db = nullptr;
    ~CopyTarget() { sqlite3_close_v2(db); }
};

// Copies schema `source` of `from` page by page into a new file `target`,
// keyed as the source is: within the read transaction `from` has open, so
// the copy is the state that transaction sees.
Status copyPages(Database &from, const DataFile &source, const std::filesystem::path &target)
{
    CopyTarget copy;
    int rc =
        sqlite3_open_v2(target.c_str(), &copy.db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK && source.def().encrypted) {
        const std::string key = "PRAGMA key = \"" + encryptionKey() + "\"";
        rc = sqlite3_exec(copy.db, key.c_str(), nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(copy.db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const int systemCode = copy.db ? sqlite3_system_errno(copy.db) : 0;
        return Status(ErrorCode::FileSystem,
                      target.string() + ": " + (copy.db ? sqlite3_errmsg(copy.db) : "cannot open"),
                      systemCode ? systemCode : EIO);
    }
    const std::string name(source.name());
    sqlite3_backup *backup = sqlite3_backup_init(copy.db, "main", engineHandle(from), name.c_str());
    if (!backup)
        return Status(ErrorCode::FileSystem, target.string() + ": " + sqlite3_errmsg(copy.db), EIO);
    rc = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (rc == SQLITE_DONE && finished == SQLITE_OK)
        return {};
    const int systemCode = sqlite3_system_errno(copy.db);
    return Status(ErrorCode::FileSystem, target.string() + ": " + sqlite3_errmsg(copy.db),
                  systemCode ? systemCode : EIO);
}

} // namespace

Status copyFiles(std::vector<FileCopy> &copies)
{
    if (copies.empty())
        return {};
    Database &db = copies.front().file->database();
    if (db.inTransaction())
        return db.remember(Status(ErrorCode::AccessDenied,
                                  "The files cannot be copied while a save is under way"));
    std::error_code error;
    for (const FileCopy &copy : copies) {
        if (!copy.file->isOpen())
            return db.remember(
                Status(ErrorCode::FileNotOpen, standardMessage(ErrorCode::FileNotOpen)));
        if (std::filesystem::exists(copy.target, error))
            return db.remember(
                Status(ErrorCode::AccessDenied, copy.target.string() + " exists already"));
    }
    db.releaseReads();
    // One read transaction over every file: each file is read-locked before
    // any is copied, so a commit of another station falls before all the
    // copies or after them all.
    Status status = db.execute("BEGIN");
    for (FileCopy &copy : copies) {
        if (status.ok())
            status = db.execute("SELECT 1 FROM " + copy.file->schema() + ".sqlite_schema LIMIT 1");
        if (status.ok())
            status = copy.file->changeCounter(copy.changeCounter);
    }
    for (std::size_t i = 0; status.ok() && i < copies.size(); ++i)
        status = copyPages(db, *copies[i].file, copies[i].target);
    (void)db.execute(status.ok() ? "COMMIT" : "ROLLBACK");
    if (!status.ok()) {
        // None of the targets was there before.
        for (const FileCopy &copy : copies)
            std::filesystem::remove(copy.target, error);
    }
    return db.remember(status);
}

} // namespace korvalen
