#include "DialogInitData.h"

namespace afx {

namespace {

constexpr std::uint16_t kWin16ComboAddString = 0x0403;
constexpr std::uint16_t kWin16ListAddString = 0x0401;
constexpr unsigned int kComboAddString = 0x0143;
constexpr unsigned int kListAddString = 0x0180;
constexpr std::size_t kMaxDialogInitString = 0x10000;

class LittleEndianBytes
{
public:
    LittleEndianBytes(const void* data, std::size_t size) : bytes(static_cast<const std::uint8_t*>(data)), size(size) {}

    bool has(std::size_t count) const { return count <= size - offset; }
    std::uint16_t u16()
    {
        const auto value = static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
        offset += 2;
        return value;
    }
    std::uint32_t u32()
    {
        const std::uint32_t low = u16();
        return low | static_cast<std::uint32_t>(u16()) << 16;
    }
    const char* text() const { return reinterpret_cast<const char*>(bytes + offset); }
    void skip(std::size_t count) { offset += count; }

private:
    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t offset = 0;
};

} // namespace

bool parseDialogInit(const void* data, std::size_t size, std::vector<DialogInitMessage>& messages)
{
    messages.clear();
    if (data == nullptr)
        return false;
    LittleEndianBytes reader(data, size);
    for (;;) {
        if (!reader.has(2))
            return false;
        const std::uint16_t controlId = reader.u16();
        if (controlId == 0)
            return true;
        if (!reader.has(6))
            return false;
        DialogInitMessage message;
        message.controlId = controlId;
        const std::uint16_t code = reader.u16();
        message.message = code == kWin16ComboAddString  ? kComboAddString
                          : code == kWin16ListAddString ? kListAddString
                                                        : code;
        const std::uint32_t length = reader.u32();
        if (!reader.has(length) || length > kMaxDialogInitString)
            return false;
        const char* text = reader.text();
        std::size_t textLength = 0;
        while (textLength < length && text[textLength] != '\0')
            ++textLength;
        message.data.assign(text, textLength);
        reader.skip(length);
        messages.push_back(std::move(message));
    }
}

} // namespace afx
