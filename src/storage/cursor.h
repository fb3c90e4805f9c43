#pragma once

#include "storage/database.h"
#include "storage/status.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace korvalen {

class DataFile;
class Statement;

// Orders a file by record number instead of a key.
constexpr int kFileOrder = -1;

// Where a record stands in one order: the order, the record number and a
// copy of the record's key values. Resetting a cursor to it returns exactly
// that record (or, when it is gone, its neighbour in the order) without
// counting records. Cheap to copy.
class Position
{
public:
    Position() = default;
    bool isValid() const { return m_recordNumber != 0; }
    int key() const { return m_key; }
    std::int64_t recordNumber() const { return m_recordNumber; }

    friend bool operator==(const Position &a, const Position &b)
    {
        return a.m_key == b.m_key && a.m_recordNumber == b.m_recordNumber;
    }

private:
    friend class Cursor;
    friend class DataFile;
    int m_key = kFileOrder;
    std::int64_t m_recordNumber = 0;
    std::shared_ptr<const void> m_record; // the key values, as a record copy
};

// A traversal of one file in the order of one of its keys (or in record
// order), optionally limited to a key range on the leading components and
// a record filter. Reads fill the file's record buffer and make the record
// the file's current one, or, given a record of their own, fill that and
// leave the file as it was. Several cursors may walk one file at once; each remembers where it is
// by key values and record number, so writes between reads never make it skip or repeat a record.
// Non-copyable.
class Cursor
{
public:
    using Filter = std::function<bool(const void *record)>;

    Cursor(DataFile &file, int key);
    ~Cursor();
    Cursor(const Cursor &) = delete;
    Cursor &operator=(const Cursor &) = delete;

    DataFile &file() const { return m_file; }
    int key() const { return m_key; }
    // Changes the order; the cursor is set to its start.
    void setKey(int key);

    // Limits the traversal to records whose first `components` key
    // components equal those of `record`.
    void setRangeEqual(int components, const void *record);
    // Limits it to records whose first `components` - 1 components equal
    // those of `low`, and whose component number `components` lies between
    // that of `low` and that of `high`, both included.
    void setRangeBetween(int components, const void *low, const void *high);
    void clearRange();
    // Records for which `filter` is false are passed over.
    void setFilter(Filter filter) { m_filter = std::move(filter); }

    // The next read in either direction returns the first (next) or the
    // last (previous) record of the order.
    void setStart();
    // Positions at the key values of `record`'s first `components`
    // components (all when -1), the others taken as their lowest: next
    // returns the first record whose key is not less, previous the last
    // record whose key is not greater.
    void setAt(const void *record, int components = -1);
    // Positions at `position`: the next read in either direction returns
    // that record, or its neighbour when it is gone. With `onRecord` false,
    // the record counts as read: the next read returns its neighbour.
    Status reset(const Position &position, bool onRecord = true);

    // Read the next or previous record into the file's buffer: 33 at the
    // end or the start; an engine failure otherwise.
    Status next();
    Status previous();
    // As next() and previous(), but read into `record` (a record of the
    // file's type) alone: the file's buffer, its current record and its
    // pending watch stay as they were. On a failure `record` is unchanged.
    Status next(void *record);
    Status previous(void *record);

    // The position of the record read last (invalid before any read).
    Position position() const;
    // The record number and version of the record read last (0 before any
    // read): what a put or delete of that record names.
    std::int64_t recordNumber() const { return m_readNumber; }
    std::int64_t version() const { return m_readVersion; }

    // Resets the stepping statement, giving up its read lock. The cursor
    // keeps its place.
    void release();

private:
    enum class Anchor
    {
        Start,
        Values,
        After,
        At
    };
    enum class Phase
    {
        None,
        Whole,
        SameKey,
        Beyond
    };

    Status read(bool forward, void *into);
    Status begin(bool forward);
    Status beginPhase(Phase phase, bool forward);
    Statement *statementFor(Phase phase, bool forward, bool inclusive, int components);
    int bindRange(Statement &statement, int parameter) const;
    int componentCount() const;
    void invalidate();

    DataFile &m_file;
    Database &m_db;
    int m_key;
    Filter m_filter;

    int m_rangeEqual = 0; // leading components pinned to m_rangeLow's
    bool m_rangeBetween = false;
    std::unique_ptr<void, void (*)(void *)> m_rangeLow;
    std::unique_ptr<void, void (*)(void *)> m_rangeHigh;

    Anchor m_anchor = Anchor::Start;
    int m_anchorComponents = 0;
    std::unique_ptr<void, void (*)(void *)> m_anchorRecord;
    std::int64_t m_anchorNumber = 0;
    std::int64_t m_readNumber = 0;
    std::int64_t m_readVersion = 0;
    std::unique_ptr<void, void (*)(void *)> m_scratch;

    Statement *m_live = nullptr; // the stepping statement, one of m_statements
    bool m_liveForward = true;
    Phase m_livePhase = Phase::None;
    std::map<int, std::unique_ptr<Statement>> m_statements;
};

} // namespace korvalen
