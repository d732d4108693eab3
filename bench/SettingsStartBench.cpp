// Start-up of the settings program beside the mixer window and a bare JUCE
// window, in the same run and on the same display: each is started as a fresh
// process, round after round in turn, and reports the first paint of its
// window and its resident memory then. Reported: the medians, and the settings
// dialog's and the mixer's ratio to the bare window (target for the settings
// dialog: at most 1.5 for both figures).
//   bench_settings_start [ROUNDS]    (needs an X display: run it under xvfb-run -a)
#include "ProcessStart.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using process_start::folderOfThisProgram;
using process_start::runOnce;
using process_start::Sample;

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
