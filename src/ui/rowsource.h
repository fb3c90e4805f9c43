#pragma once

// Row sources: what a paged list reads its rows from. A source is a
// traversal in one order, read a row at a time in either direction from a
// place it was set to, like a cursor:
//
//   source.seekStart();
//   while (source.next().ok())
//       use(source.row(), source.joined());
//
// KeyedRowSource reads one file in the order of one of its keys, within a
// key range and through a filter, and may add to each row the record of
// another file that the row names (a join). MemoryRowSource reads a vector
// the caller keeps in memory.

#include "storage/cursor.h"
#include "storage/status.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace korvalen {

class DataFile;

// Where a row stands in its source: a keyed position for a keyed source, a
// row number (1 to n) for an in-memory one. Cheap to copy.
struct RowPosition
{
    Position key;
    std::int64_t index = 0;

    bool isValid() const { return key.isValid() || index > 0; }
    // The record number of a keyed row; 0 for an in-memory one.
    std::int64_t recordNumber() const { return key.recordNumber(); }
    friend bool operator==(const RowPosition &a, const RowPosition &b)
    {
        return a.key == b.key && a.index == b.index;
    }
};

class RowSource
{
public:
    // Limits a keyed source to a key range, e.g. cursor.setRangeEqual(1, &pinned).
    using Range = std::function<void(Cursor &cursor)>;
    // Rows for which it is false are passed over.
    using Filter = std::function<bool(const void *row)>;

    virtual ~RowSource() = default;

    // The next read in either direction returns the first (next) or the
    // last (previous) row.
    virtual void seekStart() = 0;
    // Positions at the first `components` key values of `row` (a row of
    // this source's type): next returns the first row not less, previous
    // the last row not greater. A source without keys seeks its start.
    virtual void seekKey(const void *row, int components) = 0;
    // Positions at `position`: the next read in either direction returns
    // that row, or its neighbour when it is gone. With `onRow` false the
    // row counts as read: the next read returns its neighbour.
    virtual Status seek(const RowPosition &position, bool onRow) = 0;
    // Read the next or previous row: 33 past either end; another code when
    // the read failed.
    virtual Status next() = 0;
    virtual Status previous() = 0;
    // The row read last: its position, the row and the joined record
    // (nullptr without a join). Valid until the next read or seek.
    virtual RowPosition position() const = 0;
    virtual const void *row() const = 0;
    virtual const void *joined() const { return nullptr; }
    // A copy of `row` (a row of this source's type), or a new blank row for
    // nullptr; the same for joined records.
    virtual std::shared_ptr<void> copyRow(const void *row) const = 0;
    virtual std::shared_ptr<void> copyJoined(const void *) const { return {}; }

    // Replaces the key range (a source without keys ignores it) or the
    // filter. The next read starts from the start.
    virtual void setRange(Range range) = 0;
    virtual void setFilter(Filter filter) = 0;
    // Gives up whatever the source holds between reads (a read lock).
    virtual void release() {}
};

// Adds to each row of a keyed source the record of `file` whose key `key`
// matches: `setKey` copies the row's values into the key fields of a blank
// record of `file`. A row that names no record gets a blank one.
struct RowJoin
{
    DataFile *file = nullptr;
    int key = 0;
    std::function<void(const void *row, void *joinedKey)> setKey;
};

// One file in the order of one of its keys. Rows are the file's records,
// read into its record buffer. A filter looks at no more than `filterCap`
// records from one seek on; past that the source ends there, so a filter
// that no key range expresses never reads a whole large file for one page.
class KeyedRowSource : public RowSource
{
public:
    // `file` (open) must outlive the source.
    KeyedRowSource(DataFile &file, int key, int filterCap = 2000);
    ~KeyedRowSource() override;

    DataFile &file() const { return m_file; }
    int key() const { return m_key; }
    void setJoin(RowJoin join);

    void seekStart() override;
    void seekKey(const void *row, int components) override;
    Status seek(const RowPosition &position, bool onRow) override;
    Status next() override;
    Status previous() override;
    RowPosition position() const override;
    const void *row() const override;
    const void *joined() const override;
    std::shared_ptr<void> copyRow(const void *row) const override;
    std::shared_ptr<void> copyJoined(const void *joined) const override;
    void setRange(Range range) override;
    void setFilter(Filter filter) override;
    void release() override;

private:
    Status finishRead(Status status);
    void readJoined();

    DataFile &m_file;
    const int m_key;
    const int m_filterCap;
    Cursor m_cursor;
    Filter m_filter;
    int m_filterReads = 0;
    bool m_filterCapped = false;
    RowJoin m_join;
    std::shared_ptr<void> m_joined;
};

// The rows of a vector held in memory, in its order; rows are numbered 1 to
// n. The vector must outlive the source; when it changes size, seek again.
template <class Row> class MemoryRowSource : public RowSource
{
public:
    explicit MemoryRowSource(const std::vector<Row> &rows) : m_rows(rows) {}

    void seekStart() override { m_anchor = 0, m_onRow = false, m_fromStart = true; }
    void seekKey(const void *, int) override { seekStart(); }
    Status seek(const RowPosition &position, bool onRow) override
    {
        m_anchor = position.index;
        m_onRow = onRow;
        m_fromStart = false;
        return Status::success();
    }
    Status next() override { return step(1); }
    Status previous() override { return step(-1); }
    RowPosition position() const override { return {{}, m_read}; }
    const void *row() const override
    {
        return m_read > 0 ? &m_rows[static_cast<std::size_t>(m_read - 1)] : nullptr;
    }
    std::shared_ptr<void> copyRow(const void *row) const override
    {
        return row ? std::make_shared<Row>(*static_cast<const Row *>(row))
                   : std::make_shared<Row>();
    }
    void setRange(Range) override { seekStart(); }
    void setFilter(Filter filter) override
    {
        m_filter = std::move(filter);
        seekStart();
    }

private:
    Status step(int direction)
    {
        const auto count = static_cast<std::int64_t>(m_rows.size());
        std::int64_t at = m_anchor;
        if (m_fromStart)
            at = direction > 0 ? 1 : count;
        else if (!m_onRow)
            at += direction;
        else
            at = std::clamp<std::int64_t>(at, direction > 0 ? 1 : 0,
                                          direction > 0 ? count + 1 : count);
        for (; at >= 1 && at <= count; at += direction) {
            if (!m_filter || m_filter(&m_rows[static_cast<std::size_t>(at - 1)]))
                break;
        }
        if (at < 1 || at > count)
            return Status(ErrorCode::NoRecord, "");
        m_read = m_anchor = at;
        m_onRow = m_fromStart = false;
        return Status::success();
    }

    const std::vector<Row> &m_rows;
    Filter m_filter;
    std::int64_t m_anchor = 0;
    std::int64_t m_read = 0;
    bool m_onRow = false;
    bool m_fromStart = true;
};

} // namespace korvalen
