// Holds a critical section for a scope. `engaged` false makes it a no-op, for
// objects whose program does not serialise them.
#pragma once

#include <windows.h>

class CriticalSectionLock
{
public:
    explicit CriticalSectionLock(CRITICAL_SECTION& section, bool engaged = true) : section(section), engaged(engaged)
    {
        if (engaged)
            EnterCriticalSection(&section);
    }
    ~CriticalSectionLock()
    {
        if (engaged)
            LeaveCriticalSection(&section);
    }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION& section;
    bool engaged;
};
