// Timings of the batch delete of old activities.
// Prints one `name value unit` line per figure on stdout and its progress
// on stderr.
//
// Usage: bench_batch [parent directory]
// The run works in a fresh directory made under the parent (the system's
// temporary directory by default) and removes it at the end.
//
// The files hold 1,000,000 occurrences: 20,000 activities of 50 weekly
// dates each, starting on random days of twenty years, with two people
// each. Both figures delete the older half of the occurrences, the
// activities left without any and their people, and compact the three
// files, on fresh copies of the same files:
//   batch_delete_s_1m      the program's batch delete (a slice at a time,
//                          the holds, the counts, the compaction checks)
//   batch_delete_raw_s_1m  the same deletions and compaction as hand-written
//                          statements in one transaction
// Each is the median of three trials, taken in turns. The program deletes
// the occurrences a slice at a time in date order, which keeps the pages of
// the date key it changes together in the cache; the one statement over the
// whole range changes them all over the key, and takes longer.

#include "runtime/prompter.h"
#include "schedulelogic/batchdelete.h"

#include "benchkit.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using bench::BenchFailure;
using bench::median;
using bench::report;
using bench::require;
using bench::secondsSince;
using bench::SteadyClock;

constexpr std::int32_t kActivities = 20000;
constexpr int kOccurrencesEach = 50;
constexpr int kTrials = 3;
constexpr std::uint64_t kSeed = 20261208;
constexpr ClockTime kStart = 18 * kHundredthsPerHour + 1;
constexpr ClockTime kEnd = 19 * kHundredthsPerHour + 1;

void progress(const std::string &text)
{
    bench::progress("bench_batch", text);
}

const char *const kFiles[] = {"ACTIVITY", "DATES", "PERSONACT"};

// Makes the three files in `directory` and returns the day that splits their
// occurrences in halves.
Date makeFiles(const std::filesystem::path &directory)
{
    AppData data;
    require(data.database.open(directory), "open the connection");
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct}) {
        require(file->create(), "create " + std::string(file->name()));
        require(file->open(), "open " + std::string(file->name()));
    }
    std::mt19937_64 random(kSeed);
    const Date first = makeDate(1, 1, 2006);
    std::uniform_int_distribution<Date> start(first, first + 20 * 365);
    std::vector<Date> dates;
    Transaction transaction(data.database);
    require(transaction.status(), "begin a transaction");
    for (std::int32_t number = 1; number <= kActivities; ++number) {
        data.ACT = {};
        data.ACT.ACTNUMBER = number;
        data.ACT.NAME = "Activity " + std::to_string(number);
        data.ACT.REPEATTYPE = "Fixed Weeks";
        require(data.activity.add(), "add an activity");
        const Date from = start(random);
        for (int i = 0; i < kOccurrencesEach; ++i) {
            data.DAT = {number, from + 7 * i, kStart, kEnd};
            require(data.dates.add(), "add an occurrence");
            dates.push_back(from + 7 * i);
        }
        for (const char *person : {"Ann", "Bea"}) {
            data.PER = {number, Text<10>(person)};
            require(data.personAct.add(), "add a participant");
        }
    }
    require(transaction.commit(), "commit the files");
    auto middle = dates.begin() + static_cast<std::ptrdiff_t>(dates.size() / 2);
    std::nth_element(dates.begin(), middle, dates.end());
    return *middle;
}

void copyFiles(const std::filesystem::path &from, const std::filesystem::path &to)
{
    std::filesystem::remove_all(to);
    std::filesystem::create_directories(to);
    for (const char *name : kFiles)
        std::filesystem::copy_file(from / (std::string(name) + ".DB"),
                                   to / (std::string(name) + ".DB"));
}

double timeBatchDelete(const std::filesystem::path &directory, Date before)
{
    AppData data;
    require(data.database.open(directory), "open the connection");
    ScriptedPrompter prompter;
    BatchDelete batch(data, prompter);
    const auto start = SteadyClock::now();
    SaveResult result = batch.run(before);
    const double seconds = secondsSince(start);
    require(result.status, "batch delete");
    if (batch.counts().packed.size() != 3)
        throw BenchFailure("the batch delete compacted " +
                           std::to_string(batch.counts().packed.size()) + " files, not 3");
    progress("batch delete: " + std::to_string(batch.counts().occurrences) + " occurrences, " +
             std::to_string(batch.counts().activities) + " activities, " +
             std::to_string(batch.counts().participants) + " participants");
    return seconds;
}

double timeRawStatements(const std::filesystem::path &directory, Date before)
{
    AppData data;
    require(data.database.open(directory), "open the connection");
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct})
        require(file->open(), "open " + std::string(file->name()));
    const std::string dates = data.dates.table();
    const std::string activities = data.activity.table();
    const std::string people = data.personAct.table();
    const std::string leftWithout =
        "NOT EXISTS (SELECT 1 FROM " + dates + " AS d WHERE d.ACTNUMBER = a.ACTNUMBER)";
    Database &db = data.database;
    const auto start = SteadyClock::now();
    require(db.execute("BEGIN IMMEDIATE"), "begin");
    require(db.execute("DELETE FROM " + dates + " WHERE DATE < " + std::to_string(before)),
            "delete the occurrences");
    require(db.execute("DELETE FROM " + people + " WHERE ACTNUMBER IN (SELECT a.ACTNUMBER FROM " +
                       activities + " AS a WHERE " + leftWithout + ")"),
            "delete the participants");
    require(db.execute("DELETE FROM " + activities + " AS a WHERE " + leftWithout),
            "delete the activities");
    require(db.execute("COMMIT"), "commit");
    for (DataFile *file : {&data.dates, &data.personAct, &data.activity})
        require(db.execute("VACUUM " + file->schema()), "compact " + std::string(file->name()));
    return secondsSince(start);
}

int run(const std::filesystem::path &parent)
{
    bench::Workspace workspace(parent, "korvalen-bench-batch-");
    progress("making 1,000,000 occurrences");
    const std::filesystem::path original = workspace.directory("original");
    const Date before = makeFiles(original);
    std::vector<double> batch, raw;
    for (int trial = 1; trial <= kTrials; ++trial) {
        progress("trial " + std::to_string(trial));
        // In turns, so that neither always runs on the other's leftovers in
        // the system's caches.
        const std::filesystem::path batchDirectory = workspace.path() / "batch";
        const std::filesystem::path rawDirectory = workspace.path() / "raw";
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn + trial) % 2 == 0) {
                copyFiles(original, batchDirectory);
                batch.push_back(timeBatchDelete(batchDirectory, before));
            } else {
                copyFiles(original, rawDirectory);
                raw.push_back(timeRawStatements(rawDirectory, before));
            }
        }
        progress("batch " + std::to_string(batch.back()) + " s, raw " + std::to_string(raw.back()) +
                 " s");
    }
    report("batch_delete_s_1m", median(batch), "s");
    report("batch_delete_raw_s_1m", median(raw), "s");
    return 0;
}

} // namespace
} // namespace korvalen

int main(int argc, char **argv)
{
    return korvalen::bench::runMain(argc, argv, "bench_batch", korvalen::run);
}
