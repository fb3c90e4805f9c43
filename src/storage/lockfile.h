#pragma once

#include "storage/status.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace korvalen {

// The side file (NAME.LCK) that every station holding a data file open
// locks. Byte 0 carries the open lock (shared while in use, exclusive for a
// rebuild or batch work) and the check mark; bytes kSlotBase.. are one slot
// per station that has the file open; byte kHoldBase + n is the hold on
// record n. Locks are open-file-description locks: they conflict between two
// windows of one process as between two stations, and vanish when their
// holder closes them or dies.
//
// A station marks its slot in use and clears it when it closes. A slot
// marked in use that nobody holds is a station that stopped without closing
// the file: whoever finds it sets the check mark, which stays until a full
// check of the file has run. On a folder that cannot be written the lock
// file is opened for reading: shared locks still work, slots and marks are
// not written. Non-copyable; clears its slot and unlocks on destruction.
class LockFile
{
public:
    static constexpr std::int64_t kSlotBase = 64;
    static constexpr int kSlots = 256;
    static constexpr std::int64_t kHoldBase = 4096;

    LockFile() = default;
    ~LockFile();
    LockFile(const LockFile &) = delete;
    LockFile &operator=(const LockFile &) = delete;

    // Opens (creating when missing) the lock file of data file `dataPath`,
    // for reading only when it cannot be written.
    Status open(const std::filesystem::path &dataPath);
    // Clears this station's slot and drops every lock.
    void close();
    bool isOpen() const { return m_fd >= 0; }
    bool isReadOnly() const { return m_readOnly; }

    // Takes the shared open lock, waiting up to `waitMs` while another
    // station has the file exclusively (FileLocked after that).
    Status lockShared(int waitMs);
    // Takes the exclusive open lock without waiting, or converts this
    // holder's shared lock into it; FileLocked when anyone else has it open.
    Status lockExclusive();
    // Turns an exclusive lock back into a shared one.
    Status downgrade();

    // Takes a free slot and marks it in use, after looking at every slot for
    // stations that stopped without closing the file (which sets the check
    // mark). Call with the open lock held. A no-op when read-only.
    void claimSlot();
    // True when a station stopped without closing the file and no full
    // check has run since.
    bool needsCheck() const;
    // Sets, or clears after a full check, the check mark.
    void markNeedsCheck();
    void markChecked();

private:
    Status setLock(short type, bool wait, int waitMs);
    void writeMark(std::int64_t offset, char mark);

    int m_fd = -1;
    bool m_readOnly = false;
    int m_slot = -1;
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

// A hold on every record of a data file that no other window or station
// holds, taken at once through one descriptor of the lock file (a handful of
// byte-range locks, whatever the number of records): for work over a whole
// file that must leave records being edited elsewhere alone and keep any
// other window or station from starting to edit one meanwhile. Released on
// destruction. Non-copyable.
class FreeRecordsHold
{
public:
    FreeRecordsHold() = default;
    ~FreeRecordsHold();
    FreeRecordsHold(const FreeRecordsHold &) = delete;
    FreeRecordsHold &operator=(const FreeRecordsHold &) = delete;

    // Holds every record number of data file `dataPath` that nobody else
    // holds, and lists in `heldElsewhere` (ascending) those another window or
    // station holds. A hold taken elsewhere in the middle makes it look
    // again; RecordHeld when the records stay in flux, or when another
    // program holds them in bulk (its own work over the whole file);
    // AccessDenied on a folder that cannot be written. Holds nothing on
    // failure.
    Status acquire(const std::filesystem::path &dataPath, std::vector<std::int64_t> &heldElsewhere);
    void release();
    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

std::filesystem::path lockPathFor(const std::filesystem::path &dataPath);

} // namespace korvalen
