#pragma once

// The batch delete of old activities: every occurrence dated before a chosen
// day, then every activity left without occurrences (those that never had
// one included) with its participants, all in one transaction; then the
// compaction of DATES, PERSONACT and ACTIVITY where records went, while
// nobody else uses them. An activity whose form is open in another window or
// on another station is left alone whole (that form's save would bring its
// occurrences back) and counted. Plain code without windows; the batch
// delete window drives it a step at a time and shows its progress.

#include "runtime/dates.h"
#include "storage/datafiles.h"
#include "storage/saveresult.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {

class FileUse;
class FreeRecordsHold;
class Prompter;
class SaveScope;

// What one batch delete did.
struct BatchDeleteCounts
{
    std::int64_t occurrences = 0;
    std::int64_t activities = 0;
    std::int64_t participants = 0;
    // Activities with something to delete whose form was open elsewhere.
    std::int64_t skippedActivities = 0;
    // The files compacted, in the order it compacted them.
    std::vector<std::string> packed;
};

// The copy of DATES, PERSONACT and ACTIVITY a batch delete makes first when
// asked: NAME-YYYY-MM-DD.BAK beside each file (the day the copy was made;
// NAME-YYYY-MM-DD-2.BAK and so on when that name is taken), one consistent
// state of the three. Restored by putting the three copies in place of
// NAME.DB while no station runs the program.
std::vector<std::filesystem::path> batchArchivePaths(const std::filesystem::path &directory,
                                                     Date day);

class BatchDelete
{
public:
    enum class Stage
    {
        Ready,       // nothing begun
        Occurrences, // deleting the occurrences, a slice per step
        Activities,  // the next step deletes the activities and commits
        Compacting,  // the next step compacts one file
        Done
    };

    // Opens ACTIVITY, DATES and PERSONACT under their open counters for the
    // object's life (a failure to open ends the program as every open does).
    BatchDelete(AppData &data, Prompter &prompter);
    ~BatchDelete();
    BatchDelete(const BatchDelete &) = delete;
    BatchDelete &operator=(const BatchDelete &) = delete;

    // Begins deleting everything before `before` (occurrences on `before`
    // are kept): copies the files first when `archiveDay` is a date (see
    // batchArchivePaths; named by that day), then begins the transaction,
    // holds every activity no form has open and counts what is to go. On
    // failure nothing is deleted and the stage stays Ready.
    SaveResult begin(Date before, Date archiveDay = 0);
    // Does the next piece of the work (see Stage): short enough for a window
    // to stay responsive between steps. A failure before the commit stores
    // nothing and ends the work (stage Done); a failed compaction is passed
    // over, as one another window or station keeps from happening.
    SaveResult step();
    // Gives up the work: nothing is stored unless the commit was made.
    void cancel();
    // begin() and every step().
    SaveResult run(Date before, Date archiveDay = 0);

    Stage stage() const { return m_stage; }
    // The file the stage works on ("DATES" while compacting it, ...).
    const std::string &stageFile() const { return m_stageFile; }
    // Work done and to do, in occurrences (each later step counts one).
    std::int64_t progress() const { return m_progress; }
    std::int64_t progressTotal() const { return m_progressTotal; }
    const BatchDeleteCounts &counts() const { return m_counts; }
    // The copies made by begin(), empty when none.
    const std::vector<std::filesystem::path> &archive() const { return m_archive; }

    // The most occurrences one step deletes; by default the step adapts its
    // size to take about a twentieth of a second.
    void setSliceSize(std::int64_t occurrences) { m_fixedSlice = occurrences; }

private:
    SaveResult makeArchive(Date day, std::vector<std::int64_t> &counters);
    SaveResult beginTransaction();
    SaveResult deleteSlice();
    SaveResult deleteActivities();
    void compactNext();
    SaveResult failed(Status status, const DataFile &file);
    void endTransaction();

    AppData &m_data;
    Prompter &m_prompter;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    std::unique_ptr<SaveScope> m_save;
    std::unique_ptr<FreeRecordsHold> m_holds;
    std::string m_held; // record numbers of ACTIVITY held elsewhere, as a JSON array
    Date m_before = 0;
    Stage m_stage = Stage::Ready;
    std::string m_stageFile;
    std::int64_t m_progress = 0;
    std::int64_t m_progressTotal = 0;
    std::int64_t m_slice = 5000;
    std::int64_t m_fixedSlice = 0;
    std::size_t m_nextPack = 0;
    BatchDeleteCounts m_counts;
    std::vector<std::filesystem::path> m_archive;
};

} // namespace korvalen
