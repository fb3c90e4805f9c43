#include "app/startup.h"

#include "../guifixture.h"
#include "../scratchmount.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <memory>

namespace korvalen {
namespace {

using testing::ScratchMount;

class StartupTest : public testing::GuiTest
{
protected:
    void SetUp() override
    {
        m_clock = FixedClock(makeDate(12, 8, 2026), 360001);
        std::filesystem::create_directories(folder() / "bin");
        ASSERT_TRUE(openData());
    }

    std::vector<std::pair<std::string, int>> weekdays()
    {
        return inKeyOrder(data().weekday, keys::WEE_DAYNUMBER_KEY, [this] {
            return std::pair<std::string, int>(data().WEE.DAY.str(), data().WEE.DAYNUMBER);
        });
    }

    void addWeekdays(int count)
    {
        DataFile &file = m_context->data.weekday;
        openDataFile(file, m_prompter);
        for (int i = 0; i < count; ++i) {
            m_context->data.WEE.DAY = "Day" + std::to_string(i);
            m_context->data.WEE.DAYNUMBER = static_cast<std::uint8_t>(10 + i);
            ASSERT_TRUE(file.add().ok());
        }
        file.close();
    }
};

const std::vector<std::pair<std::string, int>> kWeek = {
    {"Monday", 1}, {"Tuesday", 2},  {"Wednesday", 3}, {"Thursday", 4},
    {"Friday", 5}, {"Saturday", 6}, {"Sunday", 7}};

TEST_F(StartupTest, FirstRunCreatesTheFilesTheDefaultPreferencesAndTheWeek)
{
    {
        StartupFiles files(*m_context, folder() / "bin");
        AppData &data = m_context->data;
        EXPECT_TRUE(m_prompter.shown().empty());
        for (DataFile *file : {&data.people, &data.userPref, &data.weekday}) {
            EXPECT_TRUE(file->isOpen()) << file->name();
            EXPECT_EQ(file->openCount(), 1) << file->name();
        }
        ASSERT_TRUE(data.userPref.getByRecordNumber(2).ok());
        EXPECT_EQ(data.USP.STARTTIME, 4320400);
        EXPECT_EQ(data.USP.DURATION, 360001);
        EXPECT_EQ(weekdays(), kWeek);
    }
    // Leaving releases them, and a second start adds nothing.
    EXPECT_FALSE(m_context->data.userPref.isOpen());
    StartupFiles again(*m_context, folder() / "bin");
    std::int64_t count = 0;
    ASSERT_TRUE(m_context->data.userPref.records(count).ok());
    EXPECT_EQ(count, 1);
    EXPECT_EQ(weekdays(), kWeek);
}

TEST_F(StartupTest, AnIncompleteWeekIsRefilledAndAFullOneLeftAlone)
{
    for (int count : {1, 3, 6, 7, 8}) {
        SCOPED_TRACE(count);
        std::filesystem::remove(folder() / "WEEKDAY.DB");
        addWeekdays(count);
        StartupFiles files(*m_context, folder() / "bin");
        std::vector<std::pair<std::string, int>> rows = weekdays();
        if (count < 7) {
            EXPECT_EQ(rows, kWeek);
        } else {
            ASSERT_EQ(rows.size(), static_cast<std::size_t>(count));
            EXPECT_EQ(rows[0].first, "Day0");
        }
    }
}

// A start-up with everything in place reads and writes nothing, so a folder
// that cannot be written, or a full disk, still opens for looking; writes
// then fail with the file system's reason and change nothing.
class StartupWithoutWritesTest : public StartupTest
{
protected:
    // A first start-up in `directory`, leaving every file in place.
    void prepare(const std::filesystem::path &directory)
    {
        m_context = std::make_unique<AppContext>(m_prompter, m_clock);
        ASSERT_TRUE(m_context->data.database.open(directory).ok());
        StartupFiles files(*m_context, folder() / "bin");
    }

    // Starts again on `directory`: nothing is shown, the week is there, and
    // adding a person fails without a trace.
    void startAndTryToWrite(const std::filesystem::path &directory, const std::string &reason)
    {
        m_context = std::make_unique<AppContext>(m_prompter, m_clock);
        Status status = m_context->data.database.open(directory);
        ASSERT_TRUE(status.ok()) << status.text();
        StartupFiles files(*m_context, folder() / "bin");
        EXPECT_TRUE(m_prompter.shown().empty());
        EXPECT_FALSE(m_prompter.halted());
        EXPECT_EQ(weekdays(), kWeek);
        AppData &data = m_context->data;
        data.PEO = {};
        data.PEO.PERSON = "Anna";
        status = data.people.add();
        EXPECT_FALSE(status.ok());
        EXPECT_NE(status.text().find(reason), std::string::npos) << status.text();
        bool any = true;
        ASSERT_TRUE(data.people.hasRecords(any).ok());
        EXPECT_FALSE(any);
    }
};

TEST_F(StartupWithoutWritesTest, ReadOnlyFolderOpensForLooking)
{
    prepare(folder());
    m_context.reset();
    // A folder copied without the program's own file, too.
    for (bool withOwnFile : {true, false}) {
        SCOPED_TRACE(withOwnFile ? "with KORVALEN.DB" : "without KORVALEN.DB");
        if (!withOwnFile)
            std::filesystem::remove(folder() / "KORVALEN.DB");
        ScratchMount view = ScratchMount::readOnlyView(folder(), folder().string() + "-ro");
        if (!view.isMounted())
            GTEST_SKIP() << "cannot mount here";
        startAndTryToWrite(view.path(), "readonly");
        EXPECT_TRUE(m_context->data.database.isReadOnly());
        {
            // A form holds a record before changing it: refused with the reason.
            FileUse weekday(m_context->data.weekday, m_prompter);
            RecordHold hold;
            EXPECT_TRUE(m_context->data.weekday.hold(hold, 1, 0).is(ErrorCode::AccessDenied));
        }
        m_context.reset();
    }
}

TEST_F(StartupWithoutWritesTest, FullDiskOpensForLooking)
{
    ScratchMount disk = ScratchMount::small(folder().string() + "-disk", 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << "cannot mount here";
    prepare(disk.path());
    m_context.reset();
    disk.fill();
    startAndTryToWrite(disk.path(), "full");
    m_context.reset();
}

TEST_F(StartupTest, OldLayoutsGoToTheirConverterBesideTheProgramOnly)
{
    // A converter that leaves a mark and converts nothing.
    std::filesystem::path converter = folder() / "bin" / "KVCNVRT1";
    std::ofstream(converter) << "#!/bin/sh\ntouch \"$PWD/converted1\"\n";
    chmod(converter.c_str(), 0755);
    std::filesystem::path dropped = folder() / "KVCNVRT1";
    std::ofstream(dropped) << "#!/bin/sh\ntouch \"$PWD/dropped\"\n";
    chmod(dropped.c_str(), 0755);
    // USERPREF in another layout (here PEOPLE's, under the same key): the
    // converter runs, then the open still finds the old layout and ends the
    // program.
    {
        AppData other;
        ASSERT_TRUE(other.database.open(folder()).ok());
        ASSERT_TRUE(other.people.create().ok());
    }
    std::filesystem::copy_file(folder() / "PEOPLE.DB", folder() / "USERPREF.DB");
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder());
    try {
        StartupFiles files(*m_context, folder() / "bin");
        ADD_FAILURE() << "an unconverted file must end the program";
    } catch (const ProgramHalted &halt) {
        EXPECT_EQ(halt.finalText, "Invalid File!");
    }
    std::filesystem::current_path(before);
    EXPECT_TRUE(std::filesystem::exists(folder() / "converted1"));
    // A converter dropped into the data folder never runs: only the
    // program's own folder is looked at.
    EXPECT_FALSE(std::filesystem::exists(folder() / "dropped"));
}

} // namespace
} // namespace korvalen
