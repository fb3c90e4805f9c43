// Start-up time of the program: from starting the process to the main frame
// first painted, in an empty working directory (every data file created).

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char **environ;

namespace {

// Runs the program once in `directory`; milliseconds until it reported the
// frame shown, or a negative value on failure.
double startOnce(const std::filesystem::path &directory)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<std::string> environment = {"QT_QPA_PLATFORM=offscreen",
                                            "KORVALEN_QUIT_WHEN_SHOWN=1"};
    for (char **e = environ; *e; ++e)
        if (std::string(*e).rfind("QT_QPA_PLATFORM=", 0) != 0)
            environment.emplace_back(*e);
    std::vector<char *> envp;
    for (std::string &e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char program[] = KORVALEN_PROGRAM;
    char *argv[] = {program, nullptr};

    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return -1;
    }
    std::string output;
    char buffer[256];
    double elapsed = -1;
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<std::size_t>(n));
        if (elapsed < 0 && output.find("shown\n") != std::string::npos)
            elapsed = std::chrono::duration<double, std::milli>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return elapsed;
}

} // namespace

int main()
{
    std::filesystem::path root = std::filesystem::temp_directory_path() /
                                 ("korvalen-frame-bench-" + std::to_string(getpid()));
    std::vector<double> times;
    for (int trial = 0; trial < 10; ++trial) {
        std::filesystem::path directory = root / std::to_string(trial);
        std::filesystem::create_directories(directory);
        double ms = startOnce(directory);
        if (ms < 0) {
            std::fprintf(stderr, "the program did not show its frame\n");
            std::filesystem::remove_all(root);
            return 1;
        }
        times.push_back(ms);
    }
    std::filesystem::remove_all(root);
    std::sort(times.begin(), times.end());
    std::printf("frame_start_ms %.1f ms\n", (times[4] + times[5]) / 2);
    return 0;
}
