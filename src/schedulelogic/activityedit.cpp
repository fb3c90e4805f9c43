#include "schedulelogic/activityedit.h"

#include "schedulelogic/activityrecords.h"
#include "schedulelogic/conflicts.h"
#include "schedulelogic/generate.h"
#include "storage/savescope.h"
#include "storage/table.h"

#include <algorithm>
#include <string>

namespace korvalen {

namespace {

using namespace keys;

// The highest activity number on file: 0 when the file is empty.
Status highestActivityNumber(AppData &data, std::int32_t &number)
{
    TypedCursor<ActivityRecord> cursor(data.activity, ACT_ACTNUMBER_KEY);
    Status status = cursor.previous();
    number = status.ok() ? cursor.record().ACTNUMBER : 0;
    return status.is(ErrorCode::NoRecord) ? Status() : status;
}

DatesRecord datesRecordOf(const Occurrence &entry, std::int32_t number)
{
    DatesRecord record;
    record.ACTNUMBER = number;
    record.DATE = entry.date;
    record.TIME = entry.time;
    record.ENDTIME = entry.endTime;
    return record; // DATETEXT and DAYNAME stay blank
}

// Adds the occurrences and participants of `edit`, each under the number
// `numberFor` gives for the number its entry carries.
template <class NumberFor>
Status addOccurrencesAndPeople(SaveScope &save, AppData &data, const ActivityEdit &edit,
                               NumberFor numberFor, const DataFile *&failedOn)
{
    BufferKeeper<DatesRecord> datesKeeper(data.DAT);
    BufferKeeper<PersonActRecord> peopleKeeper(data.PER);
    failedOn = &data.dates;
    for (const Occurrence &entry : edit.occurrences.entries()) {
        data.DAT = datesRecordOf(entry, numberFor(entry.actNumber));
        if (Status status = save.add(data.dates); !status.ok())
            return status;
    }
    failedOn = &data.personAct;
    for (const Participant &entry : edit.participants.entries()) {
        data.PER.ACTNUMBER = numberFor(entry.actNumber);
        data.PER.PERSON = entry.person;
        if (Status status = save.add(data.personAct); !status.ok())
            return status;
    }
    return {};
}

// Calls `visit(person)` for every member of `group` (its name byte for
// byte), from the lowest member on.
template <class Visit> Status forEachMember(AppData &data, const Text<10> &group, Visit visit)
{
    GroupPeopleRecord probe;
    probe.GROUP = group;
    TypedCursor<GroupPeopleRecord> cursor(data.groupPeople, GRP_GROUP_KEY);
    // The key ignores letter case: the range holds every spelling of the
    // name, and only the exact one counts.
    cursor.setRangeEqual(1, probe);
    return forEachInRange(cursor, [&](const TypedCursor<GroupPeopleRecord> &member) {
        if (member.record().GROUP == group)
            visit(member.record().PEOPLE);
        return Status();
    });
}

} // namespace

Status ActivityEdit::primeNew(AppData &data, ClockTime startTime)
{
    std::int32_t highest = 0;
    Status status = highestActivityNumber(data, highest);
    activity = ActivityRecord{};
    activity.ACTNUMBER = highest + 1;
    activity.TYPE = 0;
    activity.REPEATTYPE = kNoRepeats;
    occurrences.clear();
    occurrences.current = {activity.ACTNUMBER, 0, startTime, 0};
    participants.clear();
    position = 0;
    opening = occurrences.current;
    entryCopy = activity;
    stored = {};
    storedActivity = {};
    split.reset();
    dateChanged = timeChanged = peopleChanged = false;
    return status;
}

Status ActivityEdit::loadForChange(AppData &data, const ActivityRecord &storedActivity,
                                   const RecordRef &ref, const DatesRecord &selected)
{
    activity = storedActivity;
    entryCopy = activity;
    stored = ref;
    this->storedActivity = storedActivity;
    split.reset();
    dateChanged = timeChanged = peopleChanged = false;
    occurrences.clear();
    participants.clear();
    occurrences.current = {selected.ACTNUMBER, selected.DATE, selected.TIME, selected.ENDTIME};
    opening = occurrences.current;

    Status status = forEachOfActivity<DatesRecord>(
        data.dates, DAT_ACTNUMBER_KEY, activity.ACTNUMBER,
        [this](const TypedCursor<DatesRecord> &cursor) {
            const DatesRecord &read = cursor.record();
            occurrences.insert({read.ACTNUMBER, read.DATE, read.TIME, read.ENDTIME});
            return Status();
        });
    if (!status.ok())
        return status;
    position = occurrences.find(occurrences.current);
    if (position == OccurrenceQueue::npos)
        position = occurrences.size(); // the edited occurrence is added on OK

    return forEachOfActivity<PersonActRecord>(
        data.personAct, PER_ACTIVITY_KEY, activity.ACTNUMBER,
        [this](const TypedCursor<PersonActRecord> &cursor) {
            participants.insert({cursor.record().ACTNUMBER, cursor.record().PERSON});
            return Status();
        });
}

void ActivityEdit::acceptDate(Date date)
{
    if (date != opening.date)
        dateChanged = true;
    occurrences.current.date = date;
}

void ActivityEdit::acceptStart(ClockTime time)
{
    if (time != opening.time)
        timeChanged = true;
    occurrences.current.time = time;
}

void ActivityEdit::acceptEnd(ClockTime time)
{
    if (time != opening.endTime)
        timeChanged = true;
    occurrences.current.endTime = time;
}

bool ActivityEdit::endNotAfterStart() const
{
    return occurrences.current.time >= occurrences.current.endTime;
}

void ActivityEdit::correctEnd(ClockTime duration)
{
    const std::int64_t end =
        static_cast<std::int64_t>(occurrences.current.time) + std::max<ClockTime>(duration, 0);
    acceptEnd(static_cast<ClockTime>(std::min<std::int64_t>(end, kHundredthsPerDay)));
}

void ActivityEdit::writeEditedOccurrence()
{
    occurrences.current.actNumber = activity.ACTNUMBER;
    if (position < occurrences.size())
        occurrences.overwrite(position, occurrences.current);
    else
        position = occurrences.insert(occurrences.current);
}

void ActivityEdit::retakePosition(const Occurrence &edited)
{
    occurrences.current = edited;
    position = occurrences.find(edited);
    if (position == OccurrenceQueue::npos)
        position = occurrences.size();
}

bool ActivityEdit::repeatEnabled() const
{
    const Occurrence &edited = occurrences.current;
    return edited.date != 0 && edited.time != 0 && edited.endTime != 0 && !participants.empty();
}

bool ActivityEdit::okEnabled() const
{
    return repeatEnabled() && !activity.NAME.isBlank() &&
           !(activity.TYPE == 1 && activity.GROUP.isBlank());
}

bool ActivityEdit::hasUnsavedChanges() const
{
    return !(activity == entryCopy) || peopleChanged;
}

bool ActivityEdit::onlyOccurrenceDateChanged() const
{
    return activity.NAME == entryCopy.NAME && activity.NOTES == entryCopy.NOTES &&
           activity.GROUP == entryCopy.GROUP && !timeChanged && !peopleChanged;
}

void ActivityEdit::addPeople(const std::vector<Text<10>> &people)
{
    std::vector<Text<10>> sorted = people;
    std::stable_sort(sorted.begin(), sorted.end());
    for (const Text<10> &person : sorted)
        participants.insertUnique({activity.ACTNUMBER, person});
}

void ActivityEdit::removeParticipantAt(std::size_t index)
{
    participants.removeAt(index);
}

Status ActivityEdit::addGroup(AppData &data, const Text<10> &group)
{
    return forEachMember(data, group, [this](const Text<10> &person) {
        participants.insertUnique({activity.ACTNUMBER, person});
    });
}

Status ActivityEdit::removeGroup(AppData &data, const Text<10> &group)
{
    return forEachMember(data, group, [this](const Text<10> &person) {
        participants.remove({activity.ACTNUMBER, person});
    });
}

std::string_view changeScopeText(ChangeScope scope)
{
    switch (scope) {
    case ChangeScope::JustThisOne:
        return "Just This One";
    case ChangeScope::All:
        return "All";
    case ChangeScope::ThisOneAndFuture:
        return "This One and Future";
    }
    return {};
}

std::optional<ChangeScope> changeScopeFrom(std::string_view text)
{
    for (ChangeScope scope :
         {ChangeScope::JustThisOne, ChangeScope::All, ChangeScope::ThisOneAndFuture}) {
        if (clipped(text) == changeScopeText(scope))
            return scope;
    }
    return std::nullopt;
}

bool ActivityEdit::asksAboutTimes(ChangeScope scope) const
{
    return scope != ChangeScope::JustThisOne && activity.REPEATTYPE == kIrregularDates;
}

ScopeOutcome ActivityEdit::applyChange(ChangeScope scope, ConflictCheck &check, bool useNewTimes)
{
    split.reset();
    writeEditedOccurrence();
    const bool changed = dateChanged || timeChanged;
    ScopeOutcome outcome = ScopeOutcome::Save;
    switch (scope) {
    case ChangeScope::All:
        if (!changed || !useNewTimes)
            return ScopeOutcome::Save;
        return walk(check, 0, occurrences.size(), true, true, true, activity.ACTNUMBER);
    case ChangeScope::JustThisOne:
        outcome = walk(check, position, position + 1, changed, false, true, kSplitNumber);
        break;
    case ChangeScope::ThisOneAndFuture: {
        // An irregular series answered Yes is checked whatever changed; No
        // moves the entries with the times they have.
        const bool checkEach = asksAboutTimes(scope) ? useNewTimes : changed;
        outcome =
            walk(check, position, occurrences.size(), checkEach, true, useNewTimes, kSplitNumber);
        break;
    }
    }
    if (outcome != ScopeOutcome::Save)
        return outcome;
    const std::vector<Occurrence> &entries = occurrences.entries();
    if (std::none_of(entries.begin(), entries.end(),
                     [](const Occurrence &entry) { return entry.actNumber == kSplitNumber; }))
        return ScopeOutcome::Nothing;
    planSplit(scope);
    return ScopeOutcome::Save;
}

ScopeOutcome ActivityEdit::walk(ConflictCheck &check, std::size_t from, std::size_t to,
                                bool checkEach, bool seriesCheck, bool retime, std::int32_t number)
{
    std::vector<Occurrence> entries = occurrences.entries();
    const Occurrence edited = occurrences.current;
    // An entry left as it was: the edited one as the form opened on it,
    // the others as they stand.
    auto leave = [&](std::size_t at) {
        if (at == position) {
            entries[at] = opening;
            entries[at].actNumber = activity.ACTNUMBER;
        }
    };
    for (std::size_t at = from; at < to; ++at) {
        Occurrence candidate = entries[at];
        if (retime) {
            candidate.time = edited.time;
            candidate.endTime = edited.endTime;
        }
        // Checked under its old number, so that it never collides with its
        // own stored copy.
        const ConflictChoice choice =
            checkEach ? check.check(candidate, seriesCheck) : ConflictChoice::Accept;
        if (choice == ConflictChoice::Cancel)
            return ScopeOutcome::Cancelled;
        if (choice == ConflictChoice::Stop) {
            for (std::size_t rest = at; rest < to; ++rest)
                leave(rest);
            break;
        }
        if (choice == ConflictChoice::Skip) {
            leave(at);
            continue;
        }
        candidate.actNumber = number;
        entries[at] = candidate;
    }
    const Occurrence editedEntry = entries[position];
    occurrences.clear();
    for (const Occurrence &entry : entries)
        occurrences.insert(entry);
    retakePosition(editedEntry);
    return ScopeOutcome::Save;
}

void ActivityEdit::planSplit(ChangeScope scope)
{
    Split plan;
    plan.added = activity;
    plan.added.ACTNUMBER = kSplitNumber;
    std::string name = "*";
    name += activity.NAME.view();
    plan.added.NAME = name; // cut to the field's width
    plan.added.REPEATTYPE = scope == ChangeScope::JustThisOne ? kNoRepeats : kIrregularDates;
    plan.added.REPEND = 0;
    plan.added.REPNUMBER = 0;
    plan.old = storedActivity;
    if (scope == ChangeScope::ThisOneAndFuture) {
        plan.old.REPEATTYPE = kIrregularDates;
        plan.old.REPEND = 0;
        plan.old.REPNUMBER = 0;
    }
    split = std::move(plan);
    // The new activity takes the edited people; the old one keeps those
    // stored for it, which the save leaves alone.
    participants.renumber(kSplitNumber);
}

SaveResult saveNewActivity(AppData &data, Prompter &prompter, ActivityEdit &edit)
{
    SaveScope save(data.database, prompter, {data.activity, data.dates, data.personAct});
    if (!save.status().ok())
        return SaveResult::failed(save.status(), SaveStep::Write, data.activity);
    // The number is taken inside the save: two stations adding at once
    // both store, one after the other, each under a number of its own.
    std::int32_t highest = 0;
    if (Status status = highestActivityNumber(data, highest); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Read, data.activity);
    const std::int32_t number = highest + 1;

    ActivityRecord record = edit.activity;
    record.ACTNUMBER = number;
    data.ACT = record;
    if (Status status = save.add(data.activity); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, data.activity);
    const DataFile *failedOn = nullptr;
    if (Status status = addOccurrencesAndPeople(
            save, data, edit, [number](std::int32_t) { return number; }, failedOn);
        !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, *failedOn);
    if (Status status = save.commit(); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, data.activity);

    edit.activity.ACTNUMBER = number;
    edit.participants.renumber(number);
    OccurrenceQueue renumbered;
    for (Occurrence entry : edit.occurrences.entries()) {
        entry.actNumber = number;
        renumbered.insert(entry);
    }
    renumbered.current = edit.occurrences.current;
    renumbered.current.actNumber = number;
    edit.occurrences = std::move(renumbered);
    return {};
}

namespace {

// The writes of a split within `save`; see saveChangedActivity().
SaveResult storeSplit(SaveScope &save, AppData &data, ActivityEdit &edit)
{
    const ActivityEdit::Split &split = *edit.split;
    const std::int32_t old = edit.storedActivity.ACTNUMBER;
    // The number is taken inside the save, before the old activity may go:
    // no other station's activity can take it meanwhile, and a number just
    // given up is not handed out again.
    std::int32_t highest = 0;
    if (Status status = highestActivityNumber(data, highest); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Read, data.activity);
    const std::int32_t number = highest + 1;

    const std::vector<Occurrence> &entries = edit.occurrences.entries();
    const bool oldKeepsDates = std::any_of(entries.begin(), entries.end(),
                                           [old](const auto &e) { return e.actNumber == old; });
    // The watch fails the save when another station changed or deleted the
    // old activity since the form read it.
    data.ACT = split.old;
    if (oldKeepsDates) {
        if (Status status = save.put(data.activity, edit.stored); !status.ok())
            return SaveResult::failed(std::move(status), SaveStep::Write, data.activity);
    } else {
        if (Status status = save.remove(data.activity, edit.stored); !status.ok())
            return SaveResult::failed(std::move(status), SaveStep::Delete, data.activity);
        if (Status status =
                removeAllOf<PersonActRecord>(save, data.personAct, PER_ACTIVITY_KEY, old);
            !status.ok())
            return SaveResult::failed(std::move(status), SaveStep::Delete, data.personAct);
    }
    data.ACT = split.added;
    data.ACT.ACTNUMBER = number;
    if (Status status = save.add(data.activity); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, data.activity);
    if (Status status = removeAllOf<DatesRecord>(save, data.dates, DAT_ACTNUMBER_KEY, old);
        !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Delete, data.dates);
    const DataFile *failedOn = nullptr;
    auto numberFor = [number](std::int32_t carried) {
        return carried == ActivityEdit::kSplitNumber ? number : carried;
    };
    if (Status status = addOccurrencesAndPeople(save, data, edit, numberFor, failedOn);
        !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, *failedOn);
    if (Status status = save.commit(); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, data.activity);

    edit.split->added.ACTNUMBER = number;
    if (oldKeepsDates)
        ++edit.stored.version;
    else
        edit.stored = {};
    return {};
}

} // namespace

SaveResult saveChangedActivity(AppData &data, Prompter &prompter, ActivityEdit &edit)
{
    SaveScope save(data.database, prompter, {data.activity, data.dates, data.personAct});
    if (!save.status().ok())
        return SaveResult::failed(save.status(), SaveStep::Write, data.activity);
    if (edit.split)
        return storeSplit(save, data, edit);
    const std::int32_t number = edit.activity.ACTNUMBER;
    data.ACT = edit.activity;
    if (Status status = save.put(data.activity, edit.stored); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, data.activity);
    if (Status status = removeAllOf<DatesRecord>(save, data.dates, DAT_ACTNUMBER_KEY, number);
        !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Delete, data.dates);
    if (Status status =
            removeAllOf<PersonActRecord>(save, data.personAct, PER_ACTIVITY_KEY, number);
        !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Delete, data.personAct);
    const DataFile *failedOn = nullptr;
    if (Status status = addOccurrencesAndPeople(
            save, data, edit, [](std::int32_t own) { return own; }, failedOn);
        !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, *failedOn);
    if (Status status = save.commit(); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, data.activity);
    ++edit.stored.version;
    return {};
}

} // namespace korvalen
