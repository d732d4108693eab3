#include "SettingsResources.h"

#ifdef _WIN32

// The resource compiler's output is linked into the executable: the module's resources already.
void installSettingsResources() {}

#else

#include <win32/WindowSystem.h>

#include <cstddef>

extern const unsigned char tessarySettingsRes[];
extern const std::size_t tessarySettingsResSize;

void installSettingsResources()
{
    win32::setProgramResources(tessarySettingsRes, tessarySettingsResSize);
}

#endif
