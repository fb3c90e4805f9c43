#include "ui/pagedlist.h"

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

// ---------------------------------------------------------------------------
// Locators

void KeyLocator::prepare(RowSource &source)
{
    m_steps = {};
    if (!m_field.numeric || !m_field.number)
        return;
    source.seekStart();
    if (!source.next().ok())
        return;
    m_steps.low = m_field.number(source.row());
    source.seekStart();
    if (!source.previous().ok())
        return;
    m_steps.high = m_field.number(source.row());
    m_steps.valid = true;
    source.release();
}

int KeyLocator::thumb(const void *row, const RowPosition &) const
{
    if (m_field.numeric && m_field.number)
        return m_steps.thumb(m_field.number(row));
    return m_field.text ? textThumb(m_field.text(row)) : 0;
}

bool KeyLocator::seekThumb(RowSource &source, int position, const void *current)
{
    if (m_thumbEndsOnly)
        return false;
    std::shared_ptr<void> wanted = source.copyRow(current);
    if (m_field.numeric) {
        if (!m_steps.valid)
            return false;
        m_field.setNumber(wanted.get(), m_steps.entry(position));
    } else {
        m_field.setText(wanted.get(), letterStepEntry(position));
    }
    source.seekKey(wanted.get(), m_field.component + 1);
    return true;
}

bool KeyLocator::seekTyped(RowSource &source, std::string_view typed, const void *current)
{
    std::shared_ptr<void> wanted = source.copyRow(current);
    if (m_field.numeric) {
        const char c = typed.empty() ? '0' : typed.front();
        m_field.setNumber(wanted.get(), c >= '0' && c <= '9' ? c - '0' : 0);
    } else {
        m_field.setText(wanted.get(), typed);
    }
    source.seekKey(wanted.get(), m_field.component + 1);
    return true;
}

void RowNumberLocator::prepare(RowSource &)
{
    m_rows = m_count ? m_count() : 0;
}

int RowNumberLocator::rowAt(int position) const
{
    if (position < 1 || position > kPositions || m_rows == 0)
        return 0;
    if (position == kPositions)
        return m_rows;
    const std::int64_t n = m_rows;
    return static_cast<int>(1 + (n - 1) * (position - 1) / (kPositions - 1));
}

int RowNumberLocator::thumbOfRow(std::int64_t row) const
{
    if (row == 0 || m_rows == 0)
        return 0;
    for (int position = 1; position <= kPositions; ++position) {
        if (rowAt(position) >= row)
            return position == 1 ? 0 : position;
    }
    return kPositions;
}

int RowNumberLocator::thumb(const void *, const RowPosition &position) const
{
    return thumbOfRow(position.index);
}

bool RowNumberLocator::seekThumb(RowSource &source, int position, const void *)
{
    const int row = rowAt(position);
    return row > 0 && source.seek({{}, row}, true).ok();
}

// ---------------------------------------------------------------------------
// The paging core

PagedList::PagedList(BrowseHost &host, std::vector<BrowseColumn> columns)
    : m_host(host), m_columns(std::move(columns))
{
}

PagedList::~PagedList() = default;

void PagedList::setFailureHandler(std::function<void(const Status &)> handler)
{
    m_onFailure = std::move(handler);
}

void PagedList::setHighlightHandler(std::function<void(const BrowseRow *row)> handler)
{
    m_onHighlight = std::move(handler);
}

void PagedList::open(std::unique_ptr<RowSource> source, std::unique_ptr<Locator> locator)
{
    m_rows.clear();
    m_current = 0;
    m_failed = false;
    m_source = std::move(source);
    m_locator = std::move(locator);
}

void PagedList::close()
{
    m_rows.clear();
    m_current = 0;
    m_source.reset();
}

int PagedList::items() const
{
    return std::max(1, m_host.visibleRows());
}

const BrowseRow *PagedList::current() const
{
    return m_current > 0 ? &m_rows[static_cast<std::size_t>(m_current - 1)] : nullptr;
}

void PagedList::setRange(RowSource::Range range)
{
    if (!m_source || m_failed)
        return;
    m_source->setRange(std::move(range));
    reload(Mode::FirstFill);
}

void PagedList::setFilter(RowSource::Filter filter)
{
    if (!m_source || m_failed)
        return;
    m_source->setFilter(std::move(filter));
    reload(Mode::FirstFill);
}

void PagedList::reload(Mode mode)
{
    if (!m_source || m_failed)
        return;
    if (m_locator)
        m_locator->prepare(*m_source);
    if (mode == Mode::FirstFill || mode == Mode::FromEnd)
        m_rows.clear();
    rebuild(mode);
}

void PagedList::fail(const Status &status)
{
    if (m_failed)
        return;
    m_failed = true;
    m_rows.clear();
    m_current = 0;
    if (m_onFailure)
        m_onFailure(status);
}

bool PagedList::readOne(bool down)
{
    Status status = down ? m_source->next() : m_source->previous();
    if (status.ok())
        return true;
    if (!status.is(ErrorCode::NoRecord))
        fail(status);
    return false;
}

void PagedList::addRow(bool down)
{
    BrowseRow row;
    row.position = m_source->position();
    row.record = m_source->copyRow(m_source->row());
    if (const void *joined = m_source->joined())
        row.joined = m_source->copyJoined(joined);
    row.cells.reserve(m_columns.size());
    for (const BrowseColumn &column : m_columns) {
        const void *from = column.fromJoin ? row.joined.get() : row.record.get();
        row.cells.push_back(column.value && from ? column.value(from) : std::string());
    }
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

int PagedList::fill(int n, bool down)
{
    if (!m_source || m_failed)
        return -1;
    if (!m_rows.empty()) {
        const BrowseRow &edge = down ? m_rows.back() : m_rows.front();
        // The edge row counts as read: the next read returns its neighbour.
        if (Status status = m_source->seek(edge.position, false); !status.ok()) {
            fail(status);
            return -1;
        }
    }
    for (int i = 0; i < n; ++i) {
        if (!readOne(down))
            return m_failed ? -1 : n - i;
        addRow(down);
    }
    return 0;
}

void PagedList::rebuild(Mode mode)
{
    if (!m_source || m_failed)
        return;
    m_host.setBusy(true);
    RowPosition saved;
    if (mode == Mode::AtCurrent) {
        saved = m_source->position();
        (void)m_source->seek(saved, true);
    } else if (mode == Mode::KeepPage && !m_rows.empty()) {
        int row = std::clamp(m_current, 1, static_cast<int>(m_rows.size()));
        saved = m_rows[static_cast<std::size_t>(row - 1)].position;
        (void)m_source->seek(m_rows.front().position, true);
    } else {
        m_source->seekStart();
    }
    m_rows.clear();
    int unread = fill(items(), mode != Mode::FromEnd);
    if (unread > 0 && saved.isValid() && !m_rows.empty())
        unread = fill(unread, mode == Mode::FromEnd);
    if (unread >= 0)
        highlight(saved, mode);
    // A failure handler may have closed the list.
    if (m_source)
        m_source->release();
    m_host.setBusy(false);
    newSelection();
}

void PagedList::highlight(const RowPosition &saved, Mode mode)
{
    const int count = static_cast<int>(m_rows.size());
    if (count == 0) {
        m_current = 0;
        if (m_onHighlight)
            m_onHighlight(nullptr);
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

void PagedList::newSelection()
{
    if (m_failed)
        return;
    if (m_current > 0 && m_onHighlight)
        m_onHighlight(current());
    m_scrollBarVisible = static_cast<int>(m_rows.size()) >= items();
    if (m_scrollBarVisible && m_current > 0 && m_locator)
        m_thumb = m_locator->thumb(current()->record.get(), current()->position);
    m_host.pageChanged();
}

void PagedList::probeAndRebuild()
{
    if (readOne(true))
        rebuild(Mode::AtCurrent);
    else if (!m_failed)
        rebuild(Mode::FromEnd);
}

bool PagedList::reposition(const RowPosition &position)
{
    if (!m_source || m_failed)
        return false;
    if (!m_source->seek(position, true).ok())
        return false;
    probeAndRebuild();
    return true;
}

void PagedList::repositionAtKey(const void *row, int components)
{
    if (!m_source || m_failed)
        return;
    m_source->seekKey(row, components);
    probeAndRebuild();
}

void PagedList::clear()
{
    m_rows.clear();
    m_current = 0;
}

void PagedList::eraseRow(int row)
{
    if (row >= 1 && row <= static_cast<int>(m_rows.size()))
        m_rows.erase(m_rows.begin() + (row - 1));
}

void PagedList::lineUp()
{
    if (m_current > 1)
        --m_current;
    else if (m_current == 1)
        fill(1, false);
    newSelection();
}

void PagedList::lineDown()
{
    if (m_current > 0 && m_current < static_cast<int>(m_rows.size()))
        ++m_current;
    else if (m_current > 0)
        fill(1, true);
    newSelection();
}

void PagedList::pageUp()
{
    if (m_current == 0)
        return;
    int unread = fill(items(), false);
    if (unread > 0)
        m_current = std::max(1, m_current - unread);
    newSelection();
}

void PagedList::pageDown()
{
    if (m_current == 0)
        return;
    int unread = fill(items(), true);
    if (unread > 0)
        m_current = std::min(static_cast<int>(m_rows.size()), m_current + unread);
    newSelection();
}

void PagedList::top()
{
    m_rows.clear();
    rebuild(Mode::FirstFill);
}

void PagedList::bottom()
{
    m_rows.clear();
    rebuild(Mode::FromEnd);
}

void PagedList::move(ListMove move)
{
    switch (move) {
    case ListMove::LineUp:
        return lineUp();
    case ListMove::LineDown:
        return lineDown();
    case ListMove::PageUp:
        return pageUp();
    case ListMove::PageDown:
        return pageDown();
    case ListMove::Top:
        return top();
    case ListMove::Bottom:
        return bottom();
    }
}

void PagedList::thumbTo(int position)
{
    if (position <= 1) {
        top();
        return;
    }
    if (position >= 100) {
        bottom();
        return;
    }
    if (!m_source || m_failed || !m_locator)
        return;
    const void *at = m_current > 0 ? current()->record.get() : nullptr;
    if (m_locator->seekThumb(*m_source, position, at))
        probeAndRebuild();
}

bool PagedList::locate(std::string_view typed)
{
    if (typed.empty() || typed.front() == ' ' || static_cast<unsigned char>(typed.front()) < 32 ||
        typed.front() == 127)
        return false;
    return locateText(typed);
}

bool PagedList::locateText(std::string_view text)
{
    if (!m_source || m_failed || m_rows.empty() || !m_locator)
        return false;
    const void *at = m_current > 0 ? current()->record.get() : nullptr;
    if (!m_locator->seekTyped(*m_source, text, at))
        return false;
    probeAndRebuild();
    return true;
}

void PagedList::setCurrentRow(int row)
{
    if (row >= 1 && row <= static_cast<int>(m_rows.size()) && row != m_current) {
        m_current = row;
        newSelection();
    }
}

// ---------------------------------------------------------------------------
// The incremental locator

bool IncrementalLocator::type(std::string_view character)
{
    const auto first = character.empty() ? 0 : static_cast<unsigned char>(character.front());
    // Control characters and DEL are keys, not text.
    if (utf8Length(character) != 1 || first < 32 || first == 127 ||
        utf8Length(m_text) >= m_capacity || m_list.rows().empty())
        return false;
    m_text += character;
    m_list.locateText(m_text);
    return true;
}

bool IncrementalLocator::backspace()
{
    if (m_text.empty() || m_list.rows().empty())
        return false;
    m_text.resize(utf8Prefix(m_text, utf8Length(m_text) - 1).size());
    m_list.locateText(m_text);
    return true;
}

} // namespace korvalen
