// Timing of a person rename whose cascade rewrites 10,000 PERSONACT records
// (beside 10,000 records of other people), through the update operation the
// person form uses. Prints one `name value unit` line on stdout and its
// progress on stderr.
//
// Usage: bench_update [parent directory]
// The run works in a fresh directory made under the parent (the system's
// temporary directory by default) and removes it at the end.

#include "runtime/prompter.h"
#include "storage/datafiles.h"
#include "storage/recordupdate.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvalen {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kParticipations = 10000;
constexpr int kTrials = 7;

void require(const Status &status, const std::string &what)
{
    if (!status.ok())
        throw std::runtime_error(what + ": " + status.text());
}

void progress(const std::string &text)
{
    std::fprintf(stderr, "bench_update: %s\n", text.c_str());
}

double median(std::vector<double> values)
{
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

void openForUse(DataFile &file)
{
    Status status = file.open();
    if (status.is(ErrorCode::FileNotFound)) {
        require(file.create(), "create " + std::string(file.name()));
        status = file.open();
    }
    require(status, "open " + std::string(file.name()));
    file.addUser(); // as the person form holds it
}

void seed(AppData &data)
{
    Transaction transaction(data.database);
    require(transaction.status(), "begin");
    data.PEO = {"Ann", "Ann Example", 90000};
    require(data.people.add(), "add person");
    for (int i = 0; i < kParticipations; ++i) {
        // Interleaved with another person's, so the cascade walks a key
        // shared with records it must leave alone.
        data.PER = {i + 1, "Ann"};
        require(data.personAct.add(), "add participation");
        data.PER = {i + 1, "Bob"};
        require(data.personAct.add(), "add participation");
    }
    require(transaction.commit(), "commit");
}

// Renames the person back and forth; the time of each rename in ms.
std::vector<double> renames(AppData &data)
{
    ScriptedPrompter prompter;
    data.PEO.PERSON = "Ann";
    data.people.watch();
    require(data.people.get(keys::PEO_PERSON_KEY), "read person");
    RecordRef ref = data.people.current();
    PeopleRecord person = data.PEO;
    std::vector<double> times;
    for (int trial = 0; trial < kTrials; ++trial) {
        person.PERSON = trial % 2 ? "Ann" : "Annie";
        auto start = SteadyClock::now();
        require(updatePerson(data, prompter, person, ref).status, "rename");
        times.push_back(
            std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
        progress("rename " + std::to_string(trial + 1) + ": " + std::to_string(times.back()) +
                 " ms");
    }
    // The last rename must have reached every participation.
    data.PER = {0, person.PERSON};
    Cursor cursor(data.personAct, keys::PER_PERSON_KEY);
    cursor.setRangeEqual(1, &data.PER);
    int reached = 0;
    while (cursor.next().ok())
        reached += data.PER.PERSON == person.PERSON;
    if (reached != kParticipations)
        throw std::runtime_error("the cascade reached " + std::to_string(reached) + " records");
    return times;
}

int run(const std::filesystem::path &parent)
{
    std::filesystem::path dir = parent / ("korvalen-bench-update-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    int result = 0;
    try {
        AppData data;
        require(data.database.open(dir), "open database");
        openForUse(data.people);
        openForUse(data.personAct);
        progress("seeding " + std::to_string(2 * kParticipations) + " participations");
        seed(data);
        std::printf("cascade_rename_ms_10k %.1f ms\n", median(renames(data)));
        std::fflush(stdout);
    } catch (const std::exception &error) {
        progress(std::string("failed: ") + error.what());
        result = 1;
    }
    std::filesystem::remove_all(dir);
    return result;
}

} // namespace
} // namespace korvalen

int main(int argc, char **argv)
{
    std::filesystem::path parent =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    return korvalen::run(parent);
}
