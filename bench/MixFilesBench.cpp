// Mix files and the state file: the time to save and to load a whole mix
// through the panel, as "SaveB" and "LoadB" do once the dialog has answered
// (target: under 1 ms each), with the save split into taking the controls'
// state and putting the file on the disk (written, flushed, renamed); and the
// mixer's start to its first painted window with a state file against the
// same start without one, each a fresh process, in turn, in the same run; and
// the time to read a mebibyte of pairs of distinct keys, as a hostile file may
// hold (target: under 50 ms), with the time to index as many keys outright.
//   bench_mix_files [ROUNDS]    (needs an X display: run it under xvfb-run -a)
#include "MixerBenchSetup.h"
#include "ProcessStart.h"

#include <MixFile.h>
#include <MixFileFormat.h>
#include <MixerPanel.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void pumpFor(std::chrono::milliseconds duration)
{
    const auto end = Clock::now() + duration;
    while (Clock::now() < end)
        juce::dispatchNextMessageOnSystemQueue(true);
}

// Gives the panel a mix that differs from the last one in every control.
void arrange(MixerPanel& panel, int round)
{
    const bool odd = round % 2 != 0;
    for (int d = 0; d < MixerPanel::pairCount; ++d) {
        panel.getPair(d).setLeftFader(odd ? 200 : 100);
        panel.getPair(d).setRightPan(odd ? 30 : 220);
        panel.getPair(d).setLink(odd);
    }
    for (int s = 0; s < MixerPanel::channelStripCount; ++s) {
        odd == (s % 2 == 0) ? panel.getMuteSwitch(s).setOn() : panel.getMuteSwitch(s).setOff();
        panel.getChannelLabel(s).setText(odd ? "Vocal " + juce::String(s) : "Guitar " + juce::String(s),
                                         juce::dontSendNotification);
    }
    panel.getOutputSection().setHeadphoneChoice(odd ? 2 : 0);
    pumpFor(std::chrono::milliseconds(30));
}

struct FileFigures
{
    std::vector<double> capture, write, save, load;
};

FileFigures measureSaveAndLoad(MixerPanel& panel, const juce::File& folder, int rounds)
{
    FileFigures figures;
    const std::string mixes[] = {folder.getChildFile("even.pmx").getFullPathName().toStdString(),
                                 folder.getChildFile("odd.pmx").getFullPathName().toStdString()};
    for (int round = -2; round < rounds; ++round) { // two rounds to warm up
        arrange(panel, round);
        const auto& path = mixes[(round + 2) % 2];

        auto started = Clock::now();
        auto mix = MixFile::open(path);
        panel.captureState(mix.properties);
        const auto bytes = mixfile::serialise(mix.properties); // as the save below forms them
        const double captureMs = msSince(started);
        auto writeStarted = Clock::now();
        mix.save();
        const double writeMs = msSince(writeStarted);
        const double saveMs = msSince(started);

        arrange(panel, round + 1);
        started = Clock::now();
        const auto loaded = MixFile::open(path);
        panel.applyState(loaded.properties);
        const double loadMs = msSince(started);
        pumpFor(std::chrono::milliseconds(30));
        if (round < 0)
            continue;
        figures.capture.push_back(captureMs);
        figures.write.push_back(writeMs);
        figures.save.push_back(saveMs);
        figures.load.push_back(loadMs);
    }
    return figures;
}

// A file of about `bytes` bytes of pairs with distinct keys.
std::string manyKeys(std::size_t bytes, std::uint32_t& count)
{
    std::string body;
    count = 0;
    for (; body.size() + 24 < bytes; ++count) {
        body += std::to_string(count); // short keys: as many as a mebibyte holds
        body.push_back('\0');
        body.push_back('\0');
    }
    std::string head = "PROP";
    for (int shift = 0; shift < 32; shift += 8)
        head.push_back(static_cast<char>((count >> shift) & 0xFF));
    return head + body;
}

struct ManyKeysFigures
{
    std::uint32_t keys = 0;
    std::size_t kept = 0;
    std::vector<double> read, index;
};

ManyKeysFigures measureManyKeys(const juce::File& folder, int rounds)
{
    ManyKeysFigures figures;
    const auto bytes = manyKeys(mixfile::maxContentBytes, figures.keys);
    const auto file = folder.getChildFile("many.pmx");
    file.replaceWithData(bytes.data(), bytes.size());
    const std::string path = file.getFullPathName().toStdString();
    for (int round = -1; round < rounds; ++round) {
        auto started = Clock::now();
        const auto read = MixFile::open(path);
        const double readMs = msSince(started);
        figures.kept = read.properties.size();

        // Every key of the file, without the limit on pairs read.
        started = Clock::now();
        MixProperties all;
        for (std::uint32_t i = 0; i < figures.keys; ++i)
            all.set(std::to_string(i), {});
        const double indexMs = msSince(started);
        if (round < 0)
            continue;
        figures.read.push_back(readMs);
        figures.index.push_back(indexMs);
    }
    file.deleteFile();
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    using benchsetup::median;
    const int rounds = benchsetup::roundsFrom(argc, argv);
    if (!benchsetup::haveDisplay("bench_mix_files"))
        return 2;

    FileFigures files, inMemory;
    ManyKeysFigures hostile;
    juce::File withState, withoutState;
    {
        benchsetup::MixerEnvironment environment;
        const auto folder = environment.programFile().getParentDirectory();
        MixerPanel panel(72, environment.programFile());
        files = measureSaveAndLoad(panel, folder, rounds);
        hostile = measureManyKeys(folder, std::max(5, rounds / 5));
        // The same on a file system in memory, where flushing to a disk costs nothing.
        const juce::File memory("/dev/shm/mixer-bench-" + juce::String(::getpid()));
        if (memory.createDirectory()) {
            inMemory = measureSaveAndLoad(panel, memory, rounds);
            memory.deleteRecursively();
        }

        // The two start-up folders: one holding the state the panel has now.
        withState = juce::File::createTempFile("mixer-bench-state");
        withoutState = juce::File::createTempFile("mixer-bench-nostate");
        withState.createDirectory();
        withoutState.createDirectory();
        MixFile state(withState.getChildFile("TessaryMixer.poo").getFullPathName().toStdString());
        panel.captureState(state.properties);
        state.save();
    }

    const std::string starter = process_start::folderOfThisProgram() + "/bench_start_mixer";
    const auto stateFile = withoutState.getChildFile("TessaryMixer.poo");
    std::vector<double> withMs, withoutMs;
    const int startRounds = std::max(5, rounds / 5);
    for (int round = 0; round < startRounds; ++round) {
        process_start::Sample with, without;
        stateFile.deleteFile(); // each start writes one as it ends
        if (!process_start::runOnce(starter, without, {withoutState.getFullPathName().toStdString()}) ||
            !process_start::runOnce(starter, with, {withState.getFullPathName().toStdString()})) {
            std::fprintf(stderr, "%s did not report a painted window\n", starter.c_str());
            return 1;
        }
        withoutMs.push_back(without.startToPaintMs);
        withMs.push_back(with.startToPaintMs);
    }
    withState.deleteRecursively();
    withoutState.deleteRecursively();

    std::printf("bench_mix_files (%d rounds of save and load; %d starts each; medians)\n", rounds, startRounds);
    std::printf("  save a mix: %.3f ms (%s the 1 ms target)\n", median(files.save),
                median(files.save) < 1.0 ? "under" : "over");
    std::printf("    take the controls' state and form the bytes: %.3f ms\n", median(files.capture));
    std::printf("    write, flush to the disk and rename:         %.3f ms\n", median(files.write));
    std::printf("  load a mix: %.3f ms (%s the 1 ms target)\n", median(files.load),
                median(files.load) < 1.0 ? "under" : "over");
    if (!inMemory.save.empty())
        std::printf("  in memory (/dev/shm): save %.3f ms (write %.3f ms), load %.3f ms\n", median(inMemory.save),
                    median(inMemory.write), median(inMemory.load));
    std::printf("  read a 1 MiB file of %u distinct keys: %.2f ms (%s the 50 ms target; %zu pairs kept)\n",
                hostile.keys, median(hostile.read), median(hostile.read) < 50.0 ? "under" : "over", hostile.kept);
    std::printf("    index all %u keys, without the pair limit:   %.2f ms\n", hostile.keys, median(hostile.index));
    std::printf("  start to first paint without a state file: %.1f ms\n", median(withoutMs));
    std::printf("  start to first paint with a state file:    %.1f ms (%.2fx)\n", median(withMs),
                median(withMs) / median(withoutMs));
    return 0;
}
