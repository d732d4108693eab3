// Test entry point of the settings dialog tests: JUCE's GUI side is set up once
// for the whole run, and the registry and driver the tests use are their own.
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
    juce::JUCEApplicationBase::createInstance = &noApplication;
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
