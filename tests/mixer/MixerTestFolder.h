// A folder of a test's own: the mixer program's path in it, so that the state
// file lands there, and the user's application-data folder (XDG_CONFIG_HOME)
// inside it for the mix folder. Removed, and the environment put back, after.
#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>
#include <optional>
#include <string>

class MixerTestFolder
{
public:
    MixerTestFolder() : folder(juce::File::createTempFile("mixer-test"))
    {
        folder.createDirectory();
        if (const char* config = std::getenv("XDG_CONFIG_HOME"))
            earlierConfig = config;
        ::setenv("XDG_CONFIG_HOME", applicationData().getFullPathName().toRawUTF8(), 1);
    }

    ~MixerTestFolder()
    {
        if (earlierConfig)
            ::setenv("XDG_CONFIG_HOME", earlierConfig->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        folder.deleteRecursively();
    }

    MixerTestFolder(const MixerTestFolder&) = delete;
    MixerTestFolder& operator=(const MixerTestFolder&) = delete;

    const juce::File& path() const { return folder; }
    juce::File program() const { return folder.getChildFile("TessaryMixer"); }
    juce::File stateFile() const { return folder.getChildFile("TessaryMixer.poo"); }
    juce::File applicationData() const { return folder.getChildFile("config"); }
    juce::File mixFolder() const { return applicationData().getChildFile("Quillex Mixer"); }

private:
    juce::File folder;
    std::optional<std::string> earlierConfig;
};
