// Timings of the keyed files on DATES files of a thousand and a million
// records: reading a page, opening, adding, packing. Prints one
// `name value unit` line per figure on stdout and its progress on stderr.
//
// Usage: bench_storage [parent directory]
// The run works in a fresh directory made under the parent (the system's
// temporary directory by default) and removes it at the end.

#include "runtime/dates.h"
#include "storage/datafiles.h"
#include "storage/engine.h"

#include "benchkit.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
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

constexpr Date kFirstDay = 80000;
constexpr int kDaySpan = 3653; // about ten years
constexpr int kPageRecords = 20;
constexpr int kReadWarmup = 100;
constexpr int kReadTrials = 1000;
constexpr int kOpenTrials = 21;
constexpr std::int64_t kBatch = 10000;
constexpr std::int64_t kSmallFile = 1000;
constexpr std::int64_t kLargeFile = 1000000;
constexpr std::uint64_t kSeed = 20240601;

using bench::BenchFailure;
using bench::median;
using bench::report;
using bench::require;
using bench::secondsSince;

void progress(const std::string &text)
{
    bench::progress("bench_storage", text);
}

// The run's working directory.
class Workspace : public bench::Workspace
{
public:
    explicit Workspace(const std::filesystem::path &parent)
        : bench::Workspace(parent, "korvalen-bench-")
    {
    }
};

// One program's data on `directory`, its DATES file created when missing
// and open.
std::unique_ptr<AppData> openDates(const std::filesystem::path &directory)
{
    auto data = std::make_unique<AppData>();
    require(data->database.open(directory), "open the connection");
    Status status = data->dates.open();
    if (status.is(ErrorCode::FileNotFound)) {
        require(data->dates.create(), "create DATES");
        status = data->dates.open();
    }
    require(status, "open DATES");
    return data;
}

std::string dateText(Date date)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", monthOf(date), dayOf(date), yearOf(date));
    return text;
}

// Occurrences in random order over ten years from kFirstDay, at quarter
// hours between 8:00 and 22:00, fifty to an activity. About one record in
// four repeats the date and times of the one before, so the key has runs of
// equal values to break by record number.
class DatesGenerator
{
public:
    explicit DatesGenerator(std::uint64_t seed) : m_random(seed) {}

    void fill(DatesRecord &record, std::int64_t index)
    {
        if (index == 0 || m_random() % 4 != 0) {
            constexpr ClockTime quarter = 15 * kHundredthsPerMinute;
            record.DATE = kFirstDay + static_cast<Date>(m_random() % kDaySpan);
            record.TIME = 1 + static_cast<ClockTime>(32 + m_random() % 56) * quarter;
            record.ENDTIME = record.TIME + static_cast<ClockTime>(1 + m_random() % 8) * quarter;
        }
        record.ACTNUMBER = static_cast<std::int32_t>(index / 50 + 1);
        record.DATETEXT = dateText(record.DATE);
        record.DAYNAME = weekdayName(weekdayOf(record.DATE)).substr(0, 3);
    }

private:
    std::mt19937_64 m_random;
};

// Adds `count` records through the keyed-file API, `kBatch` to a
// transaction. Returns the seconds taken.
double addRecords(AppData &data, std::int64_t count)
{
    DatesGenerator generator(kSeed);
    auto start = SteadyClock::now();
    for (std::int64_t index = 0; index < count;) {
        Transaction transaction(data.database);
        require(transaction.status(), "begin a transaction");
        for (std::int64_t end = std::min(count, index + kBatch); index < end; ++index) {
            generator.fill(data.DAT, index);
            require(data.dates.add(), "add a record");
        }
        require(transaction.commit(), "commit the records");
        if (index % 100000 == 0)
            progress("added " + std::to_string(index) + " records");
    }
    return secondsSince(start);
}

// The dates a page may start at and still hold a full page: from the
// first record's date to the date of the `kPageRecords`-th record from
// the end.
std::pair<Date, Date> pageStartRange(AppData &data)
{
    data.dates.set(keys::DAT_DATETIME_KEY);
    require(data.dates.next(), "read the first record");
    Date first = data.DAT.DATE;
    data.dates.set(keys::DAT_DATETIME_KEY);
    for (int i = 0; i < kPageRecords; ++i)
        require(data.dates.previous(), "read the last records");
    Date last = data.DAT.DATE;
    data.database.releaseReads();
    return {first, last};
}

// The start dates of the warm-up and measured pages, the same for every
// reader of one file.
std::vector<Date> pageStarts(AppData &data)
{
    auto [first, last] = pageStartRange(data);
    std::mt19937_64 random(kSeed + 1);
    std::uniform_int_distribution<Date> pick(first, last);
    std::vector<Date> dates(kReadWarmup + kReadTrials);
    for (Date &date : dates)
        date = pick(random);
    return dates;
}

// One page as the browse lists read it: set on the date, twenty records
// with next(), the read lock given up as the event loop does.
double apiPageMicros(AppData &data, Date date)
{
    auto start = SteadyClock::now();
    data.DAT.DATE = date;
    data.dates.setAt(keys::DAT_DATETIME_KEY, 1);
    for (int i = 0; i < kPageRecords; ++i)
        require(data.dates.next(), "read a page");
    data.database.releaseReads();
    return secondsSince(start) * 1e6;
}

// The same page read by one hand-written statement: the engine's own limit.
class RawPageReader
{
public:
    explicit RawPageReader(Database &database)
    {
        require(database.prepare("SELECT recno, version, ACTNUMBER, DATE, TIME, ENDTIME, "
                                 "DATETEXT, DAYNAME FROM \"DATES\".rec WHERE DATE >= ?1 "
                                 "ORDER BY DATE, TIME, ENDTIME, recno LIMIT 20",
                                 m_statement),
                "prepare the page statement");
    }

    double pageMicros(Date date)
    {
        auto start = SteadyClock::now();
        sqlite3_stmt *statement = m_statement.get();
        sqlite3_bind_int(statement, 1, date);
        int count = 0;
        while (count < kPageRecords && sqlite3_step(statement) == SQLITE_ROW)
            load(statement, m_rows[count++]);
        sqlite3_reset(statement);
        if (count != kPageRecords)
            throw BenchFailure("the page statement read " + std::to_string(count) + " records");
        return secondsSince(start) * 1e6;
    }

private:
    struct Row
    {
        std::int64_t recno = 0;
        std::int64_t version = 0;
        std::int32_t ACTNUMBER = 0;
        std::int32_t DATE = 0;
        std::int32_t TIME = 0;
        std::int32_t ENDTIME = 0;
        std::array<char, 11> DATETEXT{};
        std::array<char, 4> DAYNAME{};
    };

    template <std::size_t N>
    static void loadText(sqlite3_stmt *statement, int column, std::array<char, N> &out)
    {
        auto *bytes = sqlite3_column_text(statement, column);
        std::size_t size = std::min<std::size_t>(N, sqlite3_column_bytes(statement, column));
        std::memcpy(out.data(), bytes, size);
        std::fill(out.begin() + size, out.end(), ' ');
    }

    static void load(sqlite3_stmt *statement, Row &row)
    {
        row.recno = sqlite3_column_int64(statement, 0);
        row.version = sqlite3_column_int64(statement, 1);
        row.ACTNUMBER = sqlite3_column_int(statement, 2);
        row.DATE = sqlite3_column_int(statement, 3);
        row.TIME = sqlite3_column_int(statement, 4);
        row.ENDTIME = sqlite3_column_int(statement, 5);
        loadText(statement, 6, row.DATETEXT);
        loadText(statement, 7, row.DAYNAME);
    }

    Statement m_statement;
    std::array<Row, kPageRecords> m_rows;
};

// The median page time over the measured start dates (after the warm-up).
template <class ReadPage> double medianPageMicros(const std::vector<Date> &starts, ReadPage read)
{
    std::vector<double> times;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        double micros = read(starts[i]);
        if (i >= static_cast<std::size_t>(kReadWarmup))
            times.push_back(micros);
    }
    return median(times);
}

double apiPageMedian(AppData &data, const std::vector<Date> &starts)
{
    return medianPageMicros(starts, [&](Date date) { return apiPageMicros(data, date); });
}

double rawPageMedian(AppData &data, const std::vector<Date> &starts)
{
    RawPageReader reader(data.database);
    return medianPageMicros(starts, [&](Date date) { return reader.pageMicros(date); });
}

// The median time of opening and closing DATES (the file left closed).
double openMedianMillis(AppData &data)
{
    data.dates.close();
    std::vector<double> times;
    for (int i = 0; i <= kOpenTrials; ++i) {
        auto start = SteadyClock::now();
        require(data.dates.open(), "open DATES");
        data.dates.close();
        if (i > 0) // the first one warms the caches
            times.push_back(secondsSince(start) * 1e3);
    }
    return median(times);
}

// Deletes every tenth record through the API, `kBatch` to a transaction.
void removeEveryTenth(AppData &data, std::int64_t count)
{
    for (std::int64_t number = 10; number <= count;) {
        Transaction transaction(data.database);
        require(transaction.status(), "begin a transaction");
        for (std::int64_t n = 0; n < kBatch && number <= count; ++n, number += 10) {
            require(data.dates.getByRecordNumber(number), "read a record to delete");
            require(data.dates.remove(), "delete a record");
        }
        require(transaction.commit(), "commit the deletions");
    }
}

struct Figures
{
    double pageRead1k = 0;
    double pageRead1m = 0;
    double pageReadRaw1m = 0;
    double openEmpty = 0;
    double open1m = 0;
};

void benchEmpty(const Workspace &workspace, Figures &figures)
{
    progress("opening an empty file");
    auto data = openDates(workspace.directory("empty"));
    figures.openEmpty = openMedianMillis(*data);
    report("open_ms_empty", figures.openEmpty, "ms");
}

void benchSmall(const Workspace &workspace, Figures &figures)
{
    progress("reading pages of a file of 1,000 records");
    auto data = openDates(workspace.directory("small"));
    (void)addRecords(*data, kSmallFile);
    std::vector<Date> starts = pageStarts(*data);
    figures.pageRead1k = apiPageMedian(*data, starts);
    report("page_read_us_1k", figures.pageRead1k, "us");
    // The engine's own figure on the small file, to compare the two sizes.
    report("page_read_raw_us_1k", rawPageMedian(*data, starts), "us");
}

void benchLargeReads(AppData &data, Figures &figures)
{
    progress("reading pages of a file of 1,000,000 records");
    std::vector<Date> starts = pageStarts(data);
    figures.pageRead1m = apiPageMedian(data, starts);
    report("page_read_us_1m", figures.pageRead1m, "us");
    figures.pageReadRaw1m = rawPageMedian(data, starts);
    report("page_read_raw_us_1m", figures.pageReadRaw1m, "us");
}

void benchLargeOpen(AppData &data, Figures &figures)
{
    progress("opening a file of 1,000,000 records");
    figures.open1m = openMedianMillis(data);
    report("open_ms_1m", figures.open1m, "ms");
    // The full check an open runs after a station stopped without closing.
    require(data.dates.open(), "open DATES");
    auto start = SteadyClock::now();
    require(data.dates.checkKeys(), "check the keys");
    report("open_check_ms", secondsSince(start) * 1e3, "ms");
}

std::string megabytes(const std::filesystem::path &file)
{
    return std::to_string(std::filesystem::file_size(file) >> 20) + " MB";
}

void benchPack(AppData &data)
{
    progress("deleting every tenth record");
    removeEveryTenth(data, kLargeFile);
    progress("packing (" + megabytes(data.dates.path()) + ")");
    auto start = SteadyClock::now();
    require(data.dates.pack(), "pack DATES");
    report("pack_1m_s", secondsSince(start), "s");
    std::int64_t count = 0;
    require(data.dates.records(count), "count the records");
    progress("packed: " + std::to_string(count) + " records, " + megabytes(data.dates.path()));
    if (count != kLargeFile - kLargeFile / 10)
        throw BenchFailure("the packed file holds " + std::to_string(count) + " records");
}

void benchLarge(const Workspace &workspace, Figures &figures)
{
    progress("adding 1,000,000 records");
    auto data = openDates(workspace.directory("large"));
    report("add_1m_s", addRecords(*data, kLargeFile), "s");
    benchLargeReads(*data, figures);
    benchLargeOpen(*data, figures);
    benchPack(*data);
}

void reportRatios(const Figures &figures)
{
    report("page_read_ratio_raw", figures.pageRead1m / figures.pageReadRaw1m, "x");
    report("page_read_ratio_size", figures.pageRead1m / figures.pageRead1k, "x");
}

int run(const std::filesystem::path &parent)
{
    Workspace workspace(parent);
    Figures figures;
    benchEmpty(workspace, figures);
    benchSmall(workspace, figures);
    benchLarge(workspace, figures);
    reportRatios(figures);
    return 0;
}

} // namespace
} // namespace korvalen

int main(int argc, char **argv)
{
    return korvalen::bench::runMain(argc, argv, "bench_storage", korvalen::run);
}
