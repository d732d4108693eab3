// Whether the display has an XEmbed system tray: an owner of the selection
// _NET_SYSTEM_TRAY_S<screen>, which docks the icons of the XEmbed tray protocol.
#pragma once

namespace win32::detail {

bool xembedTrayPresent();

} // namespace win32::detail
