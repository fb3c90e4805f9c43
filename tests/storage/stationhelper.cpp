// Another station for the storage tests: a second program on the working
// directory given on its command line. It does one action there, reports
// every step as a line "<event> <code> [detail]" on its output, then waits
// for a line (or the end of its input) before it closes its files and exits.
//
//   storage_station_helper DIR put-person PERSON NAME
//   storage_station_helper DIR remove-person PERSON
//   storage_station_helper DIR hold-group GROUP RELEASE_AFTER_MS (0: keep it)
//   storage_station_helper DIR add-dates ACTNUMBER COUNT FIRST_DATE
//   storage_station_helper DIR open FILE BUSY_TIMEOUT_MS
//   storage_station_helper DIR open-exclusive FILE
//   storage_station_helper DIR transaction ROUND
//   storage_station_helper DIR rename-group FROM TO

#include "storage/datafiles.h"
#include "storage/openfile.h"
#include "storage/recordupdate.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace korvalen;
using namespace korvalen::keys;
using Clock = std::chrono::steady_clock;
using Args = std::vector<std::string>;

// Longest time the helper outlives a test that forgot it.
constexpr int kLifetimeMs = 30000;

void report(const std::string &event, const Status &status, const std::string &detail = {})
{
    std::cout << event << ' ' << static_cast<int>(status.code());
    if (!detail.empty())
        std::cout << ' ' << detail;
    std::cout << std::endl; // the test reads line by line: flush each
}

void report(const std::string &event)
{
    std::cout << event << std::endl;
}

// Returns when the test writes a line or closes the helper's input.
void waitForTest()
{
    pollfd input = {STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, kLifetimeMs) > 0) {
        char c = 0;
        (void)!read(STDIN_FILENO, &c, 1);
    }
}

DataFile *fileNamed(AppData &data, const std::string &name)
{
    for (DataFile *file : data.files)
        if (file->name() == name)
            return file;
    return nullptr;
}

long elapsedMs(Clock::time_point since)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

long elapsedUs(Clock::time_point since)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - since).count());
}

Status readPerson(AppData &data, const std::string &person)
{
    Status status = data.people.open();
    if (!status.ok())
        return status;
    data.PEO.PERSON = person;
    return data.people.get(PEO_PERSON_KEY);
}

void putPerson(AppData &data, const Args &args)
{
    Status status = readPerson(data, args.at(0));
    if (status.ok()) {
        data.PEO.NAME = args.at(1);
        status = data.people.put();
    }
    report("put", status);
    waitForTest();
}

void removePerson(AppData &data, const Args &args)
{
    Status status = readPerson(data, args.at(0));
    if (status.ok())
        status = data.people.remove();
    report("remove", status);
    waitForTest();
}

void holdGroup(AppData &data, const Args &args)
{
    RecordHold hold;
    Status status = data.group.open();
    data.GRO.GROUP = args.at(0);
    if (status.ok())
        status = data.group.get(GRO_GROUP_KEY);
    if (status.ok())
        status = data.group.hold(hold);
    report("held", status);
    int releaseAfterMs = std::stoi(args.at(1));
    if (status.ok() && releaseAfterMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(releaseAfterMs));
        hold.release();
        report("released");
    }
    waitForTest();
}

void addDates(AppData &data, const Args &args)
{
    Status status = data.dates.open();
    int count = std::stoi(args.at(1));
    for (int i = 0; status.ok() && i < count; ++i) {
        data.DAT = {};
        data.DAT.ACTNUMBER = std::stoi(args.at(0));
        data.DAT.DATE = std::stoi(args.at(2)) + i;
        status = data.dates.add();
    }
    std::int64_t records = 0;
    if (status.ok())
        status = data.dates.records(records);
    report("added", status, std::to_string(records));
    waitForTest();
}

void openFile(AppData &data, const Args &args, bool exclusive)
{
    DataFile *file = fileNamed(data, args.at(0));
    if (!file) {
        report("unknown-file");
        return;
    }
    if (!exclusive)
        data.database.setBusyTimeoutMs(std::stoi(args.at(1)));
    auto start = Clock::now();
    Status status = exclusive ? file->openExclusive() : file->open();
    report(exclusive ? "open-exclusive" : "open", status, std::to_string(elapsedMs(start)));
    waitForTest();
}

// The writes of one round of the crash test, all in one transaction.
Status writeRound(AppData &data, int round)
{
    data.ACT = {};
    data.ACT.ACTNUMBER = round;
    data.ACT.NAME = "Round " + std::to_string(round);
    Status status = data.activity.add();
    for (int i = 0; status.ok() && i < 2000; ++i) {
        data.DAT = {};
        data.DAT.ACTNUMBER = round;
        data.DAT.DATE = 80000 + i / 4;
        data.DAT.TIME = i % 4 * 360000 + 1;
        status = data.dates.add();
    }
    for (int i = 0; status.ok() && i < 20; ++i) {
        data.PER.ACTNUMBER = round;
        data.PER.PERSON = "Old";
        status = data.personAct.add();
    }
    // Renames every participant of the round, those added before it included.
    data.PER.ACTNUMBER = round;
    data.personAct.setAt(PER_ACTIVITY_KEY);
    while (status.ok() && (status = data.personAct.next()).ok() && data.PER.ACTNUMBER == round) {
        if (data.PER.PERSON == "Old") {
            data.PER.PERSON = "New";
            status = data.personAct.put();
        }
    }
    return status.is(ErrorCode::NoRecord) || status.ok() ? Status() : status;
}

void transaction(AppData &data, const Args &args)
{
    Status status;
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct}) {
        if (status.ok())
            status = file->open();
        // A small page cache makes the pages reach the files before the commit.
        if (status.ok())
            status = data.database.execute("PRAGMA " + file->schema() + ".cache_size = 8");
    }
    report("opened", status);
    if (!status.ok())
        return;
    Transaction transaction(data.database);
    auto begun = Clock::now();
    report("begun", transaction.status());
    status = writeRound(data, std::stoi(args.at(0)));
    // The times let the test aim its kills at the writes or at the commit.
    report("committing", status, std::to_string(elapsedUs(begun)));
    if (status.ok())
        status = transaction.commit();
    report("committed", status, std::to_string(elapsedUs(begun)));
    waitForTest();
}

// Renames a group through the update operation, cascades included.
void renameGroup(AppData &data, const Args &args)
{
    ScriptedPrompter prompter;
    FileUse group(data.group, prompter);
    FileUse activities(data.activity, prompter);
    FileUse members(data.groupPeople, prompter);
    Status status;
    for (DataFile *file : {&data.group, &data.activity, &data.groupPeople}) {
        // A small page cache makes the pages reach the files before the commit.
        if (status.ok())
            status = data.database.execute("PRAGMA " + file->schema() + ".cache_size = 8");
    }
    data.GRO.GROUP = args.at(0);
    data.group.watch();
    if (status.ok())
        status = data.group.get(GRO_GROUP_KEY);
    RecordRef ref = data.group.current();
    report("renaming", status);
    auto begun = Clock::now();
    if (status.ok())
        status = updateGroup(data, prompter, GroupRecord{Text<10>(args.at(1))}, ref).status;
    report("renamed", status, std::to_string(elapsedUs(begun)));
    waitForTest();
}

void run(AppData &data, const std::string &action, const Args &args)
{
    if (action == "put-person")
        putPerson(data, args);
    else if (action == "remove-person")
        removePerson(data, args);
    else if (action == "hold-group")
        holdGroup(data, args);
    else if (action == "add-dates")
        addDates(data, args);
    else if (action == "open" || action == "open-exclusive")
        openFile(data, args, action == "open-exclusive");
    else if (action == "transaction")
        transaction(data, args);
    else if (action == "rename-group")
        renameGroup(data, args);
    else
        report("unknown-action");
}

} // namespace

int main(int argc, char **argv)
{
    // Never outlive the test program, even when it dies.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1 || argc < 3)
        return 2;
    AppData data;
    Status status = data.database.open(argv[1]);
    if (!status.ok()) {
        report("database", status);
        return 1;
    }
    try {
        run(data, argv[2], Args(argv + 3, argv + argc));
    } catch (const std::exception &error) {
        report(std::string("bad-arguments ") + error.what());
        return 2;
    }
    for (DataFile *file : data.files)
        file->close();
    report("closed");
    return 0;
}
