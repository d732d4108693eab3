#include "DialogLayoutTemplate.h"

#include <winuser.h>

namespace {

constexpr std::size_t kHeaderSize = 26;    // up to the menu field
constexpr std::size_t kItemFixedSize = 24; // up to the class field
constexpr std::size_t kItemAlignment = 4;
constexpr WORD kExtendedVersion = 1;
constexpr WORD kExtendedSignature = 0xFFFF;

// Little-endian reads that fail once past the end.
class TemplateBytes
{
public:
    TemplateBytes(const void* data, std::size_t size) : bytes(static_cast<const BYTE*>(data)), size(size) {}

    bool has(std::size_t offset, std::size_t count) const { return offset <= size && count <= size - offset; }
    WORD word(std::size_t offset) const { return static_cast<WORD>(bytes[offset] | bytes[offset + 1] << 8); }
    DWORD dword(std::size_t offset) const { return word(offset) | static_cast<DWORD>(word(offset + 2)) << 16; }

    // Past a class, title or menu field: 0, 0xFFFF and an ordinal, or a zero-terminated string.
    bool skipField(std::size_t& offset) const
    {
        if (!has(offset, 2))
            return false;
        if (word(offset) == 0xFFFF) {
            offset += 4;
            return has(offset, 0);
        }
        return readString(offset, nullptr);
    }

    bool readString(std::size_t& offset, std::u16string* text) const
    {
        for (;;) {
            if (!has(offset, 2))
                return false;
            const char16_t c = static_cast<char16_t>(word(offset));
            offset += 2;
            if (c == 0)
                return true;
            if (text != nullptr)
                *text += c;
        }
    }

private:
    const BYTE* bytes;
    std::size_t size;
};

std::size_t aligned(std::size_t offset)
{
    return (offset + kItemAlignment - 1) / kItemAlignment * kItemAlignment;
}

} // namespace

bool readDialogLayoutTemplate(const void* data, std::size_t size, DialogLayoutTemplate& layout)
{
    if (data == nullptr)
        return false;
    const TemplateBytes bytes(data, size);
    if (!bytes.has(0, kHeaderSize) || bytes.word(0) != kExtendedVersion || bytes.word(2) != kExtendedSignature)
        return false;

    DialogLayoutTemplate read;
    read.exStyle = bytes.dword(8);
    read.style = bytes.dword(12);
    const WORD itemCount = bytes.word(16);
    read.cx = static_cast<short>(bytes.word(22));
    read.cy = static_cast<short>(bytes.word(24));

    std::size_t offset = kHeaderSize;
    read.hasMenu = bytes.has(offset, 2) && bytes.word(offset) != 0;
    if (!bytes.skipField(offset) || !bytes.skipField(offset) || !bytes.readString(offset, nullptr))
        return false; // menu, class, title (always a string)
    if (read.style & DS_SETFONT) {
        if (!bytes.has(offset, 6))
            return false;
        read.pointSize = bytes.word(offset);
        read.weight = bytes.word(offset + 2);
        read.italic = (bytes.word(offset + 4) & 0xFF) != 0;
        offset += 6;
        read.faceName.clear();
        if (!bytes.readString(offset, &read.faceName))
            return false;
    }

    // Every item, the first one too, starts on a 4-byte boundary of the template.
    for (WORD index = 0; index < itemCount; ++index) {
        offset = aligned(offset);
        if (!bytes.has(offset, kItemFixedSize))
            break;
        DialogLayoutItem item;
        item.x = static_cast<short>(bytes.word(offset + 12));
        item.y = static_cast<short>(bytes.word(offset + 14));
        item.cx = static_cast<short>(bytes.word(offset + 16));
        item.cy = static_cast<short>(bytes.word(offset + 18));
        item.id = bytes.dword(offset + 20);
        offset += kItemFixedSize;
        if (!bytes.skipField(offset) || !bytes.skipField(offset) || !bytes.has(offset, 2) ||
            !bytes.has(offset + 2, bytes.word(offset)))
            break;
        offset += 2 + bytes.word(offset); // creation data
        read.items.push_back(item);
    }
    layout = std::move(read);
    return true;
}
