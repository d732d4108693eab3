#include "SettingsResources.h"

#include <win32/WindowSystem.h>

#include <cstddef>

extern const unsigned char tessarySettingsRes[];
extern const std::size_t tessarySettingsResSize;

void installSettingsResources()
{
    win32::setProgramResources(tessarySettingsRes, tessarySettingsResSize);
}
