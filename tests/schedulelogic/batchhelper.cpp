// The batch-delete program of the kill test: a program of its own on the
// working directory given on its command line that deletes everything
// before a day, a slice at a time, until it is done or killed.
//
//   schedulelogic_batch_helper DIR BEFORE SLICE
//
// It reports on its output, a line each: "ready" once its files are open,
// "slice N" after each slice of occurrences deleted (N deleted so far),
// "committed" after the commit, "done" at the end, and "failed CODE FILE"
// when the batch delete failed.

#include "schedulelogic/batchdelete.h"
#include "storage/openfile.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <iostream>
#include <string>

namespace {

using namespace korvalen;

int deleteBefore(AppData &data, Date before, int slice)
{
    ScriptedPrompter prompter;
    BatchDelete batch(data, prompter);
    for (DataFile *file : {&data.activity, &data.dates, &data.personAct}) {
        // A small page cache makes the pages reach the files before the
        // commit, where a kill finds them half-written.
        if (!data.database.execute("PRAGMA " + file->schema() + ".cache_size = 200").ok())
            return 1;
    }
    batch.setSliceSize(slice);
    std::cout << "ready" << std::endl;
    SaveResult result = batch.begin(before);
    while (result.ok() && batch.stage() != BatchDelete::Stage::Done) {
        const BatchDelete::Stage stage = batch.stage();
        result = batch.step();
        if (!result.ok())
            break;
        if (stage == BatchDelete::Stage::Occurrences)
            std::cout << "slice " << batch.counts().occurrences << std::endl;
        else if (stage == BatchDelete::Stage::Activities)
            std::cout << "committed" << std::endl;
    }
    if (!result.ok()) {
        std::cout << "failed " << static_cast<int>(result.status.code()) << ' ' << result.file
                  << std::endl;
        return 1;
    }
    std::cout << "done" << std::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Never outlive the test program, even when it dies.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1 || argc != 4)
        return 2;
    AppData data;
    if (!data.database.open(argv[1]).ok())
        return 1;
    return deleteBefore(data, std::stoi(argv[2]), std::stoi(argv[3]));
}
