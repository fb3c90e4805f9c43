#include "storage/savescope.h"

#include "storage/engine.h"
#include "storage/openfile.h"

#include <algorithm>

namespace korvalen {

namespace {

Status saveEnded()
{
    return Status(ErrorCode::AccessDenied, "The save is over; nothing more can be written in it");
}

Status notInSave(const DataFile &file)
{
    return Status(ErrorCode::AccessDenied, std::string(file.name()) + " is not part of this save");
}

} // namespace

SaveScope::SaveScope(Database &db, Prompter &prompter,
                     std::vector<std::reference_wrapper<DataFile>> files)
    : m_db(db)
{
    for (DataFile &file : files)
        m_files.push_back(&file);
    for (DataFile *file : m_files) {
        m_uses.push_back(std::make_unique<FileUse>(*file, prompter));
        m_status = m_uses.back()->status();
        if (!m_status.ok())
            return;
    }
    m_transaction.emplace(db);
    m_status = m_transaction->status();
    if (!m_status.ok())
        m_transaction.reset();
}

SaveScope::~SaveScope()
{
    rollback();
    // The transaction ends before the files it wrote can close.
    m_uses.clear();
}

template <class Write> Status SaveScope::write(DataFile &file, Write write)
{
    if (!m_status.ok())
        return m_status;
    if (!m_transaction)
        return saveEnded();
    if (std::find(m_files.begin(), m_files.end(), &file) == m_files.end())
        return notInSave(file);
    m_status = write();
    return m_status;
}

Status SaveScope::add(DataFile &file)
{
    return write(file, [&] { return file.add(); });
}

Status SaveScope::put(DataFile &file)
{
    return write(file, [&] { return file.put(); });
}

Status SaveScope::put(DataFile &file, const RecordRef &record)
{
    return write(file, [&] { return file.put(record); });
}

Status SaveScope::remove(DataFile &file)
{
    return write(file, [&] { return file.remove(); });
}

Status SaveScope::remove(DataFile &file, const RecordRef &record)
{
    return write(file, [&] { return file.remove(record); });
}

Status SaveScope::commit()
{
    if (!m_status.ok()) {
        rollback();
        return m_status;
    }
    if (!m_transaction)
        return saveEnded();
    Status status = m_transaction->commit();
    m_transaction.reset();
    if (!status.ok())
        m_status = status;
    return status;
}

void SaveScope::rollback()
{
    if (m_transaction) {
        m_transaction->rollback();
        m_transaction.reset();
    }
}

std::string SaveScope::expand(std::string_view sql, Status &status) const
{
    std::string text;
    std::size_t from = 0;
    for (std::size_t open; (open = sql.find('{', from)) != std::string_view::npos;) {
        const std::size_t close = sql.find('}', open);
        if (close == std::string_view::npos)
            break;
        const std::string_view name = sql.substr(open + 1, close - open - 1);
        auto file = std::find_if(m_files.begin(), m_files.end(),
                                 [name](const DataFile *f) { return f->name() == name; });
        if (file == m_files.end()) {
            status =
                Status(ErrorCode::AccessDenied, std::string(name) + " is not part of this save");
            return {};
        }
        text.append(sql.substr(from, open - from));
        text += (*file)->table();
        from = close + 1;
    }
    text.append(sql.substr(from));
    return text;
}

Status SaveScope::runStatement(std::string_view sql, const std::vector<SqlValue> &values,
                               bool reads, std::int64_t &result)
{
    result = 0;
    if (!m_status.ok())
        return m_status;
    if (!m_transaction)
        return saveEnded();
    Status status;
    const std::string text = expand(sql, status);
    if (status.ok())
        status = m_db.checkWritable();
    if (!status.ok())
        return m_db.remember(status);
    m_db.releaseReads();
    Statement statement;
    status = m_db.prepare(text, statement);
    for (std::size_t i = 0; status.ok() && i < values.size(); ++i) {
        const int parameter = static_cast<int>(i + 1);
        if (const auto *number = std::get_if<std::int64_t>(&values[i]))
            sqlite3_bind_int64(statement.get(), parameter, *number);
        else
            sqlite3_bind_text(statement.get(), parameter, std::get<std::string>(values[i]).c_str(),
                              -1, SQLITE_TRANSIENT);
    }
    if (status.ok()) {
        const int rc = sqlite3_step(statement.get());
        if (rc == SQLITE_ROW && reads)
            result = sqlite3_column_int64(statement.get(), 0);
        else if (rc == SQLITE_DONE && !reads)
            result = sqlite3_changes64(engineHandle(m_db));
        else if (rc != SQLITE_DONE)
            status = m_db.lastEngineError(rc);
    }
    return m_db.remember(status);
}

Status SaveScope::execute(std::string_view sql, const std::vector<SqlValue> &values,
                          std::int64_t *changed)
{
    std::int64_t count = 0;
    Status status = runStatement(sql, values, false, count);
    if (changed)
        *changed = count;
    // A write that failed spoils the save, as a failed add or delete does.
    if (m_status.ok() && m_transaction)
        m_status = status;
    return status;
}

Status SaveScope::queryNumber(std::string_view sql, const std::vector<SqlValue> &values,
                              std::int64_t &number)
{
    return runStatement(sql, values, true, number);
}

} // namespace korvalen
