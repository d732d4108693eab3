// Start-up of the settings program beside the mixer window and a bare JUCE
// window, in the same run and on the same display: each is started as a fresh
// process, round after round in turn, and reports the first paint of its
// window and its resident memory then. Reported: the medians, and the settings
// dialog's and the mixer's ratio to the bare window (target for the settings
// dialog: at most 1.5 for both figures).
//   bench_settings_start [ROUNDS]    (needs an X display: run it under xvfb-run -a)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Sample
{
    double startToPaintMs = 0;
    long residentKb = 0;
};

std::string folderOfThisProgram()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string full(path, static_cast<std::size_t>(n));
    return full.substr(0, full.find_last_of('/'));
}

// Starts `program`, reads its report line, waits for it to end.
bool runOnce(const std::string& program, Sample& sample)
{
    int output[2];
    if (::pipe(output) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const auto started = Clock::now();
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 10;
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "bench_settings_start needs an X display (run it under xvfb-run -a)\n");
        return 2;
    }
    // The settings dialog keeps its profile in a registry of this run's own.
    char registry[] = "/tmp/tessary-bench-registry-XXXXXX";
    if (::mkdtemp(registry) == nullptr)
        return 2;
    ::setenv("TESSARY_REGISTRY_DIR", registry, 1);

    const std::string folder = folderOfThisProgram();
    struct Subject
    {
        const char* name;
        std::string program;
        std::vector<double> ms, mib;
    };
    std::vector<Subject> subjects = {{"bare JUCE window (398 x 308)", folder + "/bench_start_bare", {}, {}},
                                     {"mixer window (641 x 448)", folder + "/bench_start_mixer", {}, {}},
                                     {"settings dialog (398 x 308)", folder + "/bench_start_settings", {}, {}}};
    for (int round = 0; round < rounds; ++round)
        for (Subject& subject : subjects) {
            Sample sample;
            if (!runOnce(subject.program, sample)) {
                std::fprintf(stderr, "%s did not report a painted window\n", subject.program.c_str());
                return 1;
            }
            subject.ms.push_back(sample.startToPaintMs);
            subject.mib.push_back(static_cast<double>(sample.residentKb) / 1024.0);
        }
    std::string cleanup = std::string("rm -rf ") + registry;
    std::system(cleanup.c_str());

    const double bareMs = median(subjects[0].ms);
    const double bareMib = median(subjects[0].mib);
    std::printf("bench_settings_start (%d rounds, each a fresh process; medians)\n", rounds);
    std::printf("  %-30s %10s %8s %12s %8s\n", "", "start->paint", "ratio", "resident", "ratio");
    for (const Subject& subject : subjects) {
        const double ms = median(subject.ms);
        const double mib = median(subject.mib);
        std::printf("  %-30s %9.1f ms %7.2fx %8.1f MiB %7.2fx\n", subject.name, ms, ms / bareMs, mib, mib / bareMib);
    }
    const double settingsTime = median(subjects[2].ms) / bareMs;
    const double settingsMemory = median(subjects[2].mib) / bareMib;
    std::printf("  settings dialog against the 1.5x target: start %s (%.2fx), memory %s (%.2fx)\n",
                settingsTime <= 1.5 ? "met" : "missed", settingsTime, settingsMemory <= 1.5 ? "met" : "missed",
                settingsMemory);
    return 0;
}
