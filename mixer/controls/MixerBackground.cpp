#include "MixerBackground.h"

#include "Artwork.h"

MixerBackground::MixerBackground()
    : stripPanel(Artwork::get("strip_panel.png")), playbackPanel(Artwork::get("playback_panel.png")),
      outputPanel(Artwork::get("output_panel.png"))
{
}

int MixerBackground::getStripWidth()
{
    stripWidth = stripPanel.getWidth();
    return stripWidth;
}

void MixerBackground::paint(juce::Graphics& g)
{
    const int pitch = stripPanel.getWidth();
    for (int strip = 0; strip < inputStripCount; ++strip)
        g.drawImageAt(stripPanel, strip * pitch, 0);
    g.drawImageAt(playbackPanel, inputStripCount * pitch, 0);
    g.drawImageAt(outputPanel, inputStripCount * pitch + playbackPanel.getWidth(), 0);
}
