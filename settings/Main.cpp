#include "CSettingsApp.h"

START_JUCE_APPLICATION(CSettingsApp)
