#pragma once

// The working state of one activity form and the rules it edits by: the
// activity record (its notes included), its occurrences, its participants,
// what changed since the form opened, and the saves of a new and of a
// changed activity. Plain code without windows; the form shows it.

#include "schedulelogic/occurrences.h"
#include "storage/datafiles.h"
#include "storage/saveresult.h"

#include <cstddef>
#include <vector>

namespace korvalen {

class Prompter;

class ActivityEdit
{
public:
    // The activity being edited; ACT:NOTES holds the notes.
    ActivityRecord activity;
    // Every occurrence; `current` is the edited occurrence, the one the
    // form's date and time fields show.
    OccurrenceQueue occurrences;
    ParticipantQueue participants;
    // Where the edited occurrence stands in `occurrences` (npos: not yet).
    std::size_t position = OccurrenceQueue::npos;
    // The edited occurrence's values when the form opened.
    Occurrence opening;
    // The activity as it was when the form opened (for the discard question
    // and for what a change touched).
    ActivityRecord entryCopy;
    // The stored activity of a change: number and watched version.
    RecordRef stored;

    bool dateChanged = false;
    bool timeChanged = false;
    bool peopleChanged = false;

    // A new activity: blank, "No Repeats", the number after the highest on
    // file (a provisional one: the save takes the number anew), one
    // occurrence without date starting at `startTime`.
    Status primeNew(AppData &data, ClockTime startTime);
    // The stored activity `selected.ACTNUMBER` (read watched into the
    // ACTIVITY buffer by the caller, whose current record it is) with every
    // occurrence and participant of it; `selected` is the occurrence the
    // form was opened on. A failed read returns its status (35 ...).
    Status loadForChange(AppData &data, const ActivityRecord &stored, const RecordRef &ref,
                         const DatesRecord &selected);

    // The edited occurrence's fields, accepted: set the changed flags of a
    // change when the value differs from its opening value.
    void acceptDate(Date date);
    void acceptStart(ClockTime time);
    void acceptEnd(ClockTime time);

    // Whether the edited occurrence's end time is not after its start time.
    bool endNotAfterStart() const;
    // Makes the end time the start time plus `duration`, at most the last
    // hundredth of the day.
    void correctEnd(ClockTime duration);
    // Writes the edited occurrence over its entry, or adds it when it has
    // none yet. The entry keeps its place.
    void writeEditedOccurrence();
    // Looks the edited occurrence up again after the repeat dialog changed
    // the list, and makes it the current entry.
    void retakePosition(const Occurrence &edited);

    bool repeatEnabled() const;
    bool okEnabled() const;
    // Whether the discard question is to be asked: the activity or its notes
    // differ from the entry copy, or people were inserted or deleted.
    bool hasUnsavedChanges() const;
    // Whether only the edited occurrence's date may have changed: name,
    // notes and group as opened, no time or people changed.
    bool onlyOccurrenceDateChanged() const;

    // The people picked (in their order) who do not take part yet join.
    void addPeople(const std::vector<Text<10>> &people);
    void removeParticipantAt(std::size_t index);
    // Every member of `group` (GROUPPEOPLE, from the lowest member on, the
    // group name byte for byte) joins, or leaves. The file must be open.
    Status addGroup(AppData &data, const Text<10> &group);
    Status removeGroup(AppData &data, const Text<10> &group);

    // Gives every occurrence of the series the edited occurrence's times
    // (the "All" change of a series whose times changed).
    void applyTimesToAll();
};

// Stores a new activity: the number after the highest on file, taken inside
// the save, the activity, its occurrences and its participants, in one
// transaction across ACTIVITY, DATES and PERSONACT. On success `edit` carries
// the number stored. On failure nothing is stored.
SaveResult saveNewActivity(AppData &data, Prompter &prompter, ActivityEdit &edit);

// Stores a changed activity: the put of the activity (failing when another
// station changed it since it was read), then its occurrences and
// participants replaced by the form's lists; one transaction. On failure
// nothing is stored.
SaveResult saveChangedActivity(AppData &data, Prompter &prompter, ActivityEdit &edit);

} // namespace korvalen
