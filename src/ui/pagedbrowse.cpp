#include "ui/pagedbrowse.h"

#include "storage/openfile.h"
#include "storage/recordcodec.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/procedures.h"

#include <algorithm>

namespace korvalen {

// ---------------------------------------------------------------------------
// The keyed list

KeyedList::KeyedList(AppContext &context, KeyedListConfig config, BrowseHost &host)
    : m_context(context), m_host(host), m_file(*config.file), m_listConfig(std::move(config)),
      m_list(host, m_listConfig.columns)
{
    // The highlighted record is the file's current one, in its buffer.
    m_list.setHighlightHandler([this](const BrowseRow *row) {
        const RecordCodec &codec = *m_file.def().codec;
        if (row)
            codec.assign(m_file.buffer(), row->record.get());
        else
            codec.clear(m_file.buffer());
    });
    m_list.setFailureHandler([this](const Status &status) { fail(status); });
}

KeyedList::~KeyedList()
{
    closeList();
}

bool KeyedList::openList(bool aroundBuffer)
{
    if (m_open)
        return true;
    m_uses.push_back(std::make_unique<FileUse>(m_file, m_context.prompter));
    if (m_listConfig.join.file)
        m_uses.push_back(std::make_unique<FileUse>(*m_listConfig.join.file, m_context.prompter));
    for (DataFile *other : m_listConfig.otherFiles)
        m_uses.push_back(std::make_unique<FileUse>(*other, m_context.prompter));
    m_open = true;
    m_viewFailed = false;
    if (!openView())
        return false;
    m_list.locator()->prepare(*m_list.source());
    if (aroundBuffer)
        m_list.repositionAtKey(m_file.buffer(), m_listConfig.keyField.component + 1);
    else
        m_list.rebuild(Mode::FirstFill);
    return !failed();
}

void KeyedList::closeList()
{
    if (!m_open)
        return;
    m_list.close();
    m_uses.clear();
    m_open = false;
}

bool KeyedList::openView()
{
    if (!m_file.isOpen() || m_listConfig.key < 0 ||
        m_listConfig.key >= static_cast<int>(m_file.def().keys.size())) {
        showWarning(m_context.prompter, WarningKind::ViewOpenError,
                    m_context.data.database.lastStatus(), m_file.name());
        m_viewFailed = true;
        m_host.closeWindow();
        return false;
    }
    auto source =
        std::make_unique<KeyedRowSource>(m_file, m_listConfig.key, m_listConfig.filterCap);
    if (m_listConfig.range)
        source->setRange(m_listConfig.range);
    if (m_listConfig.filter)
        source->setFilter(m_listConfig.filter);
    if (m_listConfig.join.file)
        source->setJoin(m_listConfig.join);
    m_list.open(std::move(source),
                std::make_unique<KeyLocator>(m_listConfig.keyField, m_listConfig.thumbEndsOnly));
    return true;
}

void KeyedList::fail(const Status &status)
{
    showWarning(m_context.prompter, WarningKind::RecordRetrievalError, status, m_file.name());
    m_host.closeWindow();
}

void KeyedList::setRange(RowSource::Range range)
{
    if (m_open && !m_suspended)
        m_list.setRange(std::move(range));
}

void KeyedList::setFilter(RowSource::Filter filter)
{
    if (m_open && !m_suspended)
        m_list.setFilter(std::move(filter));
}

void KeyedList::suspend()
{
    // The view gives up its reads while the form runs.
    if (m_list.source())
        m_list.source()->release();
    m_suspended = true;
}

void KeyedList::resume()
{
    m_suspended = false;
}

void KeyedList::resetToRecord(std::int64_t recordNumber)
{
    if (failed())
        return;
    // The very record, not the first of several with its key.
    std::shared_ptr<void> wanted = m_list.source()->copyRow(m_file.buffer());
    if (recordNumber != 0 && m_file.getByRecordNumber(recordNumber).ok() &&
        m_list.reposition({m_file.position(m_listConfig.key), 0}))
        return;
    m_list.repositionAtKey(wanted.get(), m_listConfig.keyField.component + 1);
}

void KeyedList::rebuildAfterForm(bool dropCurrent)
{
    if (!m_open || failed())
        return;
    if (dropCurrent && m_list.current())
        m_list.eraseRow(m_list.currentRow());
    m_list.rebuild(Mode::KeepPage);
}

void KeyedList::refresh()
{
    if (!m_open || failed() || m_suspended)
        return;
    m_list.locator()->prepare(*m_list.source());
    const BrowseRow *row = m_list.current();
    if (!row) {
        m_list.rebuild(Mode::FirstFill);
        return;
    }
    const RowPosition at = row->position;
    Status status = m_file.getByRecordNumber(at.recordNumber());
    if (status.is(ErrorCode::RecordNotFound)) {
        // Gone meanwhile: the page comes back around its neighbour.
        m_list.reposition(at);
        return;
    }
    if (!status.ok()) {
        m_list.close();
        m_viewFailed = true;
        fail(status);
        return;
    }
    const RowPosition now{m_file.position(m_listConfig.key), 0};
    m_list.rebuild(Mode::KeepPage);
    const BrowseRow *shown = m_list.current();
    if ((!shown || !(shown->position == now)) && !failed()) {
        // Its key changed: it is shown at its new place.
        m_list.reposition(now);
    }
}

bool KeyedList::reread(bool watch)
{
    const BrowseRow *row = m_list.current();
    if (!row || failed())
        return false;
    const RowPosition at = row->position;
    if (watch)
        m_file.watch();
    Status status = m_file.reget(at.key);
    if (status.ok())
        return true;
    if (status.is(ErrorCode::RecordNotFound)) {
        // Deleted by another window or station: no message, the page comes
        // back around the nearest key.
        m_list.reposition(at);
    } else {
        m_list.close();
        m_viewFailed = true;
        fail(status);
    }
    return false;
}

// ---------------------------------------------------------------------------
// The browse actions

PagedBrowse::PagedBrowse(AppContext &context, BrowseConfig config, BrowseHost &host)
    : KeyedList(context, config, host), m_config(std::move(config))
{
}

PagedBrowse::~PagedBrowse()
{
    (void)close();
}

bool PagedBrowse::open(int request)
{
    if (isOpen())
        return true;
    m_selectMode = request == SelectRecord;
    m_response = RequestCancelled;
    return openList(m_selectMode);
}

int PagedBrowse::close()
{
    closeList();
    return m_response;
}

void PagedBrowse::callForm(int request)
{
    SharedGlobals &globals = m_context.globals;
    globals.request = request;
    globals.response = RequestCancelled;
    suspend();
    if (!m_context.procedures->call(m_config.updateProcedure, m_context))
        globals.response = RequestCancelled;
    m_response = globals.response;
    resume();
    afterForm(request);
    // Only a completed Select leaves the list completed.
    m_response = RequestCancelled;
}

void PagedBrowse::afterForm(int request)
{
    if (!isOpen() || failed())
        return;
    const bool completed = m_response == RequestCompleted;
    const BrowseRow *row = pages().current();
    if (completed && request == InsertRecord)
        resetToRecord(m_file.current().recordNumber);
    else if (completed && request == ChangeRecord && row)
        resetToRecord(row->position.recordNumber());
    else
        rebuildAfterForm(completed && request == DeleteRecord && row);
}

void PagedBrowse::insert()
{
    if (!canInsert() || !isOpen() || failed())
        return;
    m_file.def().codec->clear(m_file.buffer());
    callForm(InsertRecord);
}

void PagedBrowse::change()
{
    if (!canChange() || !isOpen())
        return;
    if (reread(true))
        callForm(ChangeRecord);
}

void PagedBrowse::remove()
{
    if (!canDelete() || !isOpen())
        return;
    if (reread(true))
        callForm(DeleteRecord);
}

bool PagedBrowse::select()
{
    if (!canSelect() || !isOpen())
        return false;
    if (!reread(true))
        return false;
    m_response = RequestCompleted;
    m_host.closeWindow();
    return true;
}

void PagedBrowse::cancel()
{
    m_response = RequestCancelled;
}

std::vector<PagedBrowse::PopupItem> PagedBrowse::popupItems() const
{
    if (!hasUpdateForm())
        return {};
    // The items follow their buttons: a disabled button is a disabled item.
    return {{"Insert", canInsert(), 1},
            {"Change", canChange(), 2},
            {"Delete", canDelete(), 3},
            {"-", false, 0},
            {"Select", canSelect(), 4}};
}

std::string PagedBrowse::popupMenu() const
{
    std::string menu;
    for (const PopupItem &item : popupItems()) {
        if (!menu.empty())
            menu += '|';
        menu += item.number == 0 || item.enabled ? item.text : "~" + item.text;
    }
    return menu;
}

void PagedBrowse::choosePopupItem(int item)
{
    switch (item) {
    case 1:
        insert();
        break;
    case 2:
        change();
        break;
    case 3:
        remove();
        break;
    case 4:
        select();
        break;
    default:
        break;
    }
}

} // namespace korvalen
