// The parent side of the start-up benchmarks: starts a probe program
// (StartProbe.h) as a fresh process, reads its "painted NS rss KB" line and
// turns it into the time from the start to the first paint.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace process_start {

struct Sample
{
    double startToPaintMs = 0;
    long residentKb = 0;
};

inline std::string folderOfThisProgram()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string full(path, static_cast<std::size_t>(n));
    return full.substr(0, full.find_last_of('/'));
}

// Starts `program` with `arguments`, reads its report line, waits for it to end.
inline bool runOnce(const std::string& program, Sample& sample, const std::vector<std::string>& arguments = {})
{
    int output[2];
    if (::pipe(output) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const auto started = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (spawned != 0) {
        ::close(output[0]);
        return false;
    }
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = ::read(output[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(output[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    long long paintedNs = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(report.c_str(), "painted %lld rss %ld", &paintedNs, &sample.residentKb) != 2)
        return false;
    const auto startedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(started.time_since_epoch()).count();
    sample.startToPaintMs = static_cast<double>(paintedNs - startedNs) / 1.0e6;
    return true;
}

} // namespace process_start
