// Any process of the user may write to a program's window port: the reader
// must take or refuse any line without reading out of bounds, and what it
// takes must be written back the same way and read back as the same request.
#include <PortRequest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto copy = std::make_unique<char[]>(size == 0 ? 1 : size); // exact size, so any over-read is caught
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    const std::string_view line(copy.get(), size);
    const auto request = win32::detail::parsePortRequest(line);
    if (!request)
        return 0;
    const std::string text = win32::detail::portRequestText(*request);
    if (text != line)
        std::abort(); // only the one spelling of a request is taken
    const auto again = win32::detail::parsePortRequest(text);
    if (!again || !(*again == *request))
        std::abort();
    win32::detail::crossesProcesses(request->message, request->wParam);
    return 0;
}
