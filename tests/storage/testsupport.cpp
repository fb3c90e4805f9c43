#include "testsupport.h"

#include <unistd.h>

#include <atomic>

namespace korvalen::testing {

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    m_path = std::filesystem::temp_directory_path() /
             ("korvalen-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
}

void StorageTest::SetUp()
{
    m_data = std::make_unique<AppData>();
    ASSERT_TRUE(m_data->database.open(m_dir.path()).ok());
}

void StorageTest::TearDown()
{
    m_data.reset();
}

void StorageTest::openFile(DataFile &file)
{
    Status status = file.open();
    if (status.is(ErrorCode::FileNotFound)) {
        ASSERT_TRUE(file.create().ok()) << file.database().lastStatus().text();
        status = file.open();
    }
    ASSERT_TRUE(status.ok()) << status.text();
}

std::unique_ptr<AppData> StorageTest::secondStation()
{
    auto data = std::make_unique<AppData>();
    EXPECT_TRUE(data->database.open(m_dir.path()).ok());
    return data;
}

} // namespace korvalen::testing
