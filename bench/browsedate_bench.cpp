// The browse by date and by person over a DATES file of 1,000,000
// occurrences (10,000 activities of 100 dates each, spread over eight years
// around today), 20 rows shown: the time of a page down on the date tab, and
// on the person tab for a person taking part in 1% of the occurrences and
// for one taking part in a single activity in 2020 while the list starts
// today. Figures on stdout, progress on stderr.
//
//   bench_browsedate [parent directory of the working directory]

#include "runtime/dates.h"
#include "storage/openfile.h"
#include "ui/appcontext.h"
#include "ui/pagedlist.h"
#include "views/occurrencesources.h"

#include "benchkit.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using bench::median;
using bench::report;
using bench::require;
using bench::SteadyClock;

constexpr int kActivities = 10000;
constexpr int kDatesEach = 100;
constexpr int kPeople = 200;
constexpr int kDays = 8 * 365;
constexpr std::int32_t kOnce = kActivities + 1; // the single activity in 2020
constexpr int kRows = 20;

void progress(const std::string &text)
{
    bench::progress("bench_browsedate", text);
}

struct BenchHost : BrowseHost
{
    int visibleRows() const override { return kRows; }
    void pageChanged() override {}
    void closeWindow() override {}
    void setBusy(bool) override {}
};

std::string personName(int person)
{
    return "P" + std::to_string(1000 + person);
}

// Every activity has two people; "Heavy" joins every hundredth activity
// (1% of the occurrences), "Once" only the activity in 2020.
void seed(AppData &data, Date today)
{
    const Date first = today - kDays / 2;
    for (int chunk = 0; chunk < kActivities; chunk += 500) {
        Transaction transaction(data.database);
        require(transaction.status(), "begin");
        for (int number = chunk + 1; number <= chunk + 500; ++number) {
            bench::addActivity(data, number);
            for (int i = 0; i < kDatesEach; ++i) {
                const ClockTime time = ((number + i) % 48) * 30 * kHundredthsPerMinute + 1;
                bench::addOccurrence(data, number, first + (number * 37 + i * 29) % kDays, time,
                                     time + kHundredthsPerHour);
            }
            for (int person : {number % kPeople, (number * 7 + 3) % kPeople}) {
                data.PER = {number, Text<10>(personName(person))};
                require(data.personAct.add(), "add a participant");
            }
            if (number % 100 == 0) {
                data.PER = {number, Text<10>("Heavy")};
                require(data.personAct.add(), "add a participant");
            }
        }
        require(transaction.commit(), "commit");
        if ((chunk + 500) % 2000 == 0)
            progress(std::to_string((chunk + 500) * kDatesEach) + " occurrences");
    }
    Transaction transaction(data.database);
    data.ACT = {};
    data.ACT.ACTNUMBER = kOnce;
    data.ACT.NAME = "Passport renewal";
    require(data.activity.add(), "add an activity");
    data.DAT = {kOnce, makeDate(5, 12, 2020), 9 * kHundredthsPerHour + 1, 0, {}, {}};
    require(data.dates.add(), "add an occurrence");
    data.PER = {kOnce, Text<10>("Once")};
    require(data.personAct.add(), "add a participant");
    require(transaction.commit(), "commit");
}

double medianMicroseconds(int trials, const std::function<void()> &step)
{
    std::vector<double> times;
    for (int t = 0; t < trials; ++t) {
        auto start = SteadyClock::now();
        step();
        times.push_back(
            std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count());
    }
    return median(times);
}

// Page downs from the first page on, back to the top every 50 pages (not
// timed).
double pageDownMicroseconds(PagedList &list)
{
    std::vector<double> times;
    for (int t = 0; t < 1500; ++t) {
        if (t % 50 == 0)
            list.top();
        auto start = SteadyClock::now();
        list.pageDown();
        times.push_back(
            std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count());
    }
    return median(times);
}

int run(const std::filesystem::path &parent)
{
    bench::Workspace workspace(parent, "korvalen-bench-browsedate-");
    ScriptedPrompter prompter;
    SystemClock clock;
    const Date today = clock.today();
    AppContext context(prompter, clock);
    AppData &data = context.data;
    require(data.database.open(workspace.path()), "open the database");
    FileUse activity(data.activity, prompter);
    FileUse dates(data.dates, prompter);
    FileUse personAct(data.personAct, prompter);
    progress("adding 1,000,000 occurrences");
    seed(data, today);

    BenchHost host;
    auto owned = std::make_unique<OccurrenceSource>(data.dates, data.activity);
    OccurrenceSource &source = *owned;
    PagedList list(host, {});
    list.open(std::move(owned),
              std::make_unique<KeyLocator>(numberKeyField(&DatesRecord::DATE), true));
    list.setFailureHandler([](const Status &status) { require(status, "read a page"); });

    source.showAll(today);
    list.reload(PagedList::Mode::FirstFill);
    const double datePage = pageDownMicroseconds(list);
    const double dateOpen = medianMicroseconds(200, [&] {
        source.showAll(today);
        list.reload(PagedList::Mode::FirstFill);
    });

    std::vector<std::int32_t> heavy;
    require(activitiesOfPerson(data.personAct, Text<10>("Heavy"), heavy), "read Heavy's part");
    const double heavyOpen = medianMicroseconds(20, [&] {
        require(source.showActivities(today, heavy), "gather Heavy's occurrences");
        list.reload(PagedList::Mode::FirstFill);
    });
    progress("Heavy: " + std::to_string(source.gathered()) + " occurrences from today on");
    const double heavyPage = pageDownMicroseconds(list);

    // Nothing from today on: the one page is the whole of the tab's reading.
    const double oncePage = medianMicroseconds(200, [&] {
        std::vector<std::int32_t> once;
        require(activitiesOfPerson(data.personAct, Text<10>("Once"), once), "read Once's part");
        require(source.showActivities(today, once), "gather Once's occurrences");
        list.reload(PagedList::Mode::FirstFill);
    });
    if (!list.rows().empty())
        throw bench::BenchFailure("the 2020 occurrence was shown from today on");

    report("browse_date_page_us_1m", datePage, "us");
    report("browse_person_page_us_1m", heavyPage, "us");
    report("browse_person_page_us_1m_single_2020", oncePage, "us");
    report("browse_person_page_ratio_1pct", heavyPage / datePage, "x");
    report("browse_person_page_ratio_single_2020", oncePage / datePage, "x");
    report("browse_date_open_us_1m", dateOpen, "us");
    report("browse_person_open_us_1m", heavyOpen, "us");
    list.close();
    return 0;
}

} // namespace
} // namespace korvalen

int main(int argc, char **argv)
{
    return korvalen::bench::runWindowedMain<QApplication>(argc, argv, "bench_browsedate",
                                                          korvalen::run);
}
