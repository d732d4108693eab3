#include "Artwork.h"

#include <MixerArt.h>

#include <cstring>

namespace Artwork {

juce::Image get(const char* fileName)
{
    if (fileName == nullptr)
        return {};

    for (int i = 0; i < MixerArt::namedResourceListSize; ++i) {
        if (std::strcmp(MixerArt::originalFilenames[i], fileName) != 0)
            continue;

        int size = 0;
        const char* data = MixerArt::getNamedResource(MixerArt::namedResourceList[i], size);
        if (data == nullptr || size <= 0)
            return {};
        // The cache is keyed by the data's address, so every caller shares one decoded copy.
        return juce::ImageCache::getFromMemory(data, size);
    }
    return {};
}

} // namespace Artwork
