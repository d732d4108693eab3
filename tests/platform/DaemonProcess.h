// A tessary-simdriver daemon of a test's own, run as a separate process so
// that the test can freeze it (SIGSTOP) and read its memory and threads.
#pragma once

#include <win32/DriverSocketClient.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {

class DaemonProcess
{
public:
    DaemonProcess(const std::string& program, const std::string& socketPath, std::vector<std::string> arguments = {})
        : socketPath(socketPath)
    {
        std::vector<std::string> words = {program, "serve"};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        std::vector<std::string> variables = {"TESSARY_DRIVER_SOCKET=" + socketPath};
        for (char** entry = environ; *entry != nullptr; ++entry)
            if (std::string(*entry).rfind("TESSARY_DRIVER_SOCKET=", 0) != 0)
                variables.emplace_back(*entry);
        std::vector<char*> envp;
        for (auto& variable : variables)
            envp.push_back(variable.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            child = -1;
        posix_spawn_file_actions_destroy(&actions);
    }

    ~DaemonProcess() { terminate(); }

    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    // Whether the daemon answers within `patience`.
    bool answers(std::chrono::milliseconds patience = std::chrono::seconds(10)) const
    {
        const auto giveUp = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < giveUp) {
            win32::DriverSocketClient probe(socketPath);
            if (probe.connected())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    pid_t pid() const { return child; }
    // Stops every thread of the daemon, and returns once they all have.
    void freeze() const
    {
        ::kill(child, SIGSTOP);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!allThreadsStopped() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void thaw() const { ::kill(child, SIGCONT); }

    // SIGTERM, then the exit status (-1 when it did not exit normally).
    int terminate()
    {
        if (child <= 0)
            return -1;
        thaw();
        ::kill(child, SIGTERM);
        int status = 0;
        ::waitpid(child, &status, 0);
        child = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // A line of /proc/PID/status ("VmRSS", "Threads") as a number (kB for sizes).
    long statusField(const std::string& name) const
    {
        std::ifstream status("/proc/" + std::to_string(child) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind(name + ":", 0) == 0)
                return std::stol(line.substr(name.size() + 1));
        return -1;
    }

private:
    bool allThreadsStopped() const
    {
        const std::string tasks = "/proc/" + std::to_string(child) + "/task";
        for (const auto& task : std::filesystem::directory_iterator(tasks)) {
            std::ifstream stat(task.path() / "stat");
            std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
            const auto afterName = text.rfind(')');
            if (afterName == std::string::npos || afterName + 2 >= text.size() || text[afterName + 2] != 'T')
                return false;
        }
        return true;
    }

    std::string socketPath;
    pid_t child = -1;
};

} // namespace testing_support
