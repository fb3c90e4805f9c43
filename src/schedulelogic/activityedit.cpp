#include "schedulelogic/activityedit.h"

#include "schedulelogic/generate.h"
#include "storage/savescope.h"
#include "storage/table.h"

#include <algorithm>

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

// Adds the occurrences and participants of `edit` under `number`
// (occurrences under their own number when `ownNumbers`).
Status addOccurrencesAndPeople(SaveScope &save, AppData &data, const ActivityEdit &edit,
                               std::int32_t number, bool ownNumbers, const DataFile *&failedOn)
{
    BufferKeeper<DatesRecord> datesKeeper(data.DAT);
    BufferKeeper<PersonActRecord> peopleKeeper(data.PER);
    failedOn = &data.dates;
    for (const Occurrence &entry : edit.occurrences.entries()) {
        data.DAT = datesRecordOf(entry, ownNumbers ? entry.actNumber : number);
        if (Status status = save.add(data.dates); !status.ok())
            return status;
    }
    failedOn = &data.personAct;
    for (const Participant &entry : edit.participants.entries()) {
        data.PER.ACTNUMBER = ownNumbers ? entry.actNumber : number;
        data.PER.PERSON = entry.person;
        if (Status status = save.add(data.personAct); !status.ok())
            return status;
    }
    return {};
}

// Calls `visit(cursor)` for every record of `file` whose key `key` (leading
// component the activity number) carries `number`, the cursor on it.
template <class Record, class Visit>
Status forEachOfActivity(DataFile &file, int key, std::int32_t number, Visit visit)
{
    Record probe{};
    probe.ACTNUMBER = number;
    TypedCursor<Record> cursor(file, key);
    cursor.setRangeEqual(1, probe);
    for (;;) {
        Status status = cursor.next();
        if (status.is(ErrorCode::NoRecord))
            return {};
        if (!status.ok())
            return status;
        if (status = visit(cursor); !status.ok())
            return status;
    }
}

// Deletes every record of `file` that carries activity number `number`.
template <class Record>
Status removeAllOf(SaveScope &save, DataFile &file, int key, std::int32_t number)
{
    return forEachOfActivity<Record>(file, key, number, [&](const TypedCursor<Record> &cursor) {
        return save.remove(file, cursor.recordRef());
    });
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
    for (;;) {
        Status status = cursor.next();
        if (status.is(ErrorCode::NoRecord))
            return {};
        if (!status.ok())
            return status;
        if (cursor.record().GROUP == group)
            visit(cursor.record().PEOPLE);
    }
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
    dateChanged = timeChanged = peopleChanged = false;
    return status;
}

Status ActivityEdit::loadForChange(AppData &data, const ActivityRecord &storedActivity,
                                   const RecordRef &ref, const DatesRecord &selected)
{
    activity = storedActivity;
    entryCopy = activity;
    stored = ref;
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

void ActivityEdit::applyTimesToAll()
{
    OccurrenceQueue retimed;
    for (Occurrence entry : occurrences.entries()) {
        entry.time = occurrences.current.time;
        entry.endTime = occurrences.current.endTime;
        retimed.insert(entry);
    }
    retimed.current = occurrences.current;
    occurrences = std::move(retimed);
    position = occurrences.find(occurrences.current);
    if (position == OccurrenceQueue::npos)
        position = occurrences.size();
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
    if (Status status = addOccurrencesAndPeople(save, data, edit, number, false, failedOn);
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

SaveResult saveChangedActivity(AppData &data, Prompter &prompter, ActivityEdit &edit)
{
    SaveScope save(data.database, prompter, {data.activity, data.dates, data.personAct});
    if (!save.status().ok())
        return SaveResult::failed(save.status(), SaveStep::Write, data.activity);
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
    if (Status status = addOccurrencesAndPeople(save, data, edit, number, true, failedOn);
        !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, *failedOn);
    if (Status status = save.commit(); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, data.activity);
    ++edit.stored.version;
    return {};
}

} // namespace korvalen
