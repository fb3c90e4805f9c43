#include "storage/savescope.h"

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

} // namespace korvalen
