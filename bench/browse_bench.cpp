// The people list over 1,000 and 100,000 people, 20 visible rows: the time
// of a page down, a thumb drag and a locator keystroke, and the memory a walk
// through every page leaves behind. Figures on stdout, progress on stderr.

#include "people/browseperson.h"
#include "storage/openfile.h"
#include "ui/appcontext.h"
#include "ui/pagedbrowse.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace korvalen;

namespace {

struct BenchHost : BrowseHost
{
    int visibleRows() const override { return 20; }
    void pageChanged() override {}
    void closeWindow() override {}
    void setBusy(bool) override {}
};

void require(const Status &status, const char *what)
{
    if (!status.ok()) {
        std::fprintf(stderr, "%s failed: %s\n", what, status.message().c_str());
        std::exit(1);
    }
}

// Short names spread over the alphabet: a capital and lower-case letters.
std::string nameOf(int i)
{
    std::uint32_t h = static_cast<std::uint32_t>(i) * 2654435761u;
    std::string name(1, static_cast<char>('A' + h % 26));
    for (int n = i; name.size() < 8; n /= 26)
        name += static_cast<char>('a' + n % 26);
    return name;
}

void seed(AppData &data, int count)
{
    Transaction transaction(data.database);
    require(transaction.status(), "begin");
    for (int i = 0; i < count; ++i) {
        data.PEO = {};
        data.PEO.PERSON = nameOf(i);
        data.PEO.NAME = "Person " + std::to_string(i);
        data.PEO.DATE = 80000 + i % 365;
        require(data.people.add(), "add person");
    }
    require(transaction.commit(), "commit");
}

double medianMicroseconds(int trials, const std::function<void(int)> &step)
{
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(trials));
    for (int t = 0; t < trials; ++t) {
        auto start = std::chrono::steady_clock::now();
        step(t);
        auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::nth_element(times.begin(), times.begin() + trials / 2, times.end());
    return times[static_cast<std::size_t>(trials / 2)];
}

long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

struct Figures
{
    double pageDown = 0, thumb = 0, locator = 0;
    long rssGrowth = 0;
};

Figures measure(int people, bool walk)
{
    QTemporaryDir directory;
    ScriptedPrompter prompter;
    SystemClock clock;
    AppContext context(prompter, clock);
    require(context.data.database.open(directory.path().toStdString()), "open database");
    FileUse use(context.data.people, prompter);
    std::fprintf(stderr, "adding %d people\n", people);
    seed(context.data, people);
    BenchHost host;
    PagedBrowse browse(context, peopleListConfig(context), host);
    if (!browse.open())
        std::exit(1);
    Figures figures;
    figures.pageDown = medianMicroseconds(3000, [&](int) {
        browse.pageDown();
        if (browse.currentRow() == static_cast<int>(browse.rows().size()) && people < 70000)
            browse.top();
    });
    std::mt19937 random(7);
    figures.thumb =
        medianMicroseconds(1000, [&](int) { browse.thumbTo(2 + static_cast<int>(random() % 98)); });
    figures.locator = medianMicroseconds(
        1000, [&](int) { browse.locate(std::string(1, static_cast<char>('A' + random() % 26))); });
    if (walk) {
        browse.top();
        for (int i = 0; i < 200; ++i)
            browse.pageDown();
        browse.top();
        long before = residentKb();
        for (int i = 0; i < people / 20 + 1; ++i)
            browse.pageDown();
        context.data.database.releaseReads();
        figures.rssGrowth = residentKb() - before;
    }
    browse.close();
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Figures small = measure(1000, false);
    Figures large = measure(100000, true);
    std::printf("browse_page_down_us_1k %.1f us\n", small.pageDown);
    std::printf("browse_page_down_us_100k %.1f us\n", large.pageDown);
    std::printf("browse_thumb_us_100k %.1f us\n", large.thumb);
    std::printf("browse_locator_us_100k %.1f us\n", large.locator);
    std::printf("browse_rss_kb_100k %ld kB\n", large.rssGrowth);
    std::fprintf(stderr, "1k thumb %.1f us, 1k locator %.1f us\n", small.thumb, small.locator);
    return 0;
}
