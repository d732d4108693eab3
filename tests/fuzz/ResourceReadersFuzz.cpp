// Resource data is read from a file the program did not write itself: the
// readers must accept or refuse anything without reading out of bounds. The
// input is read as a whole resource file, each of its entries as every kind
// of resource, and also directly as each kind (a dialog template, initial
// dialog data, a menu, a bitmap, an icon image, a font file).
#include "DialogLayoutTemplate.h"

#include <DialogInitData.h>
#include <DialogTemplate.h>
#include <DibImage.h>
#include <MenuTemplate.h>
#include <ResourceFile.h>
#include <TrueTypeMetrics.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace win32::detail;

void readAsEveryKind(const std::uint8_t* data, std::size_t size)
{
    auto copy = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size); // exact size, so any over-read is caught
    if (size > 0)
        std::memcpy(copy.get(), data, size);

    DialogTemplate dialog;
    if (parseDialogTemplate(copy.get(), size, dialog)) {
        // The layout's own reader must find the same items, or stop early on none.
        DialogLayoutTemplate layout;
        if (!readDialogLayoutTemplate(copy.get(), size, layout) || layout.items.size() != dialog.items.size())
            std::abort();
        for (std::size_t i = 0; i < dialog.items.size(); ++i)
            if (layout.items[i].id != dialog.items[i].id || layout.items[i].x != dialog.items[i].x)
                std::abort();
    } else {
        DialogLayoutTemplate layout;
        readDialogLayoutTemplate(copy.get(), size, layout);
    }
    std::vector<afx::DialogInitMessage> messages;
    afx::parseDialogInit(copy.get(), size, messages);
    std::vector<MenuTemplateItem> items;
    parseMenuTemplate(copy.get(), size, items);
    for (const bool icon : {false, true}) {
        const DibImage image = decodeDib(copy.get(), size, icon);
        if (image.isValid() && image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
            std::abort();
    }
    TrueTypeMetrics metrics;
    readTrueTypeMetrics(copy.get(), size, metrics);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto file = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
    if (size > 0)
        std::memcpy(file.get(), data, size);
    std::vector<ResourceEntry> entries;
    if (parseResourceFile(file.get(), size, entries))
        for (const ResourceEntry& entry : entries) {
            if (entry.data < file.get() || entry.data + entry.size > file.get() + size)
                std::abort();
            readAsEveryKind(entry.data, entry.size);
        }
    readAsEveryKind(data, size);
    return 0;
}
