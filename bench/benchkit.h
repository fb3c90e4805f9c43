#pragma once

// What every benchmark program shares: its failures, its figures on stdout
// and progress on stderr, medians, a working directory of its own, its
// main, and the records it seeds its files with.

#include "runtime/dates.h"
#include "storage/datafiles.h"
#include "storage/status.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace korvalen::bench {

using SteadyClock = std::chrono::steady_clock;

// A failed storage call ends the run; the working directory is still removed.
class BenchFailure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

inline void require(const Status &status, const std::string &what)
{
    if (!status.ok())
        throw BenchFailure(what + ": " + status.text());
}

// "PROGRAM: text" on stderr.
inline void progress(std::string_view program, const std::string &text)
{
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(program.size()), program.data(),
                 text.c_str());
}

// One figure: a `name value unit` line on stdout.
inline void report(const char *name, double value, const char *unit)
{
    std::printf("%s %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

inline double secondsSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The run's working directory below `parent`, named `prefix` and the
// process number: made fresh, removed with all it holds.
class Workspace
{
public:
    Workspace(const std::filesystem::path &parent, const std::string &prefix)
        : m_path(parent / (prefix + std::to_string(getpid())))
    {
        // The parent must exist: a mistyped argument makes no directories.
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directory(m_path);
    }
    ~Workspace()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    const std::filesystem::path &path() const { return m_path; }

    // A fresh subdirectory, the working directory of one program's data.
    std::filesystem::path directory(const std::string &name) const
    {
        std::filesystem::path path = m_path / name;
        std::filesystem::create_directories(path);
        return path;
    }

private:
    std::filesystem::path m_path;
};

// The body of a benchmark's main: `run` on the parent directory given as
// the first argument (the system's temporary directory without one). A
// failure is said on stderr as "PROGRAM: what" and ends the run with 1.
template <class Run> int runMain(int argc, char **argv, const char *program, Run run)
{
    try {
        return run(argc > 1 ? std::filesystem::path(argv[1])
                            : std::filesystem::temp_directory_path());
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "%s: %s\n", program, failure.what());
        return 1;
    }
}

// The same for a benchmark that opens windows: `Application` (QApplication)
// is made first, on the offscreen platform.
template <class Application, class Run>
int runWindowedMain(int argc, char **argv, const char *program, Run run)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Application application(argc, argv);
    return runMain(argc, argv, program, run);
}

// Adds activity `number` named "Activity <number>", its other fields blank.
inline void addActivity(AppData &data, std::int32_t number)
{
    data.ACT = {};
    data.ACT.ACTNUMBER = number;
    data.ACT.NAME = "Activity " + std::to_string(number);
    require(data.activity.add(), "add an activity");
}

// Adds an occurrence of activity `number`, its texts blank.
inline void addOccurrence(AppData &data, std::int32_t number, Date date, ClockTime time,
                          ClockTime endTime)
{
    data.DAT = {};
    data.DAT.ACTNUMBER = number;
    data.DAT.DATE = date;
    data.DAT.TIME = time;
    data.DAT.ENDTIME = endTime;
    require(data.dates.add(), "add an occurrence");
}

} // namespace korvalen::bench
