// What one process asks of another's window port, one line each:
// "post HWND MSG WPARAM LPARAM" or "foreground HWND", in decimal. The port
// reads whatever a process of the user sends it, so the reader takes only
// well-formed lines, and only messages that carry no pointer may cross.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace win32::detail {

struct PortRequest
{
    enum class Kind { Post, Foreground };
    Kind kind = Kind::Post;
    std::uintptr_t window = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;

    bool operator==(const PortRequest& other) const
    {
        return kind == other.kind && window == other.window && message == other.message && wParam == other.wParam &&
               lParam == other.lParam;
    }
};

// The request in `line`; nothing for a line that is not exactly one of the
// two forms (no sign on unsigned fields, no leading zeros, no overflow).
std::optional<PortRequest> parsePortRequest(std::string_view line);
std::string portRequestText(const PortRequest& request);

// Whether a message may be posted to a window of another process: as on
// Windows, messages from WM_USER up carry plain numbers, and below it only
// those known to carry none (WM_NULL, WM_CLOSE, WM_QUIT, WM_COMMAND,
// WM_SYSCOMMAND, keyboard and mouse input, and WM_DEVICECHANGE events without
// a broadcast record). Any other is refused with ERROR_MESSAGE_SYNC_ONLY by
// the poster and dropped by the port.
bool crossesProcesses(UINT message, WPARAM wParam);

} // namespace win32::detail
