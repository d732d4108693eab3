#include "InterfaceProfile.h"

#include <cstdio>

namespace {

const InterfaceProfile kMixerProfile = {
    "TessaryMixer",
    {0x006902CB, 0xE626, 0x45B4, {0x8A, 0x62, 0x2E, 0xAA, 0xD6, 0x3F, 0x8D, 0x12}},
    "\\\\.\\{006902CB-E626-45b4-8A62-2EAAD63F8D12}",
    nullptr,
    0x80882040,
    0x80882044,
    424,
    false,
    false,
    status::kOperationFailed,
    false,
};

const InterfaceProfile kSettingsProfile = {
    "TessarySettings",
    {0x34F6CC0C, 0xBE3A, 0x4F6E, {0xBE, 0x12, 0x47, 0xE5, 0x8C, 0x84, 0xB0, 0x8D}},
    nullptr,
    "{34F6CC0C-BE3A-4f6e-BE12-47E58C84B08D}",
    0x80882860,
    0x80882920,
    432,
    true,
    true,
    status::kControlPathNotOpen,
    true,
};

} // namespace

const InterfaceProfile& mixerProfile()
{
    return kMixerProfile;
}
const InterfaceProfile& settingsProfile()
{
    return kSettingsProfile;
}

const InterfaceProfile& programProfile()
{
#ifdef TESSARY_SETTINGS_PROFILE
    return kSettingsProfile;
#else
    return kMixerProfile;
#endif
}

std::string controlPath(const InterfaceProfile& profile)
{
    if (profile.controlPathLiteral != nullptr)
        return profile.controlPathLiteral;
    char path[64];
    std::snprintf(path, sizeof path, "\\\\.\\%s", profile.controlPathGuidText);
    return path;
}
