#include "storage/lockfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

namespace korvalen {

namespace {

constexpr char kInUse = '1';
constexpr char kClean = '0';

struct flock lockOf(short type, std::int64_t start, std::int64_t length)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    lock.l_pid = 0; // required for open-file-description locks
    return lock;
}

bool tryLock(int fd, short type, std::int64_t start, std::int64_t length, int &error)
{
    struct flock lock = lockOf(type, start, length);
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0)
        return true;
    error = errno;
    return false;
}

bool isContention(int error)
{
    return error == EAGAIN || error == EACCES;
}

int openLockFile(const std::filesystem::path &path, int &error, bool &readOnly)
{
    readOnly = false;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EROFS || errno == EACCES)) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        readOnly = fd >= 0;
    }
    if (fd < 0)
        error = errno;
    return fd;
}

// Whether another open file description holds a lock on byte `offset`.
bool isLockedElsewhere(int fd, std::int64_t offset)
{
    struct flock probe = lockOf(F_WRLCK, offset, 1);
    if (fcntl(fd, F_OFD_GETLK, &probe) != 0)
        return true; // cannot tell: leave the slot alone
    return probe.l_type != F_UNLCK;
}

void unlock(int fd, std::int64_t offset)
{
    struct flock lock = lockOf(F_UNLCK, offset, 1);
    (void)fcntl(fd, F_OFD_SETLK, &lock);
}

} // namespace

std::filesystem::path lockPathFor(const std::filesystem::path &dataPath)
{
    std::filesystem::path path = dataPath;
    path.replace_extension(".LCK");
    return path;
}

LockFile::~LockFile()
{
    close();
}

Status LockFile::open(const std::filesystem::path &dataPath)
{
    close();
    int error = 0;
    m_fd = openLockFile(lockPathFor(dataPath), error, m_readOnly);
    if (m_fd < 0 && (error == EROFS || error == EACCES)) {
        // A folder that cannot be written, where no station ever opened the
        // file: there is nothing to lock against, and nothing can be written.
        m_readOnly = true;
        return {};
    }
    if (m_fd < 0)
        return Status::fileSystem(error, lockPathFor(dataPath).string());
    return {};
}

void LockFile::close()
{
    m_readOnly = false;
    if (m_fd >= 0) {
        if (m_slot >= 0)
            writeMark(kSlotBase + m_slot, kClean);
        ::close(m_fd); // drops every lock of this description
        m_fd = -1;
        m_slot = -1;
    }
}

Status LockFile::setLock(short type, bool wait, int waitMs)
{
    // Read-only, a station can share the file but never have it alone.
    if (m_readOnly && type == F_WRLCK)
        return Status(ErrorCode::FileLocked, standardMessage(ErrorCode::FileLocked));
    if (m_readOnly && m_fd < 0)
        return {};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        int error = 0;
        if (tryLock(m_fd, type, 0, 1, error))
            return {};
        if (!isContention(error))
            return Status::fileSystem(error, "lock");
        if (!wait || std::chrono::steady_clock::now() >= deadline)
            return Status(ErrorCode::FileLocked, standardMessage(ErrorCode::FileLocked));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

Status LockFile::lockShared(int waitMs)
{
    return setLock(F_RDLCK, true, waitMs);
}

Status LockFile::lockExclusive()
{
    return setLock(F_WRLCK, false, 0);
}

Status LockFile::downgrade()
{
    return setLock(F_RDLCK, false, 0);
}

void LockFile::writeMark(std::int64_t offset, char mark)
{
    if (m_fd < 0 || m_readOnly)
        return;
    if (pwrite(m_fd, &mark, 1, offset) == 1)
        fdatasync(m_fd);
}

void LockFile::claimSlot()
{
    if (m_fd < 0 || m_readOnly || m_slot >= 0)
        return;
    char marks[kSlots] = {};
    ssize_t got = pread(m_fd, marks, kSlots, kSlotBase);
    for (int slot = 0; slot < kSlots; ++slot) {
        const std::int64_t offset = kSlotBase + slot;
        const bool inUse = slot < got && marks[slot] == kInUse;
        int error = 0;
        if (!inUse && m_slot >= 0)
            continue; // nothing more to look at there
        if (inUse && isLockedElsewhere(m_fd, offset))
            continue; // its station has the file open now
        if (!tryLock(m_fd, F_WRLCK, offset, 1, error))
            continue; // taken meanwhile
        if (inUse)
            markNeedsCheck(); // its station stopped without closing the file
        if (m_slot < 0) {
            m_slot = slot;
            writeMark(offset, kInUse);
        } else {
            writeMark(offset, kClean);
            unlock(m_fd, offset);
        }
    }
}

bool LockFile::needsCheck() const
{
    char mark = 0;
    if (m_fd < 0)
        return false;
    if (pread(m_fd, &mark, 1, 0) != 1)
        return false;
    return mark == kInUse;
}

void LockFile::markNeedsCheck()
{
    if (!needsCheck())
        writeMark(0, kInUse);
}

void LockFile::markChecked()
{
    if (needsCheck())
        writeMark(0, kClean);
}

namespace {

// Opens the lock file of `dataPath` to hold records in: its descriptor, or
// -1 with `status` saying why. Records are held to be changed, which a
// read-only folder refuses.
int openForHolds(const std::filesystem::path &dataPath, Status &status)
{
    int error = 0;
    bool readOnly = false;
    const int fd = openLockFile(lockPathFor(dataPath), error, readOnly);
    if (readOnly || (fd < 0 && (error == EROFS || error == EACCES))) {
        if (fd >= 0)
            ::close(fd);
        status = Status(ErrorCode::AccessDenied, "The data folder cannot be written");
        return -1;
    }
    if (fd < 0)
        status = Status::fileSystem(error, lockPathFor(dataPath).string());
    return fd;
}

} // namespace

RecordHold::~RecordHold()
{
    release();
}

RecordHold::RecordHold(RecordHold &&other) noexcept
    : m_fd(other.m_fd), m_recordNumber(other.m_recordNumber)
{
    other.m_fd = -1;
}

RecordHold &RecordHold::operator=(RecordHold &&other) noexcept
{
    if (this != &other) {
        release();
        m_fd = other.m_fd;
        m_recordNumber = other.m_recordNumber;
        other.m_fd = -1;
    }
    return *this;
}

Status RecordHold::acquire(const std::filesystem::path &dataPath, std::int64_t recordNumber,
                           int waitMs)
{
    release();
    Status opened;
    const int fd = openForHolds(dataPath, opened);
    if (fd < 0)
        return opened;
    int error = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (tryLock(fd, F_WRLCK, LockFile::kHoldBase + recordNumber, 1, error)) {
            m_fd = fd;
            m_recordNumber = recordNumber;
            return {};
        }
        if (!isContention(error)) {
            ::close(fd);
            return Status::fileSystem(error, "hold");
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return Status(ErrorCode::RecordHeld, standardMessage(ErrorCode::RecordHeld));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void RecordHold::release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        m_recordNumber = 0;
    }
}

namespace {

// More held records than any household's open windows: what goes beyond is
// another program's bulk hold, not forms.
constexpr std::size_t kMostHeldElsewhere = 4096;
constexpr int kHoldAttempts = 50;

using ByteRange = std::pair<std::int64_t, std::int64_t>; // first, last (-1: no end)

// The byte ranges within [first, last] that other descriptions lock, one
// F_OFD_GETLK per range found plus one per gap between them. False when it
// cannot tell, or when a range is a bulk hold rather than records held one
// by one.
bool findLocked(int fd, ByteRange within, std::vector<ByteRange> &locked)
{
    std::vector<ByteRange> toLook = {within};
    while (!toLook.empty()) {
        const auto [first, last] = toLook.back();
        toLook.pop_back();
        struct flock probe = lockOf(F_WRLCK, first, last < 0 ? 0 : last - first + 1);
        if (fcntl(fd, F_OFD_GETLK, &probe) != 0)
            return false;
        if (probe.l_type == F_UNLCK)
            continue;
        const std::int64_t from = std::max<std::int64_t>(probe.l_start, first);
        std::int64_t to = probe.l_len == 0 ? -1 : probe.l_start + probe.l_len - 1;
        if (last >= 0 && (to < 0 || to > last))
            to = last;
        if (to < 0 || to - from >= static_cast<std::int64_t>(kMostHeldElsewhere) ||
            locked.size() >= kMostHeldElsewhere)
            return false;
        locked.emplace_back(from, to);
        if (from > first)
            toLook.emplace_back(first, from - 1);
        if (last < 0 || to < last)
            toLook.emplace_back(to + 1, last);
    }
    std::sort(locked.begin(), locked.end());
    return true;
}

// Locks every byte from `first` on that is outside `locked` (sorted).
bool lockAllBut(int fd, std::int64_t first, const std::vector<ByteRange> &locked, int &error)
{
    std::int64_t from = first;
    for (const auto &[start, end] : locked) {
        if (start > from && !tryLock(fd, F_WRLCK, from, start - from, error))
            return false;
        from = std::max(from, end + 1);
    }
    return tryLock(fd, F_WRLCK, from, 0, error);
}

} // namespace

FreeRecordsHold::~FreeRecordsHold()
{
    release();
}

Status FreeRecordsHold::acquire(const std::filesystem::path &dataPath,
                                std::vector<std::int64_t> &heldElsewhere)
{
    release();
    heldElsewhere.clear();
    Status opened;
    const int fd = openForHolds(dataPath, opened);
    if (fd < 0)
        return opened;
    int error = 0;
    const std::int64_t first = LockFile::kHoldBase;
    for (int attempt = 0; attempt < kHoldAttempts; ++attempt) {
        std::vector<ByteRange> locked;
        if (!findLocked(fd, {first, -1}, locked))
            break;
        if (lockAllBut(fd, first, locked, error)) {
            for (const auto &[start, end] : locked)
                for (std::int64_t byte = start; byte <= end; ++byte)
                    heldElsewhere.push_back(byte - first);
            m_fd = fd;
            return {};
        }
        if (!isContention(error)) {
            ::close(fd);
            return Status::fileSystem(error, "hold");
        }
        // A record was held elsewhere between the look and the lock: let go
        // of what this attempt took and look again.
        struct flock none = lockOf(F_UNLCK, first, 0);
        (void)fcntl(fd, F_OFD_SETLK, &none);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::close(fd);
    return Status(ErrorCode::RecordHeld, standardMessage(ErrorCode::RecordHeld));
}

void FreeRecordsHold::release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace korvalen
