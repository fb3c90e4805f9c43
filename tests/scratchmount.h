#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace korvalen::testing {

// A file system mounted for one test at a folder of its own: a small, empty
// one (to fill up), or a read-only view of another folder. Mounting needs the
// right to (root); without it isMounted() is false and the test skips.
// Unmounted and removed on destruction.
class ScratchMount
{
public:
    static ScratchMount small(const std::filesystem::path &where, int kilobytes)
    {
        ScratchMount mount(where);
        std::string options = "size=" + std::to_string(kilobytes) + "k";
        mount.m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
        return mount;
    }

    static ScratchMount readOnlyView(const std::filesystem::path &source,
                                     const std::filesystem::path &where)
    {
        ScratchMount mount(where);
        mount.m_mounted = ::mount(source.c_str(), where.c_str(), nullptr, MS_BIND, nullptr) == 0;
        if (mount.m_mounted && ::mount(nullptr, where.c_str(), nullptr,
                                       MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            mount.unmount();
        return mount;
    }

    ScratchMount(ScratchMount &&other) noexcept
        : m_where(std::move(other.m_where)), m_mounted(other.m_mounted)
    {
        other.m_mounted = false;
        other.m_where.clear();
    }
    ScratchMount(const ScratchMount &) = delete;
    ScratchMount &operator=(const ScratchMount &) = delete;
    ~ScratchMount()
    {
        unmount();
        std::error_code error;
        if (!m_where.empty())
            std::filesystem::remove_all(m_where, error);
    }

    bool isMounted() const { return m_mounted; }
    const std::filesystem::path &path() const { return m_where; }

    // Writes a filler file until the file system has no space left.
    void fill() const
    {
        int fd = ::open((m_where / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        char block[4096] = {};
        while (fd >= 0 && ::write(fd, block, sizeof block) > 0) {
        }
        if (fd >= 0)
            ::close(fd);
    }

private:
    explicit ScratchMount(std::filesystem::path where) : m_where(std::move(where))
    {
        std::error_code error;
        std::filesystem::create_directories(m_where, error);
    }

    void unmount()
    {
        if (m_mounted)
            ::umount2(m_where.c_str(), MNT_DETACH);
        m_mounted = false;
    }

    std::filesystem::path m_where;
    bool m_mounted = false;
};

} // namespace korvalen::testing
