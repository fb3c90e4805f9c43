#pragma once

// The conflict check of an occurrence about to be saved: against the special
// periods (holidays) and against the other activities of its participants.
// Plain code without windows; the conflict window is shown through
// ConflictHost. The check never writes a file.

#include "schedulelogic/occurrences.h"
#include "storage/datafiles.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace korvalen {

// The user's decision on one collision.
enum class ConflictChoice : std::uint8_t
{
    Accept = 0,    // accept this conflict
    AcceptAll = 1, // accept this and every later conflict of this save
    Skip = 2,      // do not schedule this date, go on with the next
    Stop = 3,      // stop, keep what was accepted so far
    Cancel = 4     // cancel, write nothing
};

// One collision to show.
struct Collision
{
    bool specialPeriod = false;
    SpecialRecord period;    // when specialPeriod
    ActivityRecord activity; // otherwise: the colliding activity
    DatesRecord occurrence;  // and its colliding occurrence
};

// What shows a collision and asks for the decision: the conflict window.
class ConflictHost
{
public:
    virtual ~ConflictHost() = default;
    // Shows `collision` (with Skip and Stop offered only when
    // `seriesCheck`) and returns the decision; nothing when the window was
    // closed without one (the choice then stays as it was).
    virtual std::optional<ConflictChoice> show(const Collision &collision, bool seriesCheck) = 0;
    // A read of `fileName` failed with `status`: the scan goes on as at the
    // end of that file. Called at most once per ConflictCheck.
    virtual void readFailed(std::string_view fileName, const Status &status) = 0;
};

// The checks of one save (one OK of the activity form). Special periods and
// the participants of each colliding activity are read once per save.
// The files SPECIAL, DATES, PERSONACT and ACTIVITY must be open; the shared
// record buffers of those files are as they were after each check.
class ConflictCheck
{
public:
    ConflictCheck(AppData &data, const ParticipantQueue &participants, ConflictHost &host);

    // Checks `entry` and leaves the decision in choice(): a choice other than
    // AcceptAll is reset to Accept first. Special periods containing the date
    // (both ends included) come first, in SPE:DATE_KEY order; then every
    // occurrence of another activity on that date whose displayed minutes
    // overlap and that shares a participant, in order of start and end time.
    // Stops at the first decision other than Accept. Nothing is shown once
    // the choice is AcceptAll.
    ConflictChoice check(const Occurrence &entry, bool seriesCheck);

    ConflictChoice choice() const { return m_choice; }
    void resetChoice() { m_choice = ConflictChoice::Accept; }

private:
    // The periods of SPECIAL in SPE:DATE_KEY order, read at the first call.
    const std::vector<SpecialRecord> &periods();
    // The persons of PERSONACT taking part in `actNumber`, read at the
    // first call for that number.
    const std::vector<Text<10>> &peopleOf(std::int32_t actNumber);
    bool sharesParticipant(std::int32_t actNumber);
    // ACTIVITY's record of `actNumber` (its number alone when there is none).
    ActivityRecord activityOf(std::int32_t actNumber);
    // Steps 2 and 4 of a check; true when a decision other than Accept ended it.
    bool checkPeriods(Date date, bool seriesCheck);
    void checkActivities(const Occurrence &entry, bool seriesCheck);
    // Shows `collision` and keeps the decision; true unless it is Accept.
    bool decide(const Collision &collision, bool seriesCheck);
    void reportFailure(const DataFile &file, const Status &status);

    AppData &m_data;
    const ParticipantQueue &m_participants;
    ConflictHost &m_host;
    ConflictChoice m_choice = ConflictChoice::Accept;
    bool m_readFailed = false;
    std::optional<std::vector<SpecialRecord>> m_periods;
    std::map<std::int32_t, std::vector<Text<10>>> m_peopleOf;
};

// Whether two occurrences' times collide: their displayed minutes overlap.
// Times are compared at the minute ((t - 1) / 6000); an end time of 0 never
// collides; touching occurrences (one ends when the other starts) do not.
bool timesOverlap(ClockTime start, ClockTime end, ClockTime otherStart, ClockTime otherEnd);

} // namespace korvalen
