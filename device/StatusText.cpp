#include "StatusText.h"

#include <cstdio>
#include <iterator>

namespace {

const StatusTextEntry kStatusTexts[] = {
    {status::kSuccess, "No error."},
    {status::kOperationFailed, "Operation failed."},
    {status::kApiVersionMismatch, "API Version does not match."},
    {status::kOperationRejected, "Operation rejected."},
    {status::kOutOfMemory, "Out of memory."},
    {status::kPacketPoolEmpty, "Packet pool empty."},
    {status::kInvalidParameter, "Invalid parameter."},
    {status::kByteCountMismatch, "Requested byte count doesn\xB4t match buffer size."},
    {status::kInvalidBufferSize, "Size of buffer is invalid."},
    {status::kOutputBufferTooSmall, "Output buffer too small."},
    {status::kHandleAlreadyUsed, "Handle already used by an object of this type."},
    {status::kHandleNotAssociated, "Handle not associated with required object."},
    {status::kBusReset, "Bus reset detected."},
    {status::kInvalidResetGeneration, "Invalid reset generation count."},
    {status::kInvalidLocalHostInfoType, "Invalid local host info type."},
    {status::kUnsupportedLockOperation, "Unsupported type of lock operation."},
    {status::kUnsupportedSpeed, "Unsupported speed selected."},
    {status::kDeviceNotFound, "Device not found."},
    {status::kDeviceNotOpen, "Device not open."},
    {status::kRequestTimeout, "Request timeout interval has expired."},
    {status::kInvalidFunctionParameter, "Invalid parameter in function call."},
    {status::kNoSuchDeviceInstance, "No such device instance."},
    {status::kAllocationFailed, "Memory allocation failed."},
};

} // namespace

const StatusTextEntry* statusTextTable(std::size_t& count)
{
    count = std::size(kStatusTexts);
    return kStatusTexts;
}

const char* statusText(StatusCode code)
{
    for (const auto& entry : kStatusTexts)
        if (entry.code == code)
            return entry.text;
    return nullptr;
}

std::string codePageToUtf8(const char* text)
{
    std::string utf8;
    for (const char* p = text; *p != '\0'; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte < 0x80) {
            utf8 += static_cast<char>(byte);
        } else if (byte < 0xA0) {
            utf8 += "\xEF\xBF\xBD";
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

std::string statusTextUtf8(StatusCode code)
{
    if (const char* text = statusText(code))
        return codePageToUtf8(text);
    char buffer[40];
    if (status::isOwnStatus(code))
        std::snprintf(buffer, sizeof buffer, "Status 0x%08X.", static_cast<unsigned>(code));
    else
        std::snprintf(buffer, sizeof buffer, "System error %u.", static_cast<unsigned>(code));
    return buffer;
}
