#pragma once

// The week as the calendar screens and reports count it, and the people
// line an occurrence shows: its first participant, and whether there are
// more.

#include "runtime/dates.h"
#include "storage/datafiles.h"
#include "storage/table.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace korvalen {

// The Monday of the week holding `date`: a Sunday belongs to the week that
// began the Monday before.
Date mondayOf(Date date);

// The people line of an occurrence: `firstPerson` (blanks cut off the end)
// followed by "  +" when `participants` is more than one, blank for none.
std::string participantsText(std::string_view firstPerson, int participants);

// Reads the people line of an activity from PERSONACT: its first
// participant in PER:ACTIVITY_KEY order and whether there is a second,
// never more. Leaves the file's buffer and current record alone. `file`
// must stay open while the reader lives.
class ParticipantsReader
{
public:
    explicit ParticipantsReader(DataFile &personAct);
    // Blank when a read fails.
    std::string textOf(std::int32_t actNumber);

private:
    TypedCursor<PersonActRecord> m_cursor;
};

} // namespace korvalen
