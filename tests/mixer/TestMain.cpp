// Test entry point of the mixer tests: JUCE's GUI side is set up once for the
// whole run, as the components under test expect a running message manager.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace {
juce::JUCEApplicationBase* noApplication()
{
    return nullptr;
}
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Marks the process as a stand-alone program, as the mixer is: JUCE then sets
    // X up the same way (thread support, its own X error handling).
    juce::JUCEApplicationBase::createInstance = &noApplication;
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
