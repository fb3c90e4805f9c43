#pragma once

// Deleting occurrences of an activity: one, all, or one and every later
// one, with the activity's participants and the activity itself once no
// occurrence is left. Plain code without windows; the "Delete Activities"
// window asks which and shows the outcome.

#include "storage/datafiles.h"
#include "storage/saveresult.h"

#include <cstdint>

namespace korvalen {

class Prompter;

// Which occurrences of the activity go.
enum class DeleteScope
{
    JustThisOne,
    All,
    ThisOneAndFuture
};

// The occurrence a delete was asked for, as the list the user highlighted it
// in read it: its record number and its values then.
struct ChosenOccurrence
{
    std::int64_t recordNumber = 0;
    DatesRecord occurrence;
};

// Counts the occurrences of activity `number` into `count`, stopping at 2
// (all that tells a single occurrence from a repeated one). Reads DATES
// through a cursor of its own: the buffer and current record stay as they
// were. 0, or the failed read's status (`count` then 0).
Status countOccurrences(DataFile &dates, std::int32_t number, int &count);

// Deletes the occurrences of `chosen`'s activity that `scope` names, in one
// transaction across ACTIVITY, DATES and PERSONACT:
//  - JustThisOne: the chosen occurrence;
//  - All: every occurrence of the activity;
//  - ThisOneAndFuture: every occurrence of the activity whose date, start
//    and end (in that order) are not less than the chosen one's: a later
//    start on the same date goes, an earlier one stays; on the same start a
//    later or equal end goes, an earlier one stays.
// When no occurrence of the activity is left, its participants and its
// activity record go in the same transaction. Other activities' records are
// never read or written.
//
// Nothing is deleted, and the result says why, when:
//  - the chosen occurrence is gone, or now carries another activity number,
//    date or times (another station deleted or changed it since the list
//    read it): 89 at SaveStep::Delete on DATES; the caller refreshes;
//  - another window or station holds the activity record (its form is
//    open) for longer than `holdWaitMs`: 43 at SaveStep::Delete on ACTIVITY;
//  - a read, delete or the commit fails: that status, at SaveStep::Read or
//    SaveStep::Delete, on the file it failed on.
// The record buffers are left as they were; the files are opened under
// their open counters when not open yet. Shows nothing.
SaveResult deleteOccurrences(AppData &data, Prompter &prompter, const ChosenOccurrence &chosen,
                             DeleteScope scope, int holdWaitMs = 1000);

} // namespace korvalen
