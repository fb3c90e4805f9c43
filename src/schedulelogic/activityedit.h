#pragma once

// The working state of one activity form and the rules it edits by: the
// activity record (its notes included), its occurrences, its participants,
// what changed since the form opened, and the saves of a new and of a
// changed activity. Plain code without windows; the form shows it.

#include "schedulelogic/occurrences.h"
#include "storage/datafiles.h"
#include "storage/saveresult.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace korvalen {

class ConflictCheck;
class Prompter;

// Which occurrences of a repeating activity a change applies to.
enum class ChangeScope
{
    JustThisOne,
    All,
    ThisOneAndFuture
};

// The answer texts of the change-scope dialog, and back: "Just This One",
// "All", "This One and Future" (trailing blanks ignored); nothing for any
// other text.
std::string_view changeScopeText(ChangeScope scope);
std::optional<ChangeScope> changeScopeFrom(std::string_view text);

// What the handling of a change scope leaves to the form.
enum class ScopeOutcome
{
    Save,      // save the change (saveChangedActivity)
    Cancelled, // the user cancelled in the conflict window: write nothing
    Nothing    // skipped or stopped, nothing is left to split off: write nothing
};

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
    // The stored activity of a change: number and watched version, and the
    // record as read.
    RecordRef stored;
    ActivityRecord storedActivity;

    bool dateChanged = false;
    bool timeChanged = false;
    bool peopleChanged = false;

    // The number the occurrences and participants of a split's new activity
    // carry in the lists until the save takes the real one.
    static constexpr std::int32_t kSplitNumber = -1;
    // A change split in two: the activity split off (numbered when saved)
    // and what the old activity is stored as.
    struct Split
    {
        ActivityRecord added;
        ActivityRecord old;
    };
    // Set by applyChange() for "Just This One" and "This One and Future".
    std::optional<Split> split;

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

    // Whether the change of a series in `scope` asks first if the edited
    // times are to be used for the other occurrences (an irregular series,
    // for "All" and "This One and Future").
    bool asksAboutTimes(ChangeScope scope) const;
    // Applies a change of a series to the lists, once the edited occurrence
    // is written into its entry: "All" gives the occurrences the edited times
    // when a date or time changed; "Just This One" moves the edited
    // occurrence, "This One and Future" it and every later entry, to a new
    // activity named "*" and the edited name (`split`), whose participants
    // are the edited ones while the old activity keeps its stored ones.
    // `useNewTimes` is the answer to the question of asksAboutTimes() (true
    // when it was not asked). Every occurrence that takes the change is
    // checked first with the times it is about to receive and its old
    // number; a skipped one, or a stopped one and those after it, stays as
    // it was, the edited one as it was when the form opened. On Cancelled
    // or Nothing the lists are left in no state to save.
    ScopeOutcome applyChange(ChangeScope scope, ConflictCheck &check, bool useNewTimes);

private:
    // Gives the entries from `from` to `to` (not included) the edited times
    // (when `retime`) and the number `number`, each checked first when
    // `checkEach`.
    ScopeOutcome walk(ConflictCheck &check, std::size_t from, std::size_t to, bool checkEach,
                      bool seriesCheck, bool retime, std::int32_t number);
    void planSplit(ChangeScope scope);
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
//
// A split (`edit.split`) stores, in the same one transaction: the activity
// split off, under the number after the highest on file taken inside the
// save (`edit.split->added.ACTNUMBER` on success), with the occurrences and
// participants carrying kSplitNumber; the old activity's occurrences
// replaced by those carrying its number; the old activity put as
// `edit.split->old` with the watch, its participants left as stored; or,
// when no occurrence is left to it, the old activity and its participants
// deleted.
SaveResult saveChangedActivity(AppData &data, Prompter &prompter, ActivityEdit &edit);

} // namespace korvalen
