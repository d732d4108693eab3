#include "DiagApplication.h"

START_JUCE_APPLICATION(diag::DiagApplication)
