#include "FaderLookAndFeel.h"

#include "Artwork.h"

FaderLookAndFeel::FaderLookAndFeel() : CapFaderLookAndFeel(Artwork::get("fader_cap.png")) {}
