#pragma once

#include <filesystem>

namespace korvalen {

class AppContext;

// The start-up files of the frame, held open for the whole run: PEOPLE,
// USERPREF and WEEKDAY, opened through their open counters.
class StartupFiles
{
public:
    // Runs start-up steps 4 to 7 in order: the conversion check (the
    // converters are looked for in `converterDirectory` only), the three
    // files opened through openDataFile, the default preferences record and
    // the weekday rows. A file that cannot be opened ends the program
    // through the context's prompter.
    StartupFiles(AppContext &context, const std::filesystem::path &converterDirectory);
    // Releases the three files (the last user closes them).
    ~StartupFiles();
    StartupFiles(const StartupFiles &) = delete;
    StartupFiles &operator=(const StartupFiles &) = delete;

private:
    AppContext &m_context;
    int m_opened = 0;
};

// Starts converter `name` from `directory` when that file exists and is
// executable, and waits for it to finish (at most `waitMs`). A converter
// that is missing or cannot start is passed over. True when it ran.
bool runConverter(const std::filesystem::path &directory, const char *name, int waitMs);

// Adds the default preferences record when USERPREF holds none (start 12:00
// PM, one hour), checking inside the write transaction so that two
// stations starting together add one record.
void ensureDefaultPreferences(AppContext &context);

// Empties WEEKDAY and adds the seven weekday rows, Monday 1 to Sunday 7,
// when it holds fewer than seven records; all in one write transaction.
void ensureWeekdays(AppContext &context);

} // namespace korvalen
