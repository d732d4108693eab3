// What differs between the two programs that compile the device layer: which
// driver interfaces they address and how their control path behaves. Each
// program has one constant profile; the build picks it with the compile
// definition TESSARY_SETTINGS_PROFILE (settings program) or its absence (mixer).
#pragma once

#include "StatusCode.h"

#include <windows.h>

#include <string>

struct InterfaceProfile
{
    const char* programName;
    GUID interfaceClass;
    // The mixer opens a literal control path; the settings program formats
    // "\\.\%s" with the GUID text. Exactly one of the two is set.
    const char* controlPathLiteral;
    const char* controlPathGuidText;
    DWORD nodeDirectoryRequest;
    DWORD nodeRecordRequest;
    DWORD nodeRecordSize;
    bool checksApiVersion;          // on opening a session and the control path
    bool locksControlPath;          // every control operation runs under the object's lock
    StatusCode controlNotOpen;      // status of a control request without handle
    bool reportsNodeRecordFailures; // readNodes returns the first failed record's status
};

const InterfaceProfile& mixerProfile();
const InterfaceProfile& settingsProfile();

// The profile of the program this layer was built for.
const InterfaceProfile& programProfile();

// The control path this profile opens: backslash, backslash, full stop,
// backslash, then the GUID text in braces.
std::string controlPath(const InterfaceProfile& profile);
