// Timings of occurrence generation, of the conflict check of a save and of
// the save itself.
// Prints one `name value unit` line per figure on stdout and its progress
// on stderr.
//
// Usage: bench_schedule [parent directory]
// The run works in a fresh directory made under the parent (the system's
// temporary directory by default) and removes it at the end.
//
// The conflict check is timed on a weekly series of 260 dates with five
// people against two sizes of file. Both files hold the same bookings on
// the five years the series covers (10,000 occurrences, about five a
// day); the large one adds 990,000 occurrences on the decades before it,
// as a household's history grows. So the two figures differ only by the
// size of the file, which the check's cost must not follow.
//
// The save is timed on the same series, stored as a new activity with its
// five people in one transaction, on a file holding the 10,000 occurrences
// of those years; each trial's activity is deleted again before the next.
// So is the split: the series stored, then a change of its times from its
// middle date on made "This One and Future" and saved, both halves deleted
// again after each trial.

#include "runtime/prompter.h"
#include "schedulelogic/activityedit.h"
#include "schedulelogic/conflicts.h"
#include "schedulelogic/generate.h"
#include "storage/cursor.h"

#include "benchkit.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using bench::SteadyClock;

constexpr int kSeriesDates = 260;
constexpr int kSeriesPeople = 5;
constexpr std::int32_t kSeriesNumber = 1000000;
constexpr ClockTime kQuarter = 15 * kHundredthsPerMinute;
constexpr ClockTime kSeriesStart = 18 * kHundredthsPerHour + 1;
constexpr ClockTime kSeriesEnd = 19 * kHundredthsPerHour + 1;
constexpr std::int64_t kWindowOccurrences = 10000;
constexpr std::int64_t kLargeFile = 1000000;
constexpr int kOccurrencesPerActivity = 50;
constexpr int kPeoplePool = 40;
constexpr int kPeriods = 30;
constexpr int kGenerateTrials = 201;
constexpr int kDailyTrials = 7;
constexpr int kConflictTrials = 7;
constexpr int kSaveTrials = 7;
constexpr std::uint64_t kSeed = 20261208;

using bench::BenchFailure;
using bench::median;
using bench::report;
using bench::require;
using bench::secondsSince;

void progress(const std::string &text)
{
    bench::progress("bench_schedule", text);
}

// The run's working directory.
class Workspace : public bench::Workspace
{
public:
    explicit Workspace(const std::filesystem::path &parent)
        : bench::Workspace(parent, "korvalen-bench-schedule-")
    {
    }
};

// The median time of `trials` runs of `work`, the first one left out.
template <class Work> double medianSeconds(int trials, Work work)
{
    std::vector<double> times;
    for (int i = 0; i <= trials; ++i) {
        auto start = SteadyClock::now();
        work();
        if (i > 0)
            times.push_back(secondsSince(start));
    }
    return median(times);
}

std::size_t generate(Date start, RepeatUnit unit, Date until)
{
    OccurrenceQueue queue;
    ActivityRecord activity;
    activity.ACTNUMBER = 1;
    activity.REPNUMBER = 1;
    activity.REPEND = until;
    return generateOccurrences(queue, {1, start, kSeriesStart, kSeriesEnd}, activity, unit);
}

void benchGenerate(Date today)
{
    progress("generating series");
    const Date fiveYears = makeDate(monthOf(today), dayOf(today), yearOf(today) + 5);
    const double weekly = medianSeconds(
        kGenerateTrials, [&] { (void)generate(today, RepeatUnit::Weeks, fiveYears); });
    report("generate_weekly_5y_us", weekly * 1e6, "us");
    std::size_t count = 0;
    const double daily = medianSeconds(
        kDailyTrials, [&] { count = generate(today, RepeatUnit::Days, makeDate(12, 31, 2150)); });
    progress("daily to the cap: " + std::to_string(count) + " occurrences");
    report("generate_daily_to_2098_ms", daily * 1e3, "ms");
}

Text<10> personName(int index)
{
    return Text<10>("P" + std::to_string(index));
}

// The files of one program, created and open.
std::unique_ptr<AppData> openFiles(const std::filesystem::path &directory)
{
    auto data = std::make_unique<AppData>();
    require(data->database.open(directory), "open the connection");
    for (DataFile *file : {&data->special, &data->dates, &data->personAct, &data->activity}) {
        require(file->create(), "create " + std::string(file->name()));
        require(file->open(), "open " + std::string(file->name()));
    }
    return data;
}

// Stored activities and their occurrences. An activity of one of the
// series' people never overlaps the series' hour; the others may.
class Household
{
public:
    explicit Household(AppData &data) : m_data(data), m_random(kSeed) {}

    // Adds `count` occurrences on days from `first` to `last`, fifty to an
    // activity, in one transaction.
    void add(std::int64_t count, Date first, Date last)
    {
        Transaction transaction(m_data.database);
        require(transaction.status(), "begin a transaction");
        std::uniform_int_distribution<Date> day(first, last);
        for (std::int64_t index = 0; index < count; ++index) {
            if (index % kOccurrencesPerActivity == 0)
                addActivity();
            addOccurrence(day(m_random));
            if ((index + 1) % 100000 == 0)
                progress("added " + std::to_string(index + 1) + " occurrences");
        }
        require(transaction.commit(), "commit the occurrences");
    }

    void addPeriods(Date before)
    {
        Transaction transaction(m_data.database);
        require(transaction.status(), "begin a transaction");
        for (int i = 0; i < kPeriods; ++i) {
            m_data.SPE.STARTDATE = before - 40 * (i + 1);
            m_data.SPE.ENDDATE = m_data.SPE.STARTDATE + 10;
            m_data.SPE.DESCRIPTION = "Holiday " + std::to_string(i);
            require(m_data.special.add(), "add a special period");
        }
        require(transaction.commit(), "commit the periods");
    }

private:
    void addActivity()
    {
        ++m_number;
        m_shared = m_random() % 4 == 0;
        m_data.ACT = {};
        m_data.ACT.ACTNUMBER = m_number;
        m_data.ACT.NAME = "Activity " + std::to_string(m_number);
        m_data.ACT.REPEATTYPE = kIrregularDates;
        require(m_data.activity.add(), "add an activity");
        // Two people from the pool beyond the series' five, and one of the
        // five when the activity is shared.
        std::uniform_int_distribution<int> other(kSeriesPeople + 1, kPeoplePool);
        std::vector<int> people{other(m_random), other(m_random)};
        if (m_shared)
            people.push_back(1 + static_cast<int>(m_random() % kSeriesPeople));
        std::sort(people.begin(), people.end());
        people.erase(std::unique(people.begin(), people.end()), people.end());
        for (int person : people) {
            m_data.PER = {m_number, personName(person)};
            require(m_data.personAct.add(), "add a participant");
        }
    }

    void addOccurrence(Date date)
    {
        ClockTime start = 0;
        ClockTime end = 0;
        do {
            start = 1 + static_cast<ClockTime>(32 + m_random() % 52) * kQuarter; // 8:00..20:45
            end = start + static_cast<ClockTime>(1 + m_random() % 8) * kQuarter;
        } while (m_shared && timesOverlap(kSeriesStart, kSeriesEnd, start, end));
        bench::addOccurrence(m_data, m_number, date, start, end);
    }

    AppData &m_data;
    std::mt19937_64 m_random;
    std::int32_t m_number = 0;
    bool m_shared = false;
};

// Counts the windows a check would show: the series must meet none.
class CountingHost : public ConflictHost
{
public:
    std::optional<ConflictChoice> show(const Collision &, bool) override
    {
        ++shown;
        return ConflictChoice::Accept;
    }
    void readFailed(std::string_view fileName, const Status &status) override
    {
        throw BenchFailure("reading " + std::string(fileName) + ": " + status.text());
    }
    int shown = 0;
};

// The median time of checking the whole series, one save per trial.
double conflictSeriesMillis(AppData &data, Date first)
{
    ParticipantQueue participants;
    for (int person = 1; person <= kSeriesPeople; ++person)
        participants.insert({kSeriesNumber, personName(person)});
    CountingHost host;
    const double seconds = medianSeconds(kConflictTrials, [&] {
        ConflictCheck check(data, participants, host);
        for (int i = 0; i < kSeriesDates; ++i)
            (void)check.check({kSeriesNumber, first + 7 * i, kSeriesStart, kSeriesEnd}, true);
    });
    if (host.shown != 0)
        throw BenchFailure("the series met " + std::to_string(host.shown) + " collisions");
    return seconds * 1e3;
}

void benchConflicts(const Workspace &workspace, Date today)
{
    auto data = openFiles(workspace.path());
    Household household(*data);
    const Date first = today;
    const Date last = first + 7 * (kSeriesDates - 1);
    progress("adding 10,000 occurrences on the series' five years");
    household.addPeriods(first);
    household.add(kWindowOccurrences, first, last);
    const double small = conflictSeriesMillis(*data, first);
    report("conflict_series_ms_10k", small, "ms");

    progress("adding 990,000 occurrences on the decades before");
    auto start = SteadyClock::now();
    household.add(kLargeFile - kWindowOccurrences, makeDate(1, 1, 1900), first - 1);
    progress("added in " + std::to_string(secondsSince(start)) + " s");
    const double large = conflictSeriesMillis(*data, first);
    report("conflict_series_ms_1m", large, "ms");
    report("conflict_series_ratio_size", large / small, "x");
}

// Deletes every record of `file` whose key `key` leads with `number`.
template <class Record> void removeRecordsOf(DataFile &file, int key, std::int32_t number)
{
    Record probe{};
    probe.ACTNUMBER = number;
    Cursor cursor(file, key);
    cursor.setRangeEqual(1, &probe);
    Status status;
    while ((status = cursor.next()).ok())
        require(file.remove(), "delete from " + std::string(file.name()));
    if (!status.is(ErrorCode::NoRecord))
        require(status, "read " + std::string(file.name()));
}

void removeActivity(AppData &data, std::int32_t number)
{
    Transaction transaction(data.database);
    require(transaction.status(), "begin a transaction");
    removeRecordsOf<ActivityRecord>(data.activity, keys::ACT_ACTNUMBER_KEY, number);
    removeRecordsOf<DatesRecord>(data.dates, keys::DAT_ACTNUMBER_KEY, number);
    removeRecordsOf<PersonActRecord>(data.personAct, keys::PER_ACTIVITY_KEY, number);
    require(transaction.commit(), "commit the delete");
}

// The series as a new activity form holds it before its save.
ActivityEdit newSeries(AppData &data, Date first)
{
    ActivityEdit edit;
    require(edit.primeNew(data, kSeriesStart), "prime a new activity");
    edit.activity.NAME = "Weekly series";
    edit.activity.REPEATTYPE = kFixedWeeks;
    edit.activity.REPNUMBER = 1;
    edit.activity.REPEND = first + 7 * (kSeriesDates - 1);
    for (int i = 0; i < kSeriesDates; ++i)
        edit.occurrences.insert({edit.activity.ACTNUMBER, first + 7 * i, kSeriesStart, kSeriesEnd});
    for (int person = 1; person <= kSeriesPeople; ++person)
        edit.participants.insert({edit.activity.ACTNUMBER, personName(person)});
    return edit;
}

// The median time of saving the series as a new activity.
double saveSeriesMillis(AppData &data, Date first)
{
    ScriptedPrompter prompter;
    std::vector<double> times;
    for (int trial = 0; trial <= kSaveTrials; ++trial) {
        ActivityEdit edit = newSeries(data, first);
        auto start = SteadyClock::now();
        SaveResult result = saveNewActivity(data, prompter, edit);
        const double seconds = secondsSince(start);
        require(result.status, "save the series");
        if (trial > 0)
            times.push_back(seconds);
        removeActivity(data, edit.activity.ACTNUMBER);
    }
    return median(times) * 1e3;
}

// The median time of saving a "This One and Future" change of the times
// from the middle of the stored series: its later half split off into a
// new activity, the old one's pattern put, in one transaction.
double splitSeriesMillis(AppData &data, Date first)
{
    ScriptedPrompter prompter;
    CountingHost host;
    std::vector<double> times;
    for (int trial = 0; trial <= kSaveTrials; ++trial) {
        ActivityEdit series = newSeries(data, first);
        require(saveNewActivity(data, prompter, series).status, "save the series");
        const std::int32_t number = series.activity.ACTNUMBER;
        // Read as the change form reads it.
        data.ACT.ACTNUMBER = number;
        data.activity.watch();
        require(data.activity.get(keys::ACT_ACTNUMBER_KEY), "read the series");
        const DatesRecord middle{
            number, first + 7 * (kSeriesDates / 2), kSeriesStart, kSeriesEnd, {}, {}};
        ActivityEdit edit;
        require(edit.loadForChange(data, data.ACT, data.activity.current(), middle),
                "load the series");
        edit.acceptStart(kSeriesStart + kQuarter);
        edit.acceptEnd(kSeriesEnd + kQuarter);
        ConflictCheck check(data, edit.participants, host);
        if (edit.applyChange(ChangeScope::ThisOneAndFuture, check, true) != ScopeOutcome::Save)
            throw BenchFailure("the series was not split");

        auto start = SteadyClock::now();
        SaveResult result = saveChangedActivity(data, prompter, edit);
        const double seconds = secondsSince(start);
        require(result.status, "save the split");
        if (trial > 0)
            times.push_back(seconds);
        removeActivity(data, number);
        removeActivity(data, edit.split->added.ACTNUMBER);
    }
    return median(times) * 1e3;
}

void benchSave(const Workspace &workspace, Date today)
{
    const std::filesystem::path directory = workspace.path() / "save";
    std::filesystem::create_directory(directory);
    auto data = openFiles(directory);
    // In use as by a form, so that the save neither opens nor closes them.
    for (DataFile *file : {&data->activity, &data->dates, &data->personAct})
        file->addUser();
    progress("adding 10,000 occurrences for the save");
    Household household(*data);
    household.add(kWindowOccurrences, today, today + 7 * (kSeriesDates - 1));
    report("save_series_ms_260", saveSeriesMillis(*data, today), "ms");
    report("split_series_ms_5y", splitSeriesMillis(*data, today), "ms");
}

int run(const std::filesystem::path &parent)
{
    const Date today = SystemClock().today();
    benchGenerate(today);
    Workspace workspace(parent);
    benchSave(workspace, today);
    benchConflicts(workspace, today);
    return 0;
}

} // namespace
} // namespace korvalen

int main(int argc, char **argv)
{
    return korvalen::bench::runMain(argc, argv, "bench_schedule", korvalen::run);
}
