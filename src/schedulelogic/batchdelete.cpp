#include "schedulelogic/batchdelete.h"

#include "storage/lockfile.h"
#include "storage/openfile.h"
#include "storage/savescope.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace korvalen {

namespace {

// The occurrences, activities and participants a batch delete removes, as
// set-based statements. ?1 is the first day kept; the activities whose form
// is open elsewhere (ACTIVITY record numbers, a JSON array) are left alone.
constexpr const char *kHeldNumbers =
    "(SELECT ACTNUMBER FROM {ACTIVITY} WHERE recno IN (SELECT value FROM json_each(?2)))";

std::string occurrencesToGo()
{
    return std::string("SELECT count(*) FROM {DATES} WHERE DATE < ?1 AND ACTNUMBER NOT IN ") +
           kHeldNumbers;
}

std::string sliceOfOccurrences()
{
    // In date order, so that each slice reads the date key from its start.
    return std::string("DELETE FROM {DATES} WHERE recno IN (SELECT recno FROM {DATES} "
                       "WHERE DATE < ?1 AND ACTNUMBER NOT IN ") +
           kHeldNumbers + " ORDER BY DATE LIMIT ?3)";
}

// Held activities that have something to delete: an occurrence before the
// day, or none at all.
constexpr const char *kSkippedActivities =
    "SELECT count(*) FROM {ACTIVITY} AS a WHERE a.recno IN (SELECT value FROM json_each(?2)) "
    "AND (EXISTS (SELECT 1 FROM {DATES} AS d WHERE d.ACTNUMBER = a.ACTNUMBER AND d.DATE < ?1) "
    "OR NOT EXISTS (SELECT 1 FROM {DATES} AS d WHERE d.ACTNUMBER = a.ACTNUMBER))";

// Activities without occurrences that no form holds; ?1 the held ones.
constexpr const char *kLeftWithout =
    "a.recno NOT IN (SELECT value FROM json_each(?1)) "
    "AND NOT EXISTS (SELECT 1 FROM {DATES} AS d WHERE d.ACTNUMBER = a.ACTNUMBER)";

std::string participantsOfActivitiesLeftWithout()
{
    return std::string("DELETE FROM {PERSONACT} WHERE ACTNUMBER IN "
                       "(SELECT a.ACTNUMBER FROM {ACTIVITY} AS a WHERE ") +
           kLeftWithout + ")";
}

std::string activitiesLeftWithout()
{
    return std::string("DELETE FROM {ACTIVITY} AS a WHERE ") + kLeftWithout;
}

std::string jsonArray(const std::vector<std::int64_t> &numbers)
{
    std::string text = "[";
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            text += ',';
        text += std::to_string(numbers[i]);
    }
    text += ']';
    return text;
}

constexpr int kArchiveAttempts = 3;
constexpr std::int64_t kSmallestSlice = 1000;
constexpr std::int64_t kLargestSlice = 1000000;
constexpr auto kSliceTime = std::chrono::milliseconds(50);

} // namespace

std::vector<std::filesystem::path> batchArchivePaths(const std::filesystem::path &directory,
                                                     Date day)
{
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d", yearOf(day), monthOf(day), dayOf(day));
    std::error_code error;
    for (int n = 1;; ++n) {
        std::string suffix = "-";
        suffix += stamp;
        if (n > 1) {
            suffix += '-';
            suffix += std::to_string(n);
        }
        suffix += ".BAK";
        std::vector<std::filesystem::path> paths;
        bool taken = false;
        for (const char *name : {"DATES", "PERSONACT", "ACTIVITY"}) {
            paths.push_back(directory / (name + suffix));
            taken = taken || std::filesystem::exists(paths.back(), error);
        }
        if (!taken)
            return paths;
    }
}

BatchDelete::BatchDelete(AppData &data, Prompter &prompter) : m_data(data), m_prompter(prompter)
{
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct})
        m_uses.push_back(std::make_unique<FileUse>(*file, prompter));
}

BatchDelete::~BatchDelete()
{
    endTransaction();
}

SaveResult BatchDelete::begin(Date before, Date archiveDay)
{
    if (m_stage != Stage::Ready)
        return SaveResult::failed(Status(ErrorCode::AccessDenied, "The batch delete has begun"),
                                  SaveStep::Delete, m_data.dates);
    m_before = before;
    m_counts = {};
    std::vector<std::int64_t> counters;
    for (int attempt = 0; attempt < kArchiveAttempts; ++attempt) {
        if (archiveDay != 0) {
            if (SaveResult result = makeArchive(archiveDay, counters); !result.ok())
                return result;
        }
        if (SaveResult result = beginTransaction(); !result.ok())
            return result;
        // The copy must hold what is deleted: a station that committed
        // between the copy and the transaction makes it stale.
        bool unchanged = true;
        DataFile *files[] = {&m_data.dates, &m_data.personAct, &m_data.activity};
        for (std::size_t i = 0; i < counters.size(); ++i) {
            std::int64_t now = 0;
            unchanged = unchanged && files[i]->changeCounter(now).ok() && now == counters[i];
        }
        if (unchanged) {
            m_stage = Stage::Occurrences;
            m_stageFile = "DATES";
            return {};
        }
        endTransaction();
        std::error_code error;
        for (const std::filesystem::path &copy : m_archive)
            std::filesystem::remove(copy, error);
        m_archive.clear();
    }
    return SaveResult::failed(
        Status(ErrorCode::FileLocked, "Other stations kept changing the files during the copy"),
        SaveStep::Delete, m_data.dates);
}

SaveResult BatchDelete::makeArchive(Date day, std::vector<std::int64_t> &counters)
{
    const std::vector<std::filesystem::path> paths =
        batchArchivePaths(m_data.database.directory(), day);
    std::vector<FileCopy> copies = {
        {&m_data.dates, paths[0]}, {&m_data.personAct, paths[1]}, {&m_data.activity, paths[2]}};
    if (Status status = copyFiles(copies); !status.ok())
        return SaveResult::failed(status, SaveStep::Delete, m_data.dates);
    m_archive = paths;
    counters.clear();
    for (const FileCopy &copy : copies)
        counters.push_back(copy.changeCounter);
    return {};
}

SaveResult BatchDelete::beginTransaction()
{
    m_save = std::make_unique<SaveScope>(m_data.database, m_prompter,
                                         std::vector<std::reference_wrapper<DataFile>>{
                                             m_data.activity, m_data.dates, m_data.personAct});
    if (Status status = m_save->status(); !status.ok()) {
        endTransaction();
        return SaveResult::failed(status, SaveStep::Delete, m_data.dates);
    }
    // Inside the transaction no station can change the files; from here to
    // its end no form can open an activity this one has not seen held.
    m_holds = std::make_unique<FreeRecordsHold>();
    std::vector<std::int64_t> held;
    if (Status status = m_data.activity.holdAllFree(*m_holds, held); !status.ok()) {
        endTransaction();
        return SaveResult::failed(status, SaveStep::Delete, m_data.activity);
    }
    m_held = jsonArray(held);
    std::int64_t toGo = 0;
    Status status = m_save->queryNumber(occurrencesToGo(), {m_before, m_held}, toGo);
    if (status.ok())
        status =
            m_save->queryNumber(kSkippedActivities, {m_before, m_held}, m_counts.skippedActivities);
    if (!status.ok()) {
        endTransaction();
        return SaveResult::failed(status, SaveStep::Read, m_data.dates);
    }
    m_progress = 0;
    // The activities with the commit, then each file's compaction.
    m_progressTotal = toGo + 4;
    return {};
}

SaveResult BatchDelete::step()
{
    switch (m_stage) {
    case Stage::Occurrences:
        return deleteSlice();
    case Stage::Activities:
        return deleteActivities();
    case Stage::Compacting:
        compactNext();
        return {};
    case Stage::Ready:
    case Stage::Done:
        break;
    }
    return {};
}

SaveResult BatchDelete::deleteSlice()
{
    const std::int64_t limit = m_fixedSlice > 0 ? m_fixedSlice : m_slice;
    const auto start = std::chrono::steady_clock::now();
    std::int64_t deleted = 0;
    if (Status status = m_save->execute(sliceOfOccurrences(), {m_before, m_held, limit}, &deleted);
        !status.ok())
        return failed(status, m_data.dates);
    m_counts.occurrences += deleted;
    m_progress += deleted;
    if (deleted < limit) {
        m_stage = Stage::Activities;
        m_stageFile = "ACTIVITY";
    }
    const auto took = std::chrono::steady_clock::now() - start;
    if (took < kSliceTime / 2)
        m_slice = std::min(m_slice * 2, kLargestSlice);
    else if (took > kSliceTime * 2)
        m_slice = std::max(m_slice / 2, kSmallestSlice);
    return {};
}

SaveResult BatchDelete::deleteActivities()
{
    if (Status status = m_save->execute(participantsOfActivitiesLeftWithout(), {m_held},
                                        &m_counts.participants);
        !status.ok())
        return failed(status, m_data.personAct);
    if (Status status = m_save->execute(activitiesLeftWithout(), {m_held}, &m_counts.activities);
        !status.ok())
        return failed(status, m_data.activity);
    if (Status status = m_save->commit(); !status.ok())
        return failed(status, m_data.dates);
    endTransaction();
    m_progress += 1;
    m_stage = Stage::Compacting;
    m_nextPack = 0;
    m_stageFile = "DATES";
    return {};
}

void BatchDelete::compactNext()
{
    // Where records went, while this is the file's only use here; another
    // station's use keeps the exclusive open from succeeding.
    const struct
    {
        DataFile *file;
        std::int64_t deleted;
    } files[] = {{&m_data.dates, m_counts.occurrences},
                 {&m_data.personAct, m_counts.participants},
                 {&m_data.activity, m_counts.activities}};
    while (m_nextPack < std::size(files)) {
        DataFile &file = *files[m_nextPack].file;
        const bool wanted = files[m_nextPack].deleted > 0;
        ++m_nextPack;
        ++m_progress;
        if (m_nextPack < std::size(files))
            m_stageFile = std::string(files[m_nextPack].file->name());
        if (!wanted || file.openCount() != 1 || !file.openExclusive().ok())
            continue;
        const bool packed = file.pack().ok();
        file.endExclusive();
        if (packed)
            m_counts.packed.emplace_back(file.name());
        break;
    }
    if (m_nextPack >= std::size(files)) {
        m_stage = Stage::Done;
        m_progress = m_progressTotal;
    }
}

void BatchDelete::cancel()
{
    endTransaction();
    if (m_stage != Stage::Ready)
        m_stage = Stage::Done;
}

SaveResult BatchDelete::run(Date before, Date archiveDay)
{
    SaveResult result = begin(before, archiveDay);
    while (result.ok() && m_stage != Stage::Done)
        result = step();
    return result;
}

SaveResult BatchDelete::failed(Status status, const DataFile &file)
{
    endTransaction();
    m_stage = Stage::Done;
    m_counts = {};
    return SaveResult::failed(std::move(status), SaveStep::Delete, file);
}

void BatchDelete::endTransaction()
{
    // The transaction ends before the holds that guard it.
    m_save.reset();
    m_holds.reset();
}

} // namespace korvalen
