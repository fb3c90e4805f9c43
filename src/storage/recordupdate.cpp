#include "storage/recordupdate.h"

#include "storage/cursor.h"
#include "storage/savescope.h"

#include <functional>
#include <initializer_list>
#include <vector>

namespace korvalen {

namespace {

using namespace keys;

Status changedByOther()
{
    return Status(ErrorCode::ChangedByOther, standardMessage(ErrorCode::ChangedByOther));
}

// Which referring records a cascade or restrict check reaches: those whose
// field equals the key byte for byte, or those equal to it in any letter
// case (the whole range of a case-folding key).
enum class Match
{
    Exact,
    AnyCase
};

// Calls `visit(stop)` for every record of `file` whose `field` matches
// `value`, with the record in `buffer` as the file's current record. The
// walk covers the whole range of `key` (whose leading component is `field`)
// that equals `value` without regard to case, so that records differing
// only in case never end an exact walk early. `visit` may put or delete the
// record: the cursor goes on from the record's old key values and number.
// A failed read fails the walk as a read of the file.
template <class Record, std::size_t N, class Visit>
SaveResult forEachReferring(DataFile &file, Record &buffer, int key, Text<N> Record::*field,
                            const Text<N> &value, Match match, Visit visit)
{
    Record probe{};
    probe.*field = value;
    Cursor cursor(file, key);
    cursor.setRangeEqual(1, &probe);
    for (bool stop = false; !stop;) {
        Status status = cursor.next();
        if (status.is(ErrorCode::NoRecord))
            break;
        if (!status.ok())
            return SaveResult::failed(std::move(status), SaveStep::Read, file);
        if (match == Match::AnyCase || buffer.*field == value) {
            SaveResult result = visit(stop);
            if (!result.ok())
                return result;
        }
    }
    return {};
}

// Sets `field` from `from` to `to` in every record of `file` that matches
// `from` (records that already hold `to` exactly are left alone), within
// `save`.
template <class Record, std::size_t N>
SaveResult renameAll(SaveScope &save, DataFile &file, Record &buffer, int key,
                     Text<N> Record::*field, const Text<N> &from, const Text<N> &to, Match match)
{
    BufferKeeper<Record> keeper(buffer);
    return forEachReferring(file, buffer, key, field, from, match, [&](bool &) {
        if (buffer.*field == to)
            return SaveResult();
        buffer.*field = to;
        return SaveResult::failed(save.put(file), SaveStep::Write, file);
    });
}

// Whether a rename from `from` to `to` must reach the referring records.
template <std::size_t N> bool isRename(const Text<N> &from, const Text<N> &to)
{
    return !from.isBlank() && !(from == to);
}

// Reads the stored record `ref` inside the current transaction. A record
// that is gone counts as changed by another station when `ref` is watched.
Status readStored(DataFile &file, const RecordRef &ref)
{
    Status status = file.getByRecordNumber(ref.recordNumber);
    if (status.is(ErrorCode::RecordNotFound) && ref.watched)
        return changedByOther();
    return status;
}

// The files of a save: those it refers to, opened first, then `file`.
std::vector<std::reference_wrapper<DataFile>>
withFile(std::initializer_list<std::reference_wrapper<DataFile>> referring, DataFile &file)
{
    std::vector<std::reference_wrapper<DataFile>> files(referring);
    files.push_back(file);
    return files;
}

template <class Record>
using AfterPut = std::function<SaveResult(SaveScope &save, const Record &stored)>;

// The put of every update operation: one save over `file` and `referring`
// holding the put and whatever `afterPut` writes, given the record as
// stored just before.
template <class Record>
SaveResult putRecord(AppData &data, Prompter &prompter, DataFile &file, Record &buffer,
                     const Record &record, RecordRef &ref,
                     std::initializer_list<std::reference_wrapper<DataFile>> referring,
                     const AfterPut<Record> &afterPut)
{
    SaveScope save(data.database, prompter, withFile(referring, file));
    Status status = save.status();
    if (status.ok())
        status = readStored(file, ref);
    const Record stored = buffer;
    const std::int64_t version = file.current().version;
    if (status.ok()) {
        buffer = record;
        status = save.put(file, ref);
    }
    if (!status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, file);
    if (afterPut) {
        SaveResult result = afterPut(save, stored);
        if (!result.ok())
            return result; // the save takes the put back
    }
    status = save.commit();
    if (!status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Write, file);
    ref.version = version + 1;
    return {};
}

template <class Record>
using BeforeDelete = std::function<SaveResult(SaveScope &save, const Record &stored)>;

// The delete of every delete operation: re-read `ref` (it must still be
// there, and unchanged when watched), run `beforeDelete` on the stored
// record, delete it, all in one save over `file` and `referring`.
template <class Record>
SaveResult deleteRecord(AppData &data, Prompter &prompter, DataFile &file, Record &buffer,
                        const RecordRef &ref,
                        std::initializer_list<std::reference_wrapper<DataFile>> referring,
                        const BeforeDelete<Record> &beforeDelete)
{
    SaveScope save(data.database, prompter, withFile(referring, file));
    Status status = save.status();
    if (status.ok())
        status = readStored(file, ref);
    if (status.ok() && ref.watched && file.current().version != ref.version)
        status = changedByOther();
    if (!status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Delete, file);
    if (beforeDelete) {
        SaveResult result = beforeDelete(save, buffer);
        if (!result.ok())
            return result;
    }
    status = save.remove(file, ref);
    if (status.ok())
        status = save.commit();
    return SaveResult::failed(std::move(status), SaveStep::Delete, file);
}

// The restrict check of a group delete: refused while an activity carries
// exactly `group`.
SaveResult checkNoActivityOf(AppData &data, const Text<10> &group)
{
    bool referenced = false;
    BufferKeeper<ActivityRecord> keeper(data.ACT);
    SaveResult result =
        forEachReferring(data.activity, data.ACT, ACT_GROUP_KEY, &ActivityRecord::GROUP, group,
                         Match::Exact, [&](bool &stop) {
                             referenced = stop = true;
                             return SaveResult();
                         });
    if (!result.ok() || !referenced)
        return result;
    return SaveResult::failed(Status(ErrorCode::AccessDenied, "Referenced from ACTIVITY"),
                              SaveStep::Restrict, data.activity);
}

// The membership cascade of a group delete. Group names are unique without
// regard to case, so a membership under any spelling of the name is this
// group's: left behind, it would come back with a later group of that name.
SaveResult deleteMembersOf(SaveScope &save, AppData &data, const Text<10> &group)
{
    BufferKeeper<GroupPeopleRecord> keeper(data.GRP);
    return forEachReferring(data.groupPeople, data.GRP, GRP_GROUP_KEY, &GroupPeopleRecord::GROUP,
                            group, Match::AnyCase, [&](bool &) {
                                return SaveResult::failed(save.remove(data.groupPeople),
                                                          SaveStep::Delete, data.groupPeople);
                            });
}

} // namespace

SaveResult SaveResult::failed(Status status, SaveStep step, const DataFile &file)
{
    SaveResult result;
    if (!status.ok()) {
        result.step = step;
        result.file = std::string(file.name());
        result.status = std::move(status);
    }
    return result;
}

SaveResult updateUserPrefs(AppData &data, Prompter &prompter, const UserPrefRecord &record,
                           RecordRef &ref)
{
    return putRecord<UserPrefRecord>(data, prompter, data.userPref, data.USP, record, ref, {}, {});
}

SaveResult updateSpecial(AppData &data, Prompter &prompter, const SpecialRecord &record,
                         RecordRef &ref)
{
    return putRecord<SpecialRecord>(data, prompter, data.special, data.SPE, record, ref, {}, {});
}

SaveResult updateActivity(AppData &data, Prompter &prompter, const ActivityRecord &record,
                          RecordRef &ref)
{
    return putRecord<ActivityRecord>(data, prompter, data.activity, data.ACT, record, ref, {}, {});
}

SaveResult updatePerson(AppData &data, Prompter &prompter, const PeopleRecord &record,
                        RecordRef &ref)
{
    auto cascade = [&](SaveScope &save, const PeopleRecord &stored) {
        if (!isRename(stored.PERSON, record.PERSON))
            return SaveResult();
        return renameAll(save, data.personAct, data.PER, PER_PERSON_KEY, &PersonActRecord::PERSON,
                         stored.PERSON, record.PERSON, Match::Exact);
    };
    return putRecord<PeopleRecord>(data, prompter, data.people, data.PEO, record, ref,
                                   {data.personAct}, cascade);
}

SaveResult updateGroup(AppData &data, Prompter &prompter, const GroupRecord &record, RecordRef &ref)
{
    auto cascade = [&](SaveScope &save, const GroupRecord &stored) {
        if (!isRename(stored.GROUP, record.GROUP))
            return SaveResult();
        // An activity refers to the group only by exactly its name; a
        // membership belongs to it under any spelling of the name.
        SaveResult result =
            renameAll(save, data.activity, data.ACT, ACT_GROUP_KEY, &ActivityRecord::GROUP,
                      stored.GROUP, record.GROUP, Match::Exact);
        if (!result.ok())
            return result;
        return renameAll(save, data.groupPeople, data.GRP, GRP_GROUP_KEY, &GroupPeopleRecord::GROUP,
                         stored.GROUP, record.GROUP, Match::AnyCase);
    };
    return putRecord<GroupRecord>(data, prompter, data.group, data.GRO, record, ref,
                                  {data.activity, data.groupPeople}, cascade);
}

SaveResult deleteSpecial(AppData &data, Prompter &prompter, const RecordRef &ref)
{
    return deleteRecord<SpecialRecord>(data, prompter, data.special, data.SPE, ref, {}, {});
}

SaveResult deletePerson(AppData &data, Prompter &prompter, const RecordRef &ref)
{
    return deleteRecord<PeopleRecord>(data, prompter, data.people, data.PEO, ref, {}, {});
}

SaveResult deleteGroup(AppData &data, Prompter &prompter, const RecordRef &ref)
{
    auto restrictAndCascade = [&](SaveScope &save, const GroupRecord &stored) {
        // A blank name is "no group" in ACT:GROUP: nothing refers to it.
        if (stored.GROUP.isBlank())
            return SaveResult();
        SaveResult result = checkNoActivityOf(data, stored.GROUP);
        if (!result.ok())
            return result;
        return deleteMembersOf(save, data, stored.GROUP);
    };
    return deleteRecord<GroupRecord>(data, prompter, data.group, data.GRO, ref,
                                     {data.activity, data.groupPeople}, restrictAndCascade);
}

} // namespace korvalen
