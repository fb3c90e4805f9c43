#pragma once

// Writing back a changed record, deleting one, and what that does to the
// records that refer to it by value:
//
//   ACT:GROUP  -> GRO:GROUP   rename: cascade        delete: restrict
//   GRP:GROUP  -> GRO:GROUP   rename: cascade        delete: cascade
//   PER:PERSON -> PEO:PERSON  rename: cascade        delete: nothing
//   GRP:PEOPLE -> PEO:PERSON  rename: nothing        delete: nothing
//
// Each operation is one save (a SaveScope) across the files it writes: it
// happens whole or not at all, also when the program is killed meanwhile.
// A cascade or restrict check on ACTIVITY or PERSONACT reaches every
// referring record whose field equals the key byte for byte (case
// included); records that differ only in letter case are neither changed
// nor counted. Memberships (GRP:GROUP) belong to their group under any
// spelling of its name, as group names are unique without regard to case:
// the cascades reach them all. Other stations cannot write while it runs.
//
// Every operation opens the files it needs under their open counters (the
// only use of `prompter`: the open-and-repair flow of a file not open yet)
// and shows nothing: it returns what failed, the step and the file, and the
// form above shows the warning (showSaveFailure, storage/warnings.h). Inside a caller's own
// transaction the operation becomes part of it; the files it needs must then
// be open already (no file can be attached within a transaction): one that
// is not fails the operation with 5, a failed write. The record buffers of
// the referring files are left as they were; the buffer of the file written
// holds the written record afterwards.

#include "runtime/prompter.h"
#include "storage/datafiles.h"
#include "storage/saveresult.h"
#include "storage/status.h"

namespace korvalen {

// Writes `record` over the stored record `ref` (a watched `ref` fails with 89
// when another window or station changed or deleted it since it was read).
// On success `ref` carries the record's new version, so that a later save
// from the same window is checked against this one. On failure nothing is
// written and `ref` is unchanged.
SaveResult updateUserPrefs(AppData &data, Prompter &prompter, const UserPrefRecord &record,
                           RecordRef &ref);
SaveResult updateSpecial(AppData &data, Prompter &prompter, const SpecialRecord &record,
                         RecordRef &ref);
// The activity form writes DATES and PERSONACT itself; called inside its
// transaction, the put becomes part of it.
SaveResult updateActivity(AppData &data, Prompter &prompter, const ActivityRecord &record,
                          RecordRef &ref);

// As above; when the short name stored immediately before the put differs
// from the new one (and is not blank), every PERSONACT record with exactly
// the old short name gets the new one. GROUPPEOPLE keeps the old name. A
// failed cascade rolls the person back too (a failed write or read of
// PERSONACT).
SaveResult updatePerson(AppData &data, Prompter &prompter, const PeopleRecord &record,
                        RecordRef &ref);

// As above; when the group name stored immediately before the put differs
// from the new one (and is not blank), every ACTIVITY record with exactly
// the old name, then every GROUPPEOPLE record with the old name in any
// letter case, gets the new one.
SaveResult updateGroup(AppData &data, Prompter &prompter, const GroupRecord &record,
                       RecordRef &ref);

// Deletes the stored record `ref`. A record that is gone (35), or a watched
// record changed meanwhile (89), fails the delete and deletes nothing.
SaveResult deleteSpecial(AppData &data, Prompter &prompter, const RecordRef &ref);
// The person's PERSONACT and GROUPPEOPLE records stay.
SaveResult deletePerson(AppData &data, Prompter &prompter, const RecordRef &ref);

// Deletes the group `ref` and its memberships (under its name in any letter
// case), reading its name from the file (whatever the window showed).
// Refused (Restrict on ACTIVITY, code 5) while any activity carries exactly
// that name; in every failure nothing is deleted.
SaveResult deleteGroup(AppData &data, Prompter &prompter, const RecordRef &ref);

} // namespace korvalen
