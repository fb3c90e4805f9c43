#pragma once

#include "storage/status.h"

#include <cstdint>
#include <filesystem>

namespace korvalen {

// The side file (NAME.LCK) that every station holding a data file open
// locks. Byte 0 carries the open lock (shared while in use, exclusive for a
// rebuild or batch work) and the clean-close mark; byte kHoldBase + n is the
// hold on record n. Locks are open-file-description locks: they conflict
// between two windows of one process as between two stations, and vanish
// when their holder closes them or dies. Non-copyable; unlocks on destruction.
class LockFile
{
public:
    static constexpr std::int64_t kHoldBase = 4096;

    LockFile() = default;
    ~LockFile();
    LockFile(const LockFile &) = delete;
    LockFile &operator=(const LockFile &) = delete;

    // Opens (creating when missing) the lock file of data file `dataPath`.
    Status open(const std::filesystem::path &dataPath);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // Takes the shared open lock, waiting up to `waitMs` while another
    // station has the file exclusively (FileLocked after that).
    Status lockShared(int waitMs);
    // Takes the exclusive open lock without waiting, or converts this
    // holder's shared lock into it; FileLocked when anyone else has it open.
    Status lockExclusive();
    // Turns an exclusive lock back into a shared one.
    Status downgrade();

    // True when the last station to close the file did so cleanly (or the
    // lock file is new and the data file was never opened through it).
    bool closedCleanly() const;
    // Writes the in-use or the clean-close mark.
    void markInUse();
    void markClosedCleanly();
    // True when the mark was never written (a new lock file).
    bool isNew() const;

private:
    Status setLock(short type, bool wait, int waitMs);

    int m_fd = -1;
};

// A hold on one record, released on destruction. Move-only.
class RecordHold
{
public:
    RecordHold() = default;
    ~RecordHold();
    RecordHold(RecordHold &&other) noexcept;
    RecordHold &operator=(RecordHold &&other) noexcept;
    RecordHold(const RecordHold &) = delete;
    RecordHold &operator=(const RecordHold &) = delete;

    // Holds record `recordNumber` of data file `dataPath`, waiting up to
    // `waitMs` milliseconds; RecordHeld when another window or station
    // keeps it held that long.
    Status acquire(const std::filesystem::path &dataPath, std::int64_t recordNumber, int waitMs);
    void release();
    bool isHeld() const { return m_fd >= 0; }
    std::int64_t recordNumber() const { return m_recordNumber; }

private:
    int m_fd = -1;
    std::int64_t m_recordNumber = 0;
};

std::filesystem::path lockPathFor(const std::filesystem::path &dataPath);

} // namespace korvalen
