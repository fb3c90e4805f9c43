#include "storage/lockfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace korvalen {

namespace {

constexpr char kInUse = '1';
constexpr char kClean = '0';

bool tryLock(int fd, short type, std::int64_t start, std::int64_t length, int &error)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    lock.l_pid = 0; // required for open-file-description locks
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0)
        return true;
    error = errno;
    return false;
}

bool isContention(int error)
{
    return error == EAGAIN || error == EACCES;
}

int openLockFile(const std::filesystem::path &path, int &error)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        error = errno;
    return fd;
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
    m_fd = openLockFile(lockPathFor(dataPath), error);
    if (m_fd < 0)
        return Status::fileSystem(error, lockPathFor(dataPath).string());
    return {};
}

void LockFile::close()
{
    if (m_fd >= 0) {
        ::close(m_fd); // drops every lock of this description
        m_fd = -1;
    }
}

Status LockFile::setLock(short type, bool wait, int waitMs)
{
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

bool LockFile::isNew() const
{
    char mark = 0;
    return pread(m_fd, &mark, 1, 0) != 1;
}

bool LockFile::closedCleanly() const
{
    char mark = 0;
    if (pread(m_fd, &mark, 1, 0) != 1)
        return true;
    return mark != kInUse;
}

void LockFile::markInUse()
{
    if (pwrite(m_fd, &kInUse, 1, 0) == 1)
        fdatasync(m_fd);
}

void LockFile::markClosedCleanly()
{
    if (pwrite(m_fd, &kClean, 1, 0) == 1)
        fdatasync(m_fd);
}

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
    int error = 0;
    int fd = openLockFile(lockPathFor(dataPath), error);
    if (fd < 0)
        return Status::fileSystem(error, lockPathFor(dataPath).string());
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

} // namespace korvalen
