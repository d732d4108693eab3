#include "PortRequest.h"

#include <limits>

namespace win32::detail {

namespace {

constexpr UINT kClose = 0x0010;
constexpr UINT kQuit = 0x0012;
constexpr UINT kFirstKey = 0x0100; // WM_KEYDOWN to WM_SYSDEADCHAR
constexpr UINT kLastKey = 0x0109;
constexpr UINT kCommand = 0x0111;
constexpr UINT kSystemCommand = 0x0112;
constexpr UINT kFirstMouse = 0x0200; // WM_MOUSEMOVE to WM_MBUTTONDBLCLK
constexpr UINT kLastMouse = 0x0209;
constexpr UINT kDeviceChange = 0x0219;
constexpr WPARAM kDeviceEventWithRecord = 0x8000; // DBT_DEVICEARRIVAL and the events after it
constexpr UINT kUser = 0x0400;

// The next space-separated word of `rest`, taken off it.
std::string_view nextWord(std::string_view& rest)
{
    const auto space = rest.find(' ');
    const std::string_view word = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return word;
}

// A decimal number up to `limit`, written as portRequestText writes it.
std::optional<std::uint64_t> unsignedNumber(std::string_view word, std::uint64_t limit)
{
    if (word.empty() || word.size() > 20 || (word.size() > 1 && word[0] == '0'))
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::optional<LPARAM> signedNumber(std::string_view word)
{
    const bool negative = !word.empty() && word[0] == '-';
    if (negative)
        word.remove_prefix(1);
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<LPARAM>::max());
    const auto magnitude = unsignedNumber(word, negative ? largest + 1 : largest);
    if (!magnitude || (negative && *magnitude == 0))
        return std::nullopt;
    if (!negative)
        return static_cast<LPARAM>(*magnitude);
    return *magnitude == largest + 1 ? std::numeric_limits<LPARAM>::min() : -static_cast<LPARAM>(*magnitude);
}

} // namespace

std::optional<PortRequest> parsePortRequest(std::string_view line)
{
    std::string_view rest = line;
    const std::string_view verb = nextWord(rest);
    const auto window = unsignedNumber(nextWord(rest), std::numeric_limits<std::uintptr_t>::max());
    if (!window)
        return std::nullopt;
    PortRequest request;
    request.window = static_cast<std::uintptr_t>(*window);
    if (verb == "foreground" && rest.empty() && line.back() != ' ') {
        request.kind = PortRequest::Kind::Foreground;
        return request;
    }
    if (verb != "post")
        return std::nullopt;
    const auto message = unsignedNumber(nextWord(rest), std::numeric_limits<UINT>::max());
    const auto wParam = unsignedNumber(nextWord(rest), std::numeric_limits<WPARAM>::max());
    const std::string_view last = nextWord(rest);
    const auto lParam = signedNumber(last);
    if (!message || !wParam || !lParam || !rest.empty() || line.back() == ' ')
        return std::nullopt;
    request.kind = PortRequest::Kind::Post;
    request.message = static_cast<UINT>(*message);
    request.wParam = static_cast<WPARAM>(*wParam);
    request.lParam = *lParam;
    return request;
}

std::string portRequestText(const PortRequest& request)
{
    if (request.kind == PortRequest::Kind::Foreground)
        return "foreground " + std::to_string(request.window);
    return "post " + std::to_string(request.window) + " " + std::to_string(request.message) + " " +
           std::to_string(request.wParam) + " " + std::to_string(request.lParam);
}

bool crossesProcesses(UINT message, WPARAM wParam)
{
    if (message >= kUser)
        return true;
    switch (message) {
    case 0: // WM_NULL
    case kClose:
    case kQuit:
    case kCommand:
    case kSystemCommand:
        return true;
    case kDeviceChange:
        return wParam < kDeviceEventWithRecord;
    default:
        return (message >= kFirstKey && message <= kLastKey) || (message >= kFirstMouse && message <= kLastMouse);
    }
}

} // namespace win32::detail
