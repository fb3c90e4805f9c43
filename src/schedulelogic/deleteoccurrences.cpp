#include "schedulelogic/deleteoccurrences.h"

#include "schedulelogic/activityrecords.h"
#include "storage/lockfile.h"
#include "storage/openfile.h"
#include "storage/savescope.h"
#include "storage/table.h"

#include <memory>
#include <tuple>
#include <vector>

namespace korvalen {

namespace {

using namespace keys;

// Where an occurrence stands in the date order of DAT:DATETIME_KEY.
auto dateOrder(const DatesRecord &record)
{
    return std::tie(record.DATE, record.TIME, record.ENDTIME);
}

bool sameOccurrence(const DatesRecord &a, const DatesRecord &b)
{
    return a.ACTNUMBER == b.ACTNUMBER && dateOrder(a) == dateOrder(b);
}

// What a delete will do to the activity's occurrences, decided from one
// read of them inside the save.
struct DeletePlan
{
    bool chosenAsRead = false; // the chosen occurrence is stored as the list read it
    std::vector<RecordRef> doomed;
    int kept = 0;
};

Status planDelete(AppData &data, const ChosenOccurrence &chosen, DeleteScope scope,
                  DeletePlan &plan)
{
    const DatesRecord &target = chosen.occurrence;
    return forEachOfActivity<DatesRecord>(
        data.dates, DAT_ACTNUMBER_KEY, target.ACTNUMBER,
        [&](const TypedCursor<DatesRecord> &cursor) {
            const DatesRecord &record = cursor.record();
            const bool isChosen = cursor.recordRef().recordNumber == chosen.recordNumber;
            if (isChosen)
                plan.chosenAsRead = sameOccurrence(record, target);
            bool goes = false;
            switch (scope) {
            case DeleteScope::JustThisOne:
                goes = isChosen;
                break;
            case DeleteScope::All:
                goes = true;
                break;
            case DeleteScope::ThisOneAndFuture:
                goes = dateOrder(record) >= dateOrder(target);
                break;
            }
            if (goes)
                plan.doomed.push_back(cursor.recordRef());
            else
                ++plan.kept;
            return Status();
        });
}

// Deletes the participants and the record of activity `number`, whose last
// occurrence went in this save. An activity record already gone is no
// failure: its occurrences were all that was left of it.
SaveResult removeActivity(AppData &data, SaveScope &save, std::int32_t number)
{
    std::vector<RecordRef> people;
    Status status = forEachOfActivity<PersonActRecord>(
        data.personAct, PER_ACTIVITY_KEY, number, [&](const TypedCursor<PersonActRecord> &cursor) {
            people.push_back(cursor.recordRef());
            return Status();
        });
    if (!status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Read, data.personAct);
    for (const RecordRef &ref : people)
        if (status = save.remove(data.personAct, ref); !status.ok())
            return SaveResult::failed(std::move(status), SaveStep::Delete, data.personAct);

    ActivityRecord activity;
    activity.ACTNUMBER = number;
    RecordRef ref;
    status = readByKey(data.activity, ACT_ACTNUMBER_KEY, activity, &ref);
    if (status.is(ErrorCode::RecordNotFound))
        return {};
    if (!status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Read, data.activity);
    if (status = save.remove(data.activity, ref); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Delete, data.activity);
    return {};
}

// Holds activity `number`'s record, so that its form cannot open while the
// delete runs; a form open already makes the hold fail with 43. An
// activity without a record has no form to guard against.
SaveResult holdActivity(AppData &data, std::int32_t number, RecordHold &hold, int waitMs)
{
    ActivityRecord activity;
    activity.ACTNUMBER = number;
    RecordRef ref;
    Status status = readByKey(data.activity, ACT_ACTNUMBER_KEY, activity, &ref);
    if (status.is(ErrorCode::RecordNotFound))
        return {};
    if (!status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Read, data.activity);
    status = data.activity.hold(hold, ref.recordNumber, waitMs);
    return SaveResult::failed(std::move(status), SaveStep::Delete, data.activity);
}

} // namespace

Status countOccurrences(DataFile &dates, std::int32_t number, int &count)
{
    count = 0;
    DatesRecord probe;
    probe.ACTNUMBER = number;
    TypedCursor<DatesRecord> cursor(dates, DAT_ACTNUMBER_KEY);
    cursor.setRangeEqual(1, probe);
    while (count < 2) {
        const Status status = cursor.next();
        if (status.is(ErrorCode::NoRecord))
            break;
        if (!status.ok()) {
            count = 0;
            return status;
        }
        ++count;
    }
    return {};
}

SaveResult deleteOccurrences(AppData &data, Prompter &prompter, const ChosenOccurrence &chosen,
                             DeleteScope scope, int holdWaitMs)
{
    // The hold is taken before the save begins: waiting for it must not
    // keep other stations from writing.
    FileUse activityUse(data.activity, prompter);
    if (!activityUse.status().ok())
        return SaveResult::failed(activityUse.status(), SaveStep::Read, data.activity);
    const std::int32_t number = chosen.occurrence.ACTNUMBER;
    RecordHold hold;
    if (SaveResult held = holdActivity(data, number, hold, holdWaitMs); !held.ok())
        return held;

    SaveScope save(data.database, prompter, {data.activity, data.dates, data.personAct});
    if (!save.status().ok())
        return SaveResult::failed(save.status(), SaveStep::Delete, data.dates);
    DeletePlan plan;
    if (Status status = planDelete(data, chosen, scope, plan); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Read, data.dates);
    // Record numbers are never given again, so a number found with the
    // values the list showed is the very occurrence the user chose.
    if (!plan.chosenAsRead)
        return SaveResult::failed(
            Status(ErrorCode::ChangedByOther, standardMessage(ErrorCode::ChangedByOther)),
            SaveStep::Delete, data.dates);
    for (const RecordRef &ref : plan.doomed)
        if (Status status = save.remove(data.dates, ref); !status.ok())
            return SaveResult::failed(std::move(status), SaveStep::Delete, data.dates);
    if (plan.kept == 0)
        if (SaveResult removed = removeActivity(data, save, number); !removed.ok())
            return removed;
    if (Status status = save.commit(); !status.ok())
        return SaveResult::failed(std::move(status), SaveStep::Delete, data.dates);
    return {};
}

} // namespace korvalen
