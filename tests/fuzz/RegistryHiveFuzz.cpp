// Hive files are edited by hand and by other programs: the parser must reject
// or accept anything without reading out of bounds, say why it rejects, and
// whatever it accepts must write back into text that reads the same, from the
// hive and from a copy of it. Deep and wide shapes need inputs of tens of
// kilobytes (see registry_hive_fuzz.options); parsing stays linear, so they
// stay fast.
#include <win32/RegistryHive.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto copy = std::make_unique<char[]>(size); // exact size, so any over-read is caught
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    const std::string_view text(copy.get(), size);

    for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}) {
        std::string problem;
        const auto hive = win32::RegistryHive::parse(root, text, &problem);
        if (!hive) {
            if (problem.empty())
                std::abort();
            continue;
        }
        const std::string written = hive->serialise();
        const auto reread = win32::RegistryHive::parse(root, written);
        if (!reread || reread->serialise() != written)
            std::abort();
        const win32::RegistryHive duplicate = *hive;
        if (duplicate.serialise() != written)
            std::abort();
    }
    return 0;
}
