#pragma once

// The activity form's two working lists: the occurrences of the activity
// being edited and the people taking part. Plain data without windows, owned
// by one form and lent to the repeat dialog and the conflict check.

#include "runtime/dates.h"
#include "runtime/text.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvalen {

// One dated occurrence, as it will be stored in DATES.
struct Occurrence
{
    std::int32_t actNumber = 0;
    Date date = 0;
    ClockTime time = 0;
    ClockTime endTime = 0;

    friend auto operator<=>(const Occurrence &, const Occurrence &) = default;
};

// The occurrences of one activity, in ascending order of (activity number,
// date, start time, end time). Equal entries are kept: an insertion goes
// after its equals. Besides the list it has one current entry, the values
// the date and time fields of the form and the repeat dialog show.
class OccurrenceQueue
{
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Sorted insertion; returns the index the entry took.
    std::size_t insert(const Occurrence &entry);
    // The index of the first entry equal to `entry`, or npos.
    std::size_t find(const Occurrence &entry) const;
    // Where `entry` would go: the index of the first entry not less than it.
    std::size_t lowerBound(const Occurrence &entry) const;
    void removeAt(std::size_t index);
    // Removes the entries from `index` to the end.
    void truncate(std::size_t index);
    // Removes every entry dated on or after `date`, whatever its number.
    void removeFrom(Date date);
    // Writes `entry` over the entry at `index`, which keeps its place.
    void overwrite(std::size_t index, const Occurrence &entry);
    void clear() { m_entries.clear(); }

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    const Occurrence &operator[](std::size_t index) const { return m_entries[index]; }
    const std::vector<Occurrence> &entries() const { return m_entries; }

    Occurrence current;

private:
    std::vector<Occurrence> m_entries;
};

// One person taking part in an activity, as it will be stored in PERSONACT.
struct Participant
{
    std::int32_t actNumber = 0;
    Text<10> person;

    friend bool operator==(const Participant &, const Participant &) = default;
};

// The participants of one activity, in ascending order of (activity number,
// person); persons compare byte for byte, trailing blanks ignored.
class ParticipantQueue
{
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Sorted insertion unless an equal entry is in the list already;
    // returns whether it was added.
    bool insertUnique(const Participant &entry);
    // Sorted insertion, duplicates kept.
    std::size_t insert(const Participant &entry);
    std::size_t find(const Participant &entry) const;
    bool contains(const Participant &entry) const { return find(entry) != npos; }
    void removeAt(std::size_t index);
    bool remove(const Participant &entry);
    // Gives every entry the activity number `actNumber` (order is kept,
    // since all entries share one number).
    void renumber(std::int32_t actNumber);
    void clear() { m_entries.clear(); }

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    const Participant &operator[](std::size_t index) const { return m_entries[index]; }
    const std::vector<Participant> &entries() const { return m_entries; }

private:
    std::vector<Participant> m_entries;
};

} // namespace korvalen
