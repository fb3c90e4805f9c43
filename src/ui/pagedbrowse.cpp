#include "ui/pagedbrowse.h"

#include "storage/openfile.h"
#include "storage/recordcodec.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"
#include "ui/procedures.h"

#include <algorithm>
#include <cmath>

namespace korvalen {

namespace {

// Entry n is characters 2n-1 and 2n.
constexpr std::string_view kLetterSteps =
    "  AFANATB BFBNBTC CFCNCTD DFDNDTE EFENETF FFFNFTG GFGNGTH HFHNHTI IFINITJ JFJNJTK KFKNKTL "
    "LFLNLTM MFMNMTN NFNNNTO OFONOTP PFPNPTQ QNR RFRNRTS SFSNSTT TFTNTTU UFUNUTV VFVNVTW WFWNWTX "
    "XFXNXTY YFYNYTZ ZN";
static_assert(kLetterSteps.size() == 200);

std::shared_ptr<void> newRecord(const DataFile &file)
{
    const RecordCodec *codec = file.def().codec;
    return std::shared_ptr<void>(codec->create(), codec->destroy);
}

} // namespace

std::string letterStepEntry(int n)
{
    n = std::clamp(n, 1, 100);
    return std::string(kLetterSteps.substr(static_cast<std::size_t>(2 * n - 2), 2));
}

int textThumb(std::string_view value)
{
    // The key field as the table spells it: upper case, blank padded.
    std::string key = upperCase(value);
    for (int n = 1; n <= 100; ++n) {
        std::string entry = letterStepEntry(n);
        std::size_t width = std::max(key.size(), entry.size());
        entry.resize(width, ' ');
        std::string padded = key;
        padded.resize(width, ' ');
        if (entry >= padded)
            return n < 2 ? 0 : n;
    }
    return 100;
}

std::int64_t NumericSteps::entry(int n) const
{
    if (n <= 1)
        return low;
    if (n >= 100)
        return high;
    double value = static_cast<double>(low) +
                   static_cast<double>(n - 1) * static_cast<double>(high - low) / 99.0;
    return static_cast<std::int64_t>(std::trunc(value));
}

int NumericSteps::thumb(std::int64_t value) const
{
    if (!valid)
        return 0;
    for (int n = 1; n <= 100; ++n) {
        if (entry(n) >= value)
            return n < 2 ? 0 : n;
    }
    return 100;
}

PagedBrowse::PagedBrowse(AppContext &context, BrowseConfig config, BrowseHost &host)
    : m_context(context), m_config(std::move(config)), m_host(host), m_file(*m_config.file),
      m_scratch(newRecord(m_file))
{
}

PagedBrowse::~PagedBrowse()
{
    close();
}

int PagedBrowse::items() const
{
    return std::max(1, m_host.visibleRows());
}

void *PagedBrowse::scratch()
{
    return m_scratch.get();
}

bool PagedBrowse::open()
{
    if (m_open)
        return true;
    SharedGlobals &globals = m_context.data.globals;
    m_openedRequest = globals.request;
    m_selectMode = m_openedRequest == SelectRecord;
    globals.request = 0;
    m_response = RequestCancelled;
    m_uses.push_back(std::make_unique<FileUse>(m_file, m_context.prompter));
    for (DataFile *other : m_config.otherFiles)
        m_uses.push_back(std::make_unique<FileUse>(*other, m_context.prompter));
    m_open = true;
    m_failed = false;
    openView();
    if (m_failed)
        return false;
    computeSteps();
    if (m_selectMode)
        resetToKeyValue(m_file.buffer());
    else
        rebuild(Mode::FirstFill);
    return !m_failed;
}

void PagedBrowse::close()
{
    if (!m_open)
        return;
    m_cursor.reset();
    m_rows.clear();
    m_current = 0;
    m_uses.clear();
    m_open = false;
    m_context.data.globals.response = m_response;
}

void PagedBrowse::openView()
{
    if (!m_file.isOpen() || m_config.key < 0 ||
        m_config.key >= static_cast<int>(m_file.def().keys.size())) {
        showWarning(m_context.prompter, WarningKind::ViewOpenError,
                    m_context.data.database.lastStatus(), m_file.name());
        m_failed = true;
        m_host.closeWindow();
        return;
    }
    m_cursor = std::make_unique<Cursor>(m_file, m_config.key);
    if (m_config.range)
        m_config.range(*m_cursor);
    if (m_config.filter) {
        m_cursor->setFilter([this](const void *record) {
            if (++m_filterReads > m_config.filterCap) {
                m_filterCapped = true;
                return true;
            }
            return m_config.filter(record);
        });
    }
}

void PagedBrowse::fail(const Status &status)
{
    if (m_failed)
        return;
    m_failed = true;
    m_rows.clear();
    m_current = 0;
    showWarning(m_context.prompter, WarningKind::RecordRetrievalError, status, m_file.name());
    m_host.closeWindow();
}

bool PagedBrowse::readOne(bool down, Status &status)
{
    status = down ? m_cursor->next() : m_cursor->previous();
    if (m_filterCapped) {
        m_filterCapped = false;
        status = Status(ErrorCode::NoRecord, "");
    }
    if (status.ok())
        return true;
    if (!status.is(ErrorCode::NoRecord))
        fail(status);
    return false;
}

void PagedBrowse::addRow(bool down)
{
    BrowseRow row;
    row.position = m_cursor->position();
    row.record = newRecord(m_file);
    m_file.def().codec->assign(row.record.get(), m_file.buffer());
    row.cells.reserve(m_config.columns.size());
    for (const BrowseColumn &column : m_config.columns)
        row.cells.push_back(column.value ? column.value(row.record.get()) : std::string());
    if (static_cast<int>(m_rows.size()) >= items()) {
        if (down)
            m_rows.pop_front();
        else
            m_rows.pop_back();
    }
    if (down)
        m_rows.push_back(std::move(row));
    else
        m_rows.push_front(std::move(row));
}

int PagedBrowse::fill(int n, bool down)
{
    if (!m_cursor || m_failed)
        return -1;
    if (!m_rows.empty()) {
        const BrowseRow &edge = down ? m_rows.back() : m_rows.front();
        // The edge record counts as read: the next read returns its neighbour.
        if (Status status = m_cursor->reset(edge.position, false); !status.ok()) {
            fail(status);
            return -1;
        }
    }
    m_filterReads = 0;
    for (int i = 0; i < n; ++i) {
        Status status;
        if (!readOne(down, status))
            return m_failed ? -1 : n - i;
        addRow(down);
    }
    return 0;
}

void PagedBrowse::rebuild(Mode mode)
{
    if (!m_cursor || m_failed)
        return;
    m_host.setBusy(true);
    Position saved;
    if (mode == Mode::AtCurrent) {
        saved = m_cursor->position();
        (void)m_cursor->reset(saved, true);
    } else if (mode == Mode::KeepPage && !m_rows.empty()) {
        int row = std::clamp(m_current, 1, static_cast<int>(m_rows.size()));
        saved = m_rows[static_cast<std::size_t>(row - 1)].position;
        (void)m_cursor->reset(m_rows.front().position, true);
    } else {
        m_cursor->setStart();
    }
    m_rows.clear();
    int unread = fill(items(), mode != Mode::FromEnd);
    if (unread > 0 && saved.isValid() && !m_rows.empty())
        unread = fill(unread, mode == Mode::FromEnd);
    if (unread >= 0)
        highlight(saved, mode);
    m_cursor->release();
    m_host.setBusy(false);
    newSelection();
}

void PagedBrowse::highlight(const Position &saved, Mode mode)
{
    const int count = static_cast<int>(m_rows.size());
    if (count == 0) {
        m_current = 0;
        m_file.def().codec->clear(m_file.buffer());
        return;
    }
    m_current = mode == Mode::FromEnd ? count : 1;
    if (saved.isValid()) {
        m_current = count;
        for (int i = 0; i < count; ++i) {
            if (m_rows[static_cast<std::size_t>(i)].position == saved) {
                m_current = i + 1;
                break;
            }
        }
    }
}

void PagedBrowse::newSelection()
{
    if (m_failed)
        return;
    if (m_current > 0) {
        const BrowseRow &row = m_rows[static_cast<std::size_t>(m_current - 1)];
        m_file.def().codec->assign(m_file.buffer(), row.record.get());
    }
    m_scrollBarVisible = static_cast<int>(m_rows.size()) >= items();
    if (m_scrollBarVisible && m_current > 0) {
        const void *record = m_rows[static_cast<std::size_t>(m_current - 1)].record.get();
        const BrowseKeyField &key = m_config.keyField;
        if (key.numeric && key.number)
            m_thumb = m_steps.thumb(key.number(record));
        else if (key.text)
            m_thumb = textThumb(key.text(record));
    }
    m_host.pageChanged();
}

void PagedBrowse::computeSteps()
{
    m_steps = {};
    const BrowseKeyField &key = m_config.keyField;
    if (!key.numeric || !key.number || !m_cursor)
        return;
    Status status;
    m_cursor->setStart();
    if (!readOne(true, status))
        return;
    m_steps.low = key.number(m_file.buffer());
    m_cursor->setStart();
    if (!readOne(false, status))
        return;
    m_steps.high = key.number(m_file.buffer());
    m_steps.valid = true;
    m_cursor->release();
}

void PagedBrowse::probeAndRebuild()
{
    Status status;
    m_filterReads = 0;
    if (readOne(true, status))
        rebuild(Mode::AtCurrent);
    else if (!m_failed)
        rebuild(Mode::FromEnd);
}

void PagedBrowse::resetToKeyValue(const void *record)
{
    if (!m_cursor || m_failed)
        return;
    m_cursor->setAt(record, m_config.keyField.component + 1);
    probeAndRebuild();
}

void PagedBrowse::resetToRecord(std::int64_t recordNumber)
{
    if (!m_cursor || m_failed)
        return;
    // The very record, not the first of several with its key.
    const RecordCodec &codec = *m_file.def().codec;
    codec.assign(scratch(), m_file.buffer());
    if (recordNumber != 0 && m_file.getByRecordNumber(recordNumber).ok()) {
        if (m_cursor->reset(m_file.position(m_config.key), true).ok()) {
            probeAndRebuild();
            return;
        }
    }
    resetToKeyValue(scratch());
}

void PagedBrowse::refresh()
{
    if (!m_open || m_failed || m_inForm)
        return;
    computeSteps();
    if (m_current == 0) {
        rebuild(Mode::FirstFill);
        return;
    }
    const BrowseRow &row = m_rows[static_cast<std::size_t>(m_current - 1)];
    Status status = m_file.getByRecordNumber(row.position.recordNumber());
    if (status.is(ErrorCode::RecordNotFound)) {
        // Gone meanwhile: the page comes back around its neighbour.
        (void)m_cursor->reset(row.position, true);
        probeAndRebuild();
        return;
    }
    if (!status.ok()) {
        fail(status);
        return;
    }
    Position now = m_file.position(m_config.key);
    rebuild(Mode::KeepPage);
    bool onPage = m_current > 0 && m_rows[static_cast<std::size_t>(m_current - 1)].position == now;
    if (!onPage && !m_failed) {
        // Its key changed: it is shown at its new place.
        (void)m_cursor->reset(now, true);
        probeAndRebuild();
    }
}

void PagedBrowse::resized()
{
    if (m_open && !m_failed)
        rebuild(Mode::KeepPage);
}

void PagedBrowse::lineUp()
{
    if (m_current > 1)
        --m_current;
    else if (m_current == 1)
        fill(1, false);
    newSelection();
}

void PagedBrowse::lineDown()
{
    if (m_current > 0 && m_current < static_cast<int>(m_rows.size()))
        ++m_current;
    else if (m_current > 0)
        fill(1, true);
    newSelection();
}

void PagedBrowse::pageUp()
{
    if (m_current == 0)
        return;
    int unread = fill(items(), false);
    if (unread > 0)
        m_current = std::max(1, m_current - unread);
    newSelection();
}

void PagedBrowse::pageDown()
{
    if (m_current == 0)
        return;
    int unread = fill(items(), true);
    if (unread > 0)
        m_current = std::min(static_cast<int>(m_rows.size()), m_current + unread);
    newSelection();
}

void PagedBrowse::top()
{
    m_rows.clear();
    rebuild(Mode::FirstFill);
}

void PagedBrowse::bottom()
{
    m_rows.clear();
    rebuild(Mode::FromEnd);
}

void PagedBrowse::thumbTo(int position)
{
    if (position <= 1) {
        top();
        return;
    }
    if (position >= 100) {
        bottom();
        return;
    }
    const RecordCodec &codec = *m_file.def().codec;
    codec.assign(scratch(), m_file.buffer());
    const BrowseKeyField &key = m_config.keyField;
    if (key.numeric) {
        if (!m_steps.valid)
            return;
        key.setNumber(scratch(), m_steps.entry(position));
    } else {
        key.setText(scratch(), letterStepEntry(position));
    }
    resetToKeyValue(scratch());
}

bool PagedBrowse::locate(std::string_view typed)
{
    if (typed.empty() || typed.front() == ' ' || static_cast<unsigned char>(typed.front()) < 32 ||
        typed.front() == 127 || !m_open || m_failed || m_rows.empty())
        return false;
    const RecordCodec &codec = *m_file.def().codec;
    codec.assign(scratch(), m_file.buffer());
    const BrowseKeyField &key = m_config.keyField;
    if (key.numeric) {
        char c = typed.front();
        key.setNumber(scratch(), c >= '0' && c <= '9' ? c - '0' : 0);
    } else {
        key.setText(scratch(), typed);
    }
    resetToKeyValue(scratch());
    return true;
}

void PagedBrowse::setCurrentRow(int row)
{
    if (row >= 1 && row <= static_cast<int>(m_rows.size()) && row != m_current) {
        m_current = row;
        newSelection();
    }
}

bool PagedBrowse::reread(bool watch)
{
    if (m_current == 0 || m_failed)
        return false;
    const BrowseRow &row = m_rows[static_cast<std::size_t>(m_current - 1)];
    if (watch)
        m_file.watch();
    Status status = m_file.reget(row.position);
    if (status.ok())
        return true;
    if (status.is(ErrorCode::RecordNotFound)) {
        // Deleted by another window or station: no message, the page comes
        // back around the nearest key.
        (void)m_cursor->reset(row.position, true);
        probeAndRebuild();
    } else {
        fail(status);
    }
    return false;
}

void PagedBrowse::callForm(int request)
{
    // The view gives up its reads while the form runs.
    if (m_cursor)
        m_cursor->release();
    SharedGlobals &globals = m_context.data.globals;
    globals.request = request;
    globals.response = RequestCancelled;
    m_inForm = true;
    if (!m_context.procedures->call(m_config.updateProcedure, m_context))
        globals.response = RequestCancelled;
    m_response = globals.response;
    m_inForm = false;
    afterForm(request);
    // Only a completed Select leaves the list completed.
    m_response = RequestCancelled;
}

void PagedBrowse::afterForm(int request)
{
    if (!m_open || m_failed)
        return;
    const bool completed = m_response == RequestCompleted;
    if (completed && request == InsertRecord) {
        resetToRecord(m_file.current().recordNumber);
    } else if (completed && request == ChangeRecord && m_current > 0) {
        resetToRecord(m_rows[static_cast<std::size_t>(m_current - 1)].position.recordNumber());
    } else if (completed && request == DeleteRecord && m_current > 0) {
        m_rows.erase(m_rows.begin() + (m_current - 1));
        rebuild(Mode::KeepPage);
    } else {
        rebuild(Mode::KeepPage);
    }
}

void PagedBrowse::insert()
{
    if (!canInsert() || !m_open || m_failed)
        return;
    m_file.def().codec->clear(m_file.buffer());
    callForm(InsertRecord);
}

void PagedBrowse::change()
{
    if (!canChange() || !m_open)
        return;
    if (reread(true))
        callForm(ChangeRecord);
}

void PagedBrowse::remove()
{
    if (!canDelete() || !m_open)
        return;
    if (reread(true))
        callForm(DeleteRecord);
}

bool PagedBrowse::select()
{
    if (!canSelect() || !m_open)
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

std::string PagedBrowse::popupMenu() const
{
    if (!hasUpdateForm())
        return {};
    // The items follow their buttons: a disabled button is a disabled item.
    std::string menu = "Insert|";
    menu += canChange() ? "Change|" : "~Change|";
    menu += canDelete() ? "Delete|" : "~Delete|";
    menu += "-|";
    menu += canSelect() ? "Select" : "~Select";
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
