// Mix and state files come from anywhere a user can put a file: the reader
// must take any bytes without reading out of bounds, without unbounded memory
// (the count and the inflated size are the file's word) and without hanging.
// What it reads whole must come out of the writer as the same pairs.
#include <MixFileFormat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

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
    return 0;
}
