// What tells one version of a file from another without reading it: device,
// inode, size, and modification and change times to the nanosecond.
#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace win32 {

struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch
    std::int64_t changed = 0;

    bool operator==(const FileStamp& other) const;

    // True when a reading of the file that began at `readingStarted` (from now())
    // stands for this version: any later change of the file gets a later stamp.
    // File times come from a clock that ticks in steps of a few milliseconds
    // (whole seconds on some file systems), so a change made in the same step as
    // the reading could otherwise carry the same stamp with other contents.
    bool settledBefore(std::int64_t readingStarted) const;

    // The wall clock that file times are taken from, in nanoseconds.
    static std::int64_t now();
};

FileStamp stampOf(const struct stat& info);

} // namespace win32
