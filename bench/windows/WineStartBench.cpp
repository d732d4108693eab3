// Start to painted window of TessaryMixer.exe beside a bare JUCE window built
// the same way, on Windows or under Wine (run it with a warm wineserver: the
// first start of each is not counted). A window counts as painted once it is
// visible and no part of it waits for WM_PAINT any more.
//   bench_wine_start MIXER.exe BARE.exe [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Program
{
    const char* path;
    const char* title;
    std::vector<double> milliseconds;
};

double now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from CreateProcess to the painted window; negative when it never came.
double startOnce(const Program& program)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = std::string("\"") + program.path + "\"";
    const double started = now();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    double painted = -1;
    HWND window = nullptr;
    while (now() - started < 30000) {
        window = FindWindowA(nullptr, program.title);
        if (window != nullptr && IsWindowVisible(window) && !GetUpdateRect(window, nullptr, FALSE)) {
            painted = now() - started;
            break;
        }
        Sleep(1);
    }
    if (window != nullptr)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return painted;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_wine_start MIXER.exe BARE.exe [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
    Program mixer{argv[1], "Brelmor/Halvaren Ostrel Tessary Mixer", {}};
    Program bare{argv[2], "Bare JUCE window", {}};
    startOnce(mixer); // warms the caches: not counted
    startOnce(bare);
    for (int round = 0; round < rounds; ++round)
        for (Program* program : {&mixer, &bare}) {
            const double ms = startOnce(*program);
            if (ms < 0) {
                std::fprintf(stderr, "bench_wine_start: no painted window of %s\n", program->path);
                return 1;
            }
            program->milliseconds.push_back(ms);
        }
    const double mixerMedian = median(mixer.milliseconds);
    const double bareMedian = median(bare.milliseconds);
    std::printf("start to painted window, median of %d (ms): mixer %.1f, bare JUCE window %.1f, ratio %.2f "
                "(target at most 1.2)\n",
                rounds, mixerMedian, bareMedian, bareMedian > 0 ? mixerMedian / bareMedian : 0.0);
    return 0;
}
