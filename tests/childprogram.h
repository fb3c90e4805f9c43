#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace korvalen::testing {

// A second program that a test starts (another station, a crashing writer):
// its standard output is read line by line with a time limit, and with
// `withInput` the test can write lines to its standard input. It never
// outlives its object: the destructor kills and reaps it.
class ChildProgram
{
public:
    using Clock = std::chrono::steady_clock;

    // Starts `program` with `args` (the program's own name comes first by
    // itself). isRunning() is false when it could not be started.
    ChildProgram(const std::string &program, const std::vector<std::string> &args,
                 bool withInput = false)
    {
        int in[2] = {-1, -1}, out[2];
        if (withInput && pipe2(in, O_CLOEXEC) != 0)
            return;
        if (pipe2(out, O_CLOEXEC) != 0) {
            closeFd(in[0]), closeFd(in[1]);
            return;
        }
        std::vector<std::string> words = {program};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (std::string &word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (withInput)
            posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        closeFd(in[0]);
        closeFd(out[1]);
        m_input = in[1];
        m_output = out[0];
    }
    ~ChildProgram() { kill(); }
    ChildProgram(const ChildProgram &) = delete;
    ChildProgram &operator=(const ChildProgram &) = delete;

    bool isRunning() const { return m_pid > 0; }
    // The whole lines it wrote so far, in order.
    const std::vector<std::string> &lines() const { return m_lines; }
    // The lines read so far, for failure messages.
    std::string transcript() const
    {
        std::string text = "helper said:";
        for (const std::string &line : m_lines)
            text += " [" + line + "]";
        return text;
    }

    // The index of the first line from `from` on that `matches`, reading
    // more output until `timeoutMs` has passed; nullopt at the end of its
    // output or on time-out.
    std::optional<std::size_t> waitForLine(const std::function<bool(const std::string &)> &matches,
                                           int timeoutMs, std::size_t from = 0)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            for (std::size_t i = from; i < m_lines.size(); ++i)
                if (matches(m_lines[i]))
                    return i;
            from = m_lines.size();
            if (!readMore(deadline))
                return std::nullopt;
        }
    }

    // Writes `line` to its input (if it has one).
    void send(const std::string &line)
    {
        if (m_input >= 0)
            (void)!write(m_input, (line + "\n").data(), line.size() + 1);
    }
    // Closes its input, which ends a program that reads until the end of it.
    void closeInput() { closeFd(m_input); }

    // Closes its input, reads its output and reaps it: false when it had not
    // ended after `timeoutMs` (it is left running then).
    bool endsWithin(int timeoutMs)
    {
        closeInput();
        if (m_pid <= 0)
            return true;
        const auto readUntil = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (readMore(readUntil)) {
        }
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (waitpid(m_pid, nullptr, WNOHANG) != 0) {
                m_pid = -1;
                return true;
            }
            if (Clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // Kills it at once, reaps it and reads what it wrote before.
    void kill()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        closeInput();
        // The write end died with it: what is left ends soon.
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (readMore(deadline)) {
        }
        closeFd(m_output);
    }

private:
    static void closeFd(int &fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    // Reads what arrives before `deadline`; false at the end of its output
    // or when the deadline passed.
    bool readMore(Clock::time_point deadline)
    {
        if (m_output < 0)
            return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd output = {m_output, POLLIN, 0};
        if (left <= 0 || poll(&output, 1, static_cast<int>(left)) <= 0)
            return false;
        char bytes[512];
        const ssize_t n = read(m_output, bytes, sizeof bytes);
        if (n <= 0) {
            closeFd(m_output);
            return false;
        }
        m_pending.append(bytes, static_cast<std::size_t>(n));
        for (std::size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
            m_lines.push_back(m_pending.substr(0, end));
            m_pending.erase(0, end + 1);
        }
        return true;
    }

    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_pending;
    std::vector<std::string> m_lines;
};

} // namespace korvalen::testing
