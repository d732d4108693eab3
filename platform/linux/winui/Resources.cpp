// Resource calls over compiled resource files held in memory.
#include "Modules.h"

#include <win32/WindowSystem.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

using namespace win32::detail;

namespace {

struct Module
{
    std::vector<std::uint8_t> copy; // empty for the program's resources, which stay where they are
    std::vector<ResourceEntry> entries;
};

struct ModuleTable
{
    std::mutex mutex;
    Module program;
    std::vector<std::unique_ptr<Module>> loaded;
};

ModuleTable& modules()
{
    static ModuleTable table;
    return table;
}

// The program's module handle is the image base a Windows program has.
HMODULE programHandle()
{
    return reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x00400000));
}

Module* moduleOf(HMODULE handle)
{
    auto& table = modules();
    if (handle == nullptr || handle == programHandle())
        return &table.program;
    for (auto& module : table.loaded)
        if (reinterpret_cast<HMODULE>(module.get()) == handle)
            return module.get();
    return nullptr;
}

} // namespace

namespace win32 {

void setProgramResources(const void* data, std::size_t size)
{
    std::vector<ResourceEntry> entries;
    parseResourceFile(data, size, entries);
    std::lock_guard<std::mutex> guard(modules().mutex);
    modules().program.entries = std::move(entries);
}

HMODULE loadResourceModule(const void* data, std::size_t size)
{
    auto module = std::make_unique<Module>();
    module->copy.assign(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
    if (!parseResourceFile(module->copy.data(), module->copy.size(), module->entries))
        return nullptr;
    std::lock_guard<std::mutex> guard(modules().mutex);
    modules().loaded.push_back(std::move(module));
    return reinterpret_cast<HMODULE>(modules().loaded.back().get());
}

} // namespace win32

namespace win32::detail {

const ResourceEntry* findResourceEntry(HMODULE handle, LPCSTR name, LPCSTR type)
{
    std::lock_guard<std::mutex> guard(modules().mutex);
    Module* module = moduleOf(handle);
    if (module == nullptr)
        return nullptr;
    for (const ResourceEntry& entry : module->entries)
        if (matchesResourceName(entry.type, type) && matchesResourceName(entry.name, name))
            return &entry;
    return nullptr;
}

const ResourceEntry* entryOf(HRSRC resource)
{
    std::lock_guard<std::mutex> guard(modules().mutex);
    auto& table = modules();
    auto owns = [resource](const Module& module) {
        return std::any_of(module.entries.begin(), module.entries.end(), [resource](const ResourceEntry& entry) {
            return &entry == reinterpret_cast<const ResourceEntry*>(resource);
        });
    };
    if (owns(table.program))
        return reinterpret_cast<const ResourceEntry*>(resource);
    for (auto& module : table.loaded)
        if (owns(*module))
            return reinterpret_cast<const ResourceEntry*>(resource);
    return nullptr;
}

} // namespace win32::detail

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    if (lpModuleName != nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return programHandle();
}

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType)
{
    const ResourceEntry* entry = findResourceEntry(hModule, lpName, lpType);
    if (entry == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(entry));
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC hResInfo)
{
    const ResourceEntry* entry = entryOf(hResInfo);
    if (entry == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    // As on Windows, the loaded resource is its data in the module's image.
    return const_cast<std::uint8_t*>(entry->data);
}

LPVOID WINAPI LockResource(HGLOBAL hResData)
{
    return hResData;
}

DWORD WINAPI SizeofResource(HMODULE, HRSRC hResInfo)
{
    const ResourceEntry* entry = entryOf(hResInfo);
    return entry == nullptr ? 0 : static_cast<DWORD>(entry->size);
}

BOOL WINAPI FreeResource(HGLOBAL)
{
    return FALSE; // nothing to free: resources stay mapped with their module
}

int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax)
{
    if (lpBuffer == nullptr || cchBufferMax <= 0)
        return 0;
    lpBuffer[0] = '\0';
    // Strings are kept in blocks of 16; block n + 1 holds the strings 16 n to 16 n + 15.
    const ResourceEntry* block = findResourceEntry(hInstance, MAKEINTRESOURCEA((uID >> 4) + 1), RT_STRING);
    if (block == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    ByteReader reader(block->data, block->size);
    for (UINT index = 0; index < (uID & 15); ++index)
        reader.skip(std::size_t{reader.u16()} * 2);
    const std::size_t length = reader.u16();
    std::u16string text;
    for (std::size_t i = 0; i < length && reader.ok(); ++i)
        text += static_cast<char16_t>(reader.u16());
    if (!reader.ok() || text.empty())
        return 0;
    const std::string ansi = toAnsi(text);
    const std::size_t copied = std::min(ansi.size(), static_cast<std::size_t>(cchBufferMax - 1));
    std::memcpy(lpBuffer, ansi.data(), copied);
    lpBuffer[copied] = '\0';
    return static_cast<int>(copied);
}
