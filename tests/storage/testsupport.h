#pragma once

#include "storage/datafiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace korvalen::testing {

// A fresh, empty working directory removed after the test.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path &path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A test with its own working directory and program data.
class StorageTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates (when missing) and opens `file`, failing the test otherwise.
    void openFile(DataFile &file);
    // A second program on the same working directory ("another station").
    std::unique_ptr<AppData> secondStation();

    TempDir m_dir;
    std::unique_ptr<AppData> m_data;
};

} // namespace korvalen::testing
