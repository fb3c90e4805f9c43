#include "storage/cursor.h"

#include "storage/datafile.h"
#include "storage/engine.h"
#include "storage/recordcodec.h"

namespace korvalen {

namespace {

void noDelete(void *) {}

} // namespace

Cursor::Cursor(DataFile &file, int key)
    : m_file(file), m_db(file.database()), m_key(key), m_rangeLow(nullptr, noDelete),
      m_rangeHigh(nullptr, noDelete),
      m_anchorRecord(file.def().codec->create(), file.def().codec->destroy),
      m_scratch(file.def().codec->create(), file.def().codec->destroy)
{
}

Cursor::~Cursor()
{
    release();
}

void Cursor::release()
{
    if (m_live) {
        sqlite3_reset(m_live->get());
        m_live = nullptr;
        m_livePhase = Phase::None;
    }
    m_db.unregisterLiveCursor(this);
}

void Cursor::invalidate()
{
    release();
    m_statements.clear();
}

int Cursor::componentCount() const
{
    return m_file.keyComponentCount(m_key);
}

void Cursor::setKey(int key)
{
    if (key != m_key) {
        invalidate();
        m_key = key;
        clearRange();
    }
    setStart();
}

void Cursor::setRangeEqual(int components, const void *record)
{
    invalidate();
    const RecordCodec &codec = *m_file.def().codec;
    m_rangeLow = {codec.create(), codec.destroy};
    codec.assign(m_rangeLow.get(), record);
    m_rangeHigh = {nullptr, noDelete};
    m_rangeEqual = components;
    m_rangeBetween = false;
}

void Cursor::setRangeBetween(int components, const void *low, const void *high)
{
    invalidate();
    const RecordCodec &codec = *m_file.def().codec;
    m_rangeLow = {codec.create(), codec.destroy};
    codec.assign(m_rangeLow.get(), low);
    m_rangeHigh = {codec.create(), codec.destroy};
    codec.assign(m_rangeHigh.get(), high);
    m_rangeEqual = components - 1;
    m_rangeBetween = true;
}

void Cursor::clearRange()
{
    invalidate();
    m_rangeLow = {nullptr, noDelete};
    m_rangeHigh = {nullptr, noDelete};
    m_rangeEqual = 0;
    m_rangeBetween = false;
}

void Cursor::setStart()
{
    release();
    m_anchor = Anchor::Start;
    m_anchorNumber = 0;
}

void Cursor::setAt(const void *record, int components)
{
    release();
    int count = componentCount();
    if (components < 0 || components > count)
        components = count;
    if (components == 0) {
        setStart();
        return;
    }
    m_file.def().codec->assign(m_anchorRecord.get(), record);
    m_anchor = Anchor::Values;
    m_anchorComponents = components;
    m_anchorNumber = 0;
}

Status Cursor::reset(const Position &position, bool onRecord)
{
    release();
    if (!position.isValid() || position.key() != m_key)
        return Status(ErrorCode::RecordNotFound, standardMessage(ErrorCode::RecordNotFound));
    m_file.def().codec->assign(m_anchorRecord.get(), position.m_record.get());
    m_anchor = onRecord ? Anchor::At : Anchor::After;
    m_anchorNumber = position.recordNumber();
    return {};
}

Position Cursor::position() const
{
    Position position;
    if (m_anchor != Anchor::After && m_anchor != Anchor::At)
        return position;
    position.m_key = m_key;
    position.m_recordNumber = m_anchorNumber;
    const RecordCodec &codec = *m_file.def().codec;
    void *copy = codec.create();
    codec.assign(copy, m_anchorRecord.get());
    position.m_record = std::shared_ptr<const void>(copy, codec.destroy);
    return position;
}

Status Cursor::next()
{
    return m_db.remember(read(true, nullptr));
}

Status Cursor::previous()
{
    return m_db.remember(read(false, nullptr));
}

Status Cursor::next(void *record)
{
    return m_db.remember(read(true, record));
}

Status Cursor::previous(void *record)
{
    return m_db.remember(read(false, record));
}

Status Cursor::read(bool forward, void *into)
{
    if (!m_file.isOpen())
        return Status(ErrorCode::FileNotOpen, standardMessage(ErrorCode::FileNotOpen));
    if (!m_live || m_liveForward != forward) {
        Status status = begin(forward);
        if (!status.ok())
            return status;
    }
    const RecordCodec &codec = *m_file.def().codec;
    for (;;) {
        sqlite3_stmt *live = m_live->get();
        int rc = sqlite3_step(live);
        if (rc == SQLITE_ROW) {
            codec.load(*m_live, 2, m_scratch.get());
            if (m_filter && !m_filter(m_scratch.get()))
                continue;
            std::int64_t number = sqlite3_column_int64(live, 0);
            std::int64_t version = sqlite3_column_int64(live, 1);
            std::swap(m_anchorRecord, m_scratch);
            m_anchor = Anchor::After;
            m_anchorNumber = number;
            m_readNumber = number;
            m_readVersion = version;
            if (into)
                codec.assign(into, m_anchorRecord.get());
            else
                m_file.setCurrent(number, version, m_anchorRecord.get());
            return {};
        }
        if (rc == SQLITE_DONE && m_livePhase == Phase::SameKey) {
            // The records with the anchor's key values are done; go on
            // with the greater (or smaller) key values.
            Status status = beginPhase(Phase::Beyond, forward);
            if (!status.ok())
                return status;
            continue;
        }
        release();
        if (rc == SQLITE_DONE)
            return Status(ErrorCode::NoRecord, standardMessage(ErrorCode::NoRecord));
        return m_db.lastEngineError(rc, std::string(m_file.name()));
    }
}

Status Cursor::begin(bool forward)
{
    release();
    switch (m_anchor) {
    case Anchor::Start:
    case Anchor::Values:
        return beginPhase(Phase::Whole, forward);
    case Anchor::After:
    case Anchor::At:
        return beginPhase(componentCount() == 0 ? Phase::Whole : Phase::SameKey, forward);
    }
    return {};
}

// The SQL of one reading phase:
//  Whole    from the start, from key values (set) or past a record number
//           (record order);
//  SameKey  the records with the anchor's key values, past its record number;
//  Beyond   the records whose key values follow the anchor's.
// Each is one index seek; every one keeps to the range.
Statement *Cursor::statementFor(Phase phase, bool forward, bool inclusive, int components)
{
    int id = static_cast<int>(phase) * 1000 + static_cast<int>(m_anchor) * 100 + components * 10 +
             (inclusive ? 2 : 0) + (forward ? 1 : 0);
    auto found = m_statements.find(id);
    if (found != m_statements.end())
        return found->second.get();

    const int count = componentCount();
    const char *direction = forward ? "ASC" : "DESC";
    std::vector<std::string> where;
    auto tuple = [&](int n) {
        std::string list;
        for (int c = 0; c < n; ++c)
            list += (c ? ", " : "") + m_file.keyColumn(m_key, c);
        return "(" + list + ")";
    };
    auto placeholders = [&](int n) {
        std::string list;
        for (int c = 0; c < n; ++c)
            list += c ? ", ?" : "?";
        return "(" + list + ")";
    };
    std::string compare = forward ? (inclusive ? ">=" : ">") : (inclusive ? "<=" : "<");
    if (phase == Phase::Whole && m_anchor == Anchor::Values)
        where.push_back(tuple(components) + (forward ? " >= " : " <= ") + placeholders(components));
    if (phase == Phase::Whole && (m_anchor == Anchor::After || m_anchor == Anchor::At))
        where.push_back("recno " + compare + " ?");
    if (phase == Phase::SameKey) {
        for (int c = 0; c < count; ++c)
            where.push_back(m_file.keyColumn(m_key, c) + " = ?");
        where.push_back("recno " + compare + " ?");
    }
    if (phase == Phase::Beyond)
        where.push_back(tuple(count) + (forward ? " > " : " < ") + placeholders(count));
    for (int c = 0; c < m_rangeEqual; ++c)
        where.push_back(m_file.keyColumn(m_key, c) + " = ?");
    if (m_rangeBetween) {
        std::string column = m_file.keyColumn(m_key, m_rangeEqual);
        where.push_back(column + " >= ?");
        where.push_back(column + " <= ?");
    }

    std::string sql = "SELECT " + m_file.selectColumns() + " FROM " + m_file.schema() + ".rec";
    for (std::size_t i = 0; i < where.size(); ++i)
        sql += (i ? " AND " : " WHERE ") + where[i];
    sql += " ORDER BY ";
    for (int c = 0; c < count; ++c)
        sql += m_file.keyColumn(m_key, c) + " " + direction + ", ";
    sql += std::string("recno ") + direction;

    auto statement = std::make_unique<Statement>();
    if (!m_db.prepare(sql, *statement).ok())
        return nullptr;
    return m_statements.emplace(id, std::move(statement)).first->second.get();
}

int Cursor::bindRange(Statement &statement, int parameter) const
{
    for (int c = 0; c < m_rangeEqual; ++c)
        m_file.bindKeyComponent(statement, parameter++, m_rangeLow.get(), m_key, c);
    if (m_rangeBetween) {
        m_file.bindKeyComponent(statement, parameter++, m_rangeLow.get(), m_key, m_rangeEqual);
        m_file.bindKeyComponent(statement, parameter++, m_rangeHigh.get(), m_key, m_rangeEqual);
    }
    return parameter;
}

Status Cursor::beginPhase(Phase phase, bool forward)
{
    if (m_live)
        sqlite3_reset(m_live->get());
    const bool inclusive = m_anchor == Anchor::At;
    const int components = m_anchor == Anchor::Values ? m_anchorComponents : 0;
    Statement *statement = statementFor(phase, forward, inclusive, components);
    if (!statement) {
        release();
        return m_db.lastEngineError(sqlite3_errcode(engineHandle(m_db)),
                                    std::string(m_file.name()));
    }
    sqlite3_clear_bindings(statement->get());
    int parameter = 1;
    if (phase == Phase::Whole && m_anchor == Anchor::Values) {
        for (int c = 0; c < components; ++c)
            m_file.bindKeyComponent(*statement, parameter++, m_anchorRecord.get(), m_key, c);
    } else if (phase == Phase::Whole && m_anchor != Anchor::Start) {
        sqlite3_bind_int64(statement->get(), parameter++, m_anchorNumber);
    } else if (phase == Phase::SameKey) {
        for (int c = 0; c < componentCount(); ++c)
            m_file.bindKeyComponent(*statement, parameter++, m_anchorRecord.get(), m_key, c);
        sqlite3_bind_int64(statement->get(), parameter++, m_anchorNumber);
    } else if (phase == Phase::Beyond) {
        for (int c = 0; c < componentCount(); ++c)
            m_file.bindKeyComponent(*statement, parameter++, m_anchorRecord.get(), m_key, c);
    }
    bindRange(*statement, parameter);
    m_live = statement;
    m_liveForward = forward;
    m_livePhase = phase;
    m_db.registerLiveCursor(this);
    return {};
}

} // namespace korvalen
