#include "ui/formrequest.h"

#include "storage/warnings.h"
#include "ui/appcontext.h"

namespace korvalen {

FormRequest::FormRequest(AppContext &context) : m_context(context) {}

FormRequest::~FormRequest()
{
    m_uses.clear();
}

void FormRequest::addFile(DataFile &file)
{
    m_files.push_back(&file);
}

void FormRequest::setAllowed(bool insert, bool change, bool remove)
{
    m_allowInsert = insert;
    m_allowChange = change;
    m_allowDelete = remove;
}

bool FormRequest::begin()
{
    SharedGlobals &globals = m_context.globals;
    m_request = globals.request;
    globals.request = 0;
    globals.response = 0;
    m_response = RequestCancelled;
    m_ended = false;
    for (DataFile *file : m_files)
        m_uses.push_back(std::make_unique<FileUse>(*file, m_context.prompter));

    const Status &err = m_context.data.database.lastStatus();
    switch (m_request) {
    case InsertRecord:
        if (!m_allowInsert)
            showWarning(m_context.prompter, WarningKind::InsertNotAllowed, err);
        return m_allowInsert;
    case DeleteRecord:
        if (!m_allowDelete)
            showWarning(m_context.prompter, WarningKind::DeleteNotAllowed, err);
        return m_allowDelete;
    case ChangeRecord:
        return m_allowChange;
    default:
        return false; // select, or no request: nothing for a form to do
    }
}

void FormRequest::end()
{
    if (m_ended)
        return;
    m_ended = true;
    m_uses.clear();
    m_context.globals.response = isCompleted() ? RequestCompleted : RequestCancelled;
}

std::string FormRequest::actionMessage() const
{
    if (m_request == InsertRecord)
        return "Record will be Added";
    if (m_request == ChangeRecord)
        return "Record will be Changed";
    return {};
}

} // namespace korvalen
