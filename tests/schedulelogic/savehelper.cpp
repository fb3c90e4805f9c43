// Another station for the activity save tests: a second program on the
// working directory given on its command line that stores new activities,
// one save after another, until it is killed.
//
//   schedulelogic_save_helper DIR OCCURRENCES [PAUSE_MS]
//
// Each activity has OCCURRENCES weekly dates and the people Ann, Bea and
// Cid. It reports on its output, a line each: "ready" once its files are
// open, "saving" before each save, "saved N" after a save that stored
// activity N, and "failed CODE FILE" when a save failed (it then stops).

#include "schedulelogic/activityedit.h"
#include "schedulelogic/generate.h"
#include "storage/openfile.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace korvalen;

// Longest time the helper outlives a test that forgot it.
constexpr auto kLifetime = std::chrono::seconds(30);
constexpr ClockTime kStart = 17 * kHundredthsPerHour + 1;
constexpr ClockTime kEnd = 18 * kHundredthsPerHour + 1;

ActivityEdit newActivity(AppData &data, int occurrences)
{
    ActivityEdit edit;
    (void)edit.primeNew(data, kStart);
    edit.activity.NAME = "Training";
    edit.activity.REPEATTYPE = kFixedWeeks;
    const Date first = makeDate(1, 4, 2027);
    for (int i = 0; i < occurrences; ++i)
        edit.occurrences.insert({edit.activity.ACTNUMBER, first + 7 * i, kStart, kEnd});
    edit.addPeople({"Ann", "Bea", "Cid"});
    return edit;
}

int saveUntilKilled(AppData &data, int occurrences, int pauseMs)
{
    ScriptedPrompter prompter;
    std::unique_ptr<FileUse> uses[3];
    try {
        uses[0] = std::make_unique<FileUse>(data.activity, prompter);
        uses[1] = std::make_unique<FileUse>(data.dates, prompter);
        uses[2] = std::make_unique<FileUse>(data.personAct, prompter);
    } catch (const ProgramHalted &halted) {
        std::cout << "halted: " << halted.finalText << ": "
                  << (prompter.shown().empty() ? "" : prompter.shown().back().request.text)
                  << std::endl;
        return 1;
    }
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct}) {
        // A small page cache makes the pages reach the files before the
        // commit, where a kill finds them half-written.
        if (!data.database.execute("PRAGMA " + file->schema() + ".cache_size = 8").ok())
            return 1;
    }
    std::cout << "ready" << std::endl;
    const auto end = std::chrono::steady_clock::now() + kLifetime;
    while (std::chrono::steady_clock::now() < end) {
        ActivityEdit edit = newActivity(data, occurrences);
        std::cout << "saving" << std::endl;
        SaveResult result = saveNewActivity(data, prompter, edit);
        if (!result.ok()) {
            std::cout << "failed " << static_cast<int>(result.status.code()) << ' ' << result.file
                      << std::endl;
            return 1;
        }
        std::cout << "saved " << edit.activity.ACTNUMBER << std::endl;
        // A household's station pauses between saves; one that never does
        // keeps the files locked for others almost all the time.
        if (pauseMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Never outlive the test program, even when it dies.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1 || argc < 3 || argc > 4)
        return 2;
    AppData data;
    if (!data.database.open(argv[1]).ok())
        return 1;
    return saveUntilKilled(data, std::stoi(argv[2]), argc == 4 ? std::stoi(argv[3]) : 0);
}
