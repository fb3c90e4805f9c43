#include "app/startup.h"

#include "storage/openfile.h"
#include "storage/warnings.h"
#include "ui/appcontext.h"

#include <QProcess>
#include <QString>

#include <unistd.h>

namespace korvalen {

namespace {

constexpr std::int32_t kDefaultStartTime = 4320400; // 12:00 PM
constexpr std::int32_t kDefaultDuration = 360001;   // one hour
constexpr int kConverterWaitMs = 120000;

// A file in an older layout (47) or not readable as a data file (36) is
// handed to its converter; any other outcome is left to the open that
// follows.
void convertIfOld(DataFile &file, const std::filesystem::path &directory, const char *converter)
{
    Status status = file.open();
    file.close();
    if (status.is(ErrorCode::LayoutMismatch) || status.is(ErrorCode::InvalidFile))
        runConverter(directory, converter, kConverterWaitMs);
}

// Reports a write failure of the start-up fills the way every open
// failure is reported: the message, then the end.
void failStartup(AppContext &context, DataFile &file, const Status &status)
{
    showWarning(context.prompter, WarningKind::FileAccessError, status, file.name());
    context.prompter.halt("Disk Error");
}

} // namespace

bool runConverter(const std::filesystem::path &directory, const char *name, int waitMs)
{
    std::filesystem::path program = directory / name;
    if (access(program.c_str(), X_OK) != 0)
        return false;
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(std::filesystem::current_path().string()));
    process.start(QString::fromStdString(program.string()), {});
    if (!process.waitForStarted(5000))
        return false;
    if (!process.waitForFinished(waitMs))
        process.kill();
    return true;
}

StartupFiles::StartupFiles(AppContext &context, const std::filesystem::path &converterDirectory)
    : m_context(context)
{
    AppData &data = context.data;
    convertIfOld(data.userPref, converterDirectory, "KVCNVRT1");
    convertIfOld(data.people, converterDirectory, "KVCNVRT2");
    for (DataFile *file : {&data.people, &data.userPref, &data.weekday}) {
        if (file->openCount() == 0)
            openDataFile(*file, context.prompter);
        file->addUser();
        ++m_opened;
    }
    ensureDefaultPreferences(context);
    ensureWeekdays(context);
}

StartupFiles::~StartupFiles()
{
    AppData &data = m_context.data;
    DataFile *files[] = {&data.people, &data.userPref, &data.weekday};
    for (int i = 0; i < m_opened; ++i)
        if (files[i]->removeUser())
            files[i]->close();
}

void ensureDefaultPreferences(AppContext &context)
{
    AppData &data = context.data;
    // Read first: a start-up with nothing to add writes nothing, so a
    // read-only folder or a full disk still opens.
    bool any = false;
    Status status = data.userPref.hasRecords(any);
    if (status.ok() && any)
        return;
    Transaction transaction(data.database);
    if (status.ok())
        status = transaction.status();
    if (status.ok())
        status = data.userPref.hasRecords(any);
    if (status.ok() && !any) {
        data.USP = {};
        data.USP.STARTTIME = kDefaultStartTime;
        data.USP.DURATION = kDefaultDuration;
        status = data.userPref.add();
    }
    if (status.ok())
        status = transaction.commit();
    if (!status.ok())
        failStartup(context, data.userPref, status);
}

void ensureWeekdays(AppContext &context)
{
    static const char *const names[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                        "Friday", "Saturday", "Sunday"};
    AppData &data = context.data;
    DataFile &file = data.weekday;
    std::int64_t count = 0;
    Status status = file.records(count); // seven rows at most: counting is cheap
    if (status.ok() && count >= 7)
        return;
    Transaction transaction(data.database);
    if (status.ok())
        status = transaction.status();
    if (status.ok())
        status = file.records(count);
    if (status.ok() && count < 7) {
        file.set(kFileOrder);
        while (status.ok()) {
            Status read = file.next();
            if (read.is(ErrorCode::NoRecord))
                break;
            status = read.ok() ? file.remove() : read;
        }
        for (int day = 0; status.ok() && day < 7; ++day) {
            data.WEE.DAY = names[day];
            data.WEE.DAYNUMBER = static_cast<std::uint8_t>(day + 1);
            status = file.add();
        }
    }
    if (status.ok())
        status = transaction.commit();
    if (!status.ok())
        failStartup(context, file, status);
}

} // namespace korvalen
