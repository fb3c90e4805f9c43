#include "ui/rowsource.h"

#include "storage/datafile.h"
#include "storage/recordcodec.h"

namespace korvalen {

namespace {

std::shared_ptr<void> recordCopy(const DataFile &file, const void *record)
{
    const RecordCodec *codec = file.def().codec;
    std::shared_ptr<void> copy(codec->create(), codec->destroy);
    if (record)
        codec->assign(copy.get(), record);
    return copy;
}

} // namespace

KeyedRowSource::KeyedRowSource(DataFile &file, int key, int filterCap)
    : m_file(file), m_key(key), m_filterCap(filterCap), m_cursor(file, key)
{
}

KeyedRowSource::~KeyedRowSource() = default;

void KeyedRowSource::setJoin(RowJoin join)
{
    m_join = std::move(join);
    m_joined = m_join.file ? recordCopy(*m_join.file, nullptr) : nullptr;
}

void KeyedRowSource::seekStart()
{
    m_filterReads = 0;
    m_cursor.setStart();
}

void KeyedRowSource::seekKey(const void *row, int components)
{
    m_filterReads = 0;
    m_cursor.setAt(row, components);
}

Status KeyedRowSource::seek(const RowPosition &position, bool onRow)
{
    m_filterReads = 0;
    return m_cursor.reset(position.key, onRow);
}

Status KeyedRowSource::next()
{
    return finishRead(m_cursor.next());
}

Status KeyedRowSource::previous()
{
    return finishRead(m_cursor.previous());
}

Status KeyedRowSource::finishRead(Status status)
{
    if (m_filterCapped) {
        // The filter looked at all it may: the view ends here.
        m_filterCapped = false;
        return Status(ErrorCode::NoRecord, "");
    }
    if (status.ok())
        readJoined();
    return status;
}

void KeyedRowSource::readJoined()
{
    if (!m_join.file)
        return;
    DataFile &other = *m_join.file;
    const RecordCodec &codec = *other.def().codec;
    // The other file's buffer is its callers' hand-off: it is left as found.
    std::shared_ptr<void> kept = recordCopy(other, other.buffer());
    codec.clear(other.buffer());
    m_join.setKey(m_file.buffer(), other.buffer());
    if (other.get(m_join.key).ok())
        codec.assign(m_joined.get(), other.buffer());
    else
        codec.clear(m_joined.get());
    codec.assign(other.buffer(), kept.get());
}

RowPosition KeyedRowSource::position() const
{
    return {m_cursor.position(), 0};
}

const void *KeyedRowSource::row() const
{
    return m_file.buffer();
}

const void *KeyedRowSource::joined() const
{
    return m_joined.get();
}

std::shared_ptr<void> KeyedRowSource::copyRow(const void *row) const
{
    return recordCopy(m_file, row);
}

std::shared_ptr<void> KeyedRowSource::copyJoined(const void *joined) const
{
    return m_join.file ? recordCopy(*m_join.file, joined) : nullptr;
}

void KeyedRowSource::setRange(Range range)
{
    m_cursor.clearRange();
    if (range)
        range(m_cursor);
    m_cursor.setStart();
}

void KeyedRowSource::setFilter(Filter filter)
{
    m_filter = std::move(filter);
    if (!m_filter) {
        m_cursor.setFilter({});
        return;
    }
    m_cursor.setFilter([this](const void *record) {
        if (++m_filterReads > m_filterCap) {
            m_filterCapped = true;
            return true;
        }
        return m_filter(record);
    });
    m_cursor.setStart();
}

void KeyedRowSource::release()
{
    m_cursor.release();
}

} // namespace korvalen
