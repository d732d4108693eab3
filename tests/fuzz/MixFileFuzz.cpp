// Mix and state files come from anywhere a user can put a file: the reader
// must take any bytes without reading out of bounds, without unbounded memory
// (the count and the inflated size are the file's word) and without hanging.
// What it reads whole must come out of the writer as the same pairs, and what
// the writer is given after a read (the mixer adds its own keys) it must fit to
// what the reader takes whole.
#include <MixFileFormat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto copy = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size); // exact size, so any over-read is caught
    if (size > 0)
        std::memcpy(copy.get(), data, size);

    const auto read = mixfile::parse(copy.get(), size);
    if (read.outcome == mixfile::Outcome::NotRecognised && !read.properties.empty())
        std::abort();

    const std::string written = mixfile::serialise(read.properties);
    const auto again = mixfile::parse(reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
    if (again.outcome != mixfile::Outcome::Complete || !(again.properties == read.properties))
        std::abort();

    auto grown = read.properties;
    for (int i = 0; i < 43; ++i)
        grown.set("own" + std::to_string(i), std::string(64, 'v'));
    const auto own = [](const std::string& key) { return key.rfind("own", 0) == 0; };
    if (!mixfile::fitForReading(grown, own))
        std::abort();
    const std::string fitted = mixfile::serialise(grown);
    if (mixfile::parse(reinterpret_cast<const std::uint8_t*>(fitted.data()), fitted.size()).outcome !=
        mixfile::Outcome::Complete)
        std::abort();
    return 0;
}
