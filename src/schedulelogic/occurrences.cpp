#include "schedulelogic/occurrences.h"

#include <algorithm>

namespace korvalen {

std::size_t OccurrenceQueue::insert(const Occurrence &entry)
{
    // Series are generated in order: appending is the common case.
    if (m_entries.empty() || !(entry < m_entries.back())) {
        m_entries.push_back(entry);
        return m_entries.size() - 1;
    }
    const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), entry);
    const auto inserted = m_entries.insert(at, entry);
    return static_cast<std::size_t>(inserted - m_entries.begin());
}

std::size_t OccurrenceQueue::lowerBound(const Occurrence &entry) const
{
    return static_cast<std::size_t>(std::lower_bound(m_entries.begin(), m_entries.end(), entry) -
                                    m_entries.begin());
}

std::size_t OccurrenceQueue::find(const Occurrence &entry) const
{
    const std::size_t at = lowerBound(entry);
    if (at < m_entries.size() && m_entries[at] == entry)
        return at;
    // An entry overwritten in place may stand out of order.
    const auto it = std::find(m_entries.begin(), m_entries.end(), entry);
    return it == m_entries.end() ? npos : static_cast<std::size_t>(it - m_entries.begin());
}

void OccurrenceQueue::removeAt(std::size_t index)
{
    if (index < m_entries.size())
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
}

void OccurrenceQueue::truncate(std::size_t index)
{
    if (index < m_entries.size())
        m_entries.resize(index);
}

void OccurrenceQueue::removeFrom(Date date)
{
    std::erase_if(m_entries, [date](const Occurrence &entry) { return entry.date >= date; });
}

void OccurrenceQueue::overwrite(std::size_t index, const Occurrence &entry)
{
    if (index < m_entries.size())
        m_entries[index] = entry;
}

namespace {

bool lessParticipant(const Participant &a, const Participant &b)
{
    if (a.actNumber != b.actNumber)
        return a.actNumber < b.actNumber;
    return a.person.view() < b.person.view();
}

} // namespace

std::size_t ParticipantQueue::insert(const Participant &entry)
{
    const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), entry, lessParticipant);
    const auto inserted = m_entries.insert(at, entry);
    return static_cast<std::size_t>(inserted - m_entries.begin());
}

bool ParticipantQueue::insertUnique(const Participant &entry)
{
    if (contains(entry))
        return false;
    insert(entry);
    return true;
}

std::size_t ParticipantQueue::find(const Participant &entry) const
{
    const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), entry, lessParticipant);
    return at != m_entries.end() && *at == entry ? static_cast<std::size_t>(at - m_entries.begin())
                                                 : npos;
}

void ParticipantQueue::removeAt(std::size_t index)
{
    if (index < m_entries.size())
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
}

bool ParticipantQueue::remove(const Participant &entry)
{
    const std::size_t at = find(entry);
    if (at == npos)
        return false;
    removeAt(at);
    return true;
}

void ParticipantQueue::renumber(std::int32_t actNumber)
{
    for (Participant &entry : m_entries)
        entry.actNumber = actNumber;
}

} // namespace korvalen
