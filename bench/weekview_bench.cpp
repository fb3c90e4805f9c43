// The week view's refresh on a week of 50 occurrences, in a file of 10,000
// and of 1,000,000 occurrences. Prints one `name value unit` line per figure
// on stdout and its progress on stderr.
//
// Usage: bench_weekview [parent directory]
// The run works in a fresh directory made under the parent (the system's
// temporary directory by default) and removes it at the end.
//
// Both files hold the same two busy weeks, 50 occurrences each (about seven
// a day, one to three people each); the rest of the occurrences lie on the
// twenty years before them, as a household's history grows. A refresh is
// timed as a week picked with "Cal": the seven lists leave one week for the
// other, each filled from its day's first row with the people of every row.
// The two figures differ only by the size of the file, which a refresh's
// cost must not follow. A refresh is timed as the processor time of the
// thread that runs it: on a machine shared with other work, the wall clock
// of a 2 ms task mostly tells whether another program took the processor
// for a slice meanwhile (the wall-clock medians are printed on stderr).

#include "runtime/prompter.h"
#include "storage/database.h"
#include "storage/openfile.h"
#include "ui/appcontext.h"
#include "ui/browselist.h"
#include "ui/procedures.h"
#include "views/weekview.h"

#include "benchkit.h"

#include <QApplication>

#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korvalen {
namespace {

using bench::require;
using bench::SteadyClock;

constexpr int kWeekOccurrences = 50;
constexpr int kFillerActivities = 5000;
constexpr int kHistoryDays = 20 * 365;

// The processor time the calling thread has used, in milliseconds.
double threadMillis()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The time `step` takes: processor time first, wall clock second.
template <class Step> std::pair<double, double> timed(Step step)
{
    const double cpu = threadMillis();
    const auto start = SteadyClock::now();
    step();
    return {threadMillis() - cpu, bench::secondsSince(start) * 1000};
}

void progress(const std::string &text)
{
    bench::progress("bench_weekview", text);
}

ClockTime at(int hour, int minute)
{
    return hour * kHundredthsPerHour + minute * kHundredthsPerMinute + 1;
}

void addActivity(AppData &data, std::int32_t number, int people)
{
    bench::addActivity(data, number);
    for (int person = 0; person < people; ++person) {
        data.PER = {number, Text<10>("P" + std::to_string((number + person) % 40))};
        require(data.personAct.add(), "add a participant");
    }
}

void addOccurrence(AppData &data, std::int32_t number, Date date, ClockTime time)
{
    bench::addOccurrence(data, number, date, time, time + kHundredthsPerHour);
}

// `occurrences` in all: the two busy weeks from `monday` and `monday` + 7,
// the rest on the history before them.
void seed(AppData &data, Date monday, int occurrences)
{
    Transaction transaction(data.database);
    require(transaction.status(), "begin");
    for (std::int32_t number = 1; number <= kFillerActivities; ++number)
        addActivity(data, number, 1 + number % 3);
    for (int week = 0; week < 2; ++week) {
        for (int i = 0; i < kWeekOccurrences; ++i) {
            const std::int32_t number = kFillerActivities + 1 + week * kWeekOccurrences + i;
            addActivity(data, number, 1 + i % 3);
            addOccurrence(data, number, monday + 7 * week + i % 7, at(7 + i / 7 * 2, 15 * (i % 4)));
        }
    }
    const int history = occurrences - 2 * kWeekOccurrences;
    for (int i = 0; i < history; ++i) {
        const Date date = monday - kHistoryDays +
                          static_cast<Date>(static_cast<std::int64_t>(i) * kHistoryDays / history);
        addOccurrence(data, 1 + i % kFillerActivities, date, at(6 + i % 14, 0));
    }
    require(transaction.commit(), "commit");
}

// One program's data on one file size, with its week view open.
class Setup
{
public:
    Setup(const bench::Workspace &workspace, int occurrences)
        : m_monday(mondayOf(m_clock.today())),
          m_context(std::make_unique<AppContext>(m_prompter, m_clock))
    {
        AppData &data = m_context->data;
        require(data.database.open(workspace.directory(std::to_string(occurrences))),
                "open the database");
        for (DataFile *file : {&data.activity, &data.dates, &data.personAct})
            m_uses.push_back(std::make_unique<FileUse>(*file, m_prompter));
        progress("adding " + std::to_string(occurrences) + " occurrences");
        seed(data, m_monday, occurrences);
        m_context->procedures->setCalled("LOOKUPCAL", [this](AppContext &called) {
            called.PickedDate = m_picked;
            called.globals.response = RequestCompleted;
        });
        m_context->procedures->setCalled("UPDATEACT", [](AppContext &) {});
        m_view = std::make_unique<WeekView>(*m_context);
        m_view->setAttribute(Qt::WA_DontShowOnScreen);
        m_view->resize(1060, 600);
        m_view->show();
        if (!m_view->start())
            throw bench::BenchFailure("the week view did not open");
        QApplication::processEvents();
    }
    ~Setup()
    {
        m_view.reset();
        m_uses.clear();
    }

    // Milliseconds to show the other busy week, picked with "Cal".
    std::pair<double, double> otherWeek()
    {
        m_picked = m_view->monday() == m_monday ? m_monday + 7 : m_monday;
        const std::pair<double, double> millis = timed([this] { m_view->pickWeek(); });
        int shown = 0;
        for (int day = 0; day < WeekView::kDays; ++day)
            shown += static_cast<int>(m_view->dayList(day).list().rows().size());
        if (m_view->monday() != m_picked || shown == 0)
            throw bench::BenchFailure("the week picked was not shown");
        return millis;
    }
    // Milliseconds to show the week shown again in full.
    std::pair<double, double> sameWeek()
    {
        return timed([this] { m_view->refreshWeek(WeekView::Refresh::Full); });
    }

private:
    ScriptedPrompter m_prompter;
    SystemClock m_clock;
    Date m_monday;
    Date m_picked = 0;
    std::unique_ptr<AppContext> m_context;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    std::unique_ptr<WeekView> m_view;
};

int run(const std::filesystem::path &parent)
{
    bench::Workspace workspace(parent, "korvalen-bench-weekview-");
    Setup small(workspace, 10'000);
    Setup large(workspace, 1'000'000);
    // Turn about, so that whatever else the machine does weighs on both.
    enum
    {
        SmallWeek,
        LargeWeek,
        SmallSame,
        LargeSame,
        Kinds
    };
    std::vector<double> cpu[Kinds], wall[Kinds];
    for (int trial = 0; trial < 200; ++trial) {
        const std::pair<double, double> times[Kinds] = {small.otherWeek(), large.otherWeek(),
                                                        small.sameWeek(), large.sameWeek()};
        for (int kind = 0; kind < Kinds; ++kind) {
            cpu[kind].push_back(times[kind].first);
            wall[kind].push_back(times[kind].second);
        }
    }
    const double smallWeek = bench::median(cpu[SmallWeek]);
    const double largeWeek = bench::median(cpu[LargeWeek]);
    bench::report("weekview_refresh_ms_10k", smallWeek, "ms");
    bench::report("weekview_refresh_ms_1m", largeWeek, "ms");
    bench::report("weekview_refresh_ratio_1m_10k", largeWeek / smallWeek, "x");
    char line[200];
    std::snprintf(line, sizeof line,
                  "the same week again in full: %.2f ms on 10,000, %.2f ms on 1,000,000; wall "
                  "clock: a new week %.2f and %.2f ms, the same %.2f and %.2f ms",
                  bench::median(cpu[SmallSame]), bench::median(cpu[LargeSame]),
                  bench::median(wall[SmallWeek]), bench::median(wall[LargeWeek]),
                  bench::median(wall[SmallSame]), bench::median(wall[LargeSame]));
    progress(line);
    return 0;
}

} // namespace
} // namespace korvalen

int main(int argc, char **argv)
{
    return korvalen::bench::runWindowedMain<QApplication>(argc, argv, "bench_weekview",
                                                          korvalen::run);
}
