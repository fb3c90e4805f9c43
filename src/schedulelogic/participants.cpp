#include "schedulelogic/participants.h"

namespace korvalen {

using namespace keys;

Date mondayOf(Date date)
{
    const int weekday = weekdayOf(date);
    return weekday == 0 ? date - 6 : date - (weekday - 1);
}

std::string participantsText(std::string_view firstPerson, int participants)
{
    if (participants <= 0)
        return {};
    while (!firstPerson.empty() && firstPerson.back() == ' ')
        firstPerson.remove_suffix(1);
    std::string text(firstPerson);
    // Counted, not looked for: a short name may hold a "+" of its own.
    if (participants > 1)
        text += "  +";
    return text;
}

ParticipantsReader::ParticipantsReader(DataFile &personAct) : m_cursor(personAct, PER_ACTIVITY_KEY)
{
}

std::string ParticipantsReader::textOf(std::int32_t actNumber)
{
    PersonActRecord probe;
    probe.ACTNUMBER = actNumber;
    m_cursor.setRangeEqual(1, probe);
    m_cursor.setStart();
    std::string first;
    int count = 0;
    while (count < 2 && m_cursor.next().ok()) {
        if (count++ == 0)
            first = m_cursor.record().PERSON.str();
    }
    m_cursor.release();
    return participantsText(first, count);
}

} // namespace korvalen
