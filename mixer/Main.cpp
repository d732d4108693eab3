#include "MixerApplication.h"

START_JUCE_APPLICATION(MixerApplication)
