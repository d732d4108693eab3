// The file that holds one registry hive, and the only way the hive is read and
// changed on disk.
//
// Reading takes regular files only (through symbolic links), up to kMaxSize
// bytes, and parses a file again only when it changed: its device, inode, size
// and modification and change times (with nanoseconds) all match the last
// reading, and that reading was taken long enough after the file's last change
// that no later change can carry the same times. A file that cannot be read or
// parsed is reported once on stderr, with its path and the reason, each time it
// becomes a different file.
//
// Changes are made under a cross-process lock on the freshly read hive and land
// by an atomic rename that keeps the file's permissions. A symbolic link is
// written through: its final target is replaced and the link stays. Temporary
// files left behind by a writer that was killed are removed by the next writer.
#pragma once

#include <win32/RegistryHive.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace win32 {

struct HiveReading
{
    // ERROR_SUCCESS, or why the file could not be read (ERROR_CANTREAD for a file
    // that is not a regular file, ERROR_FILE_TOO_LARGE, ERROR_ACCESS_DENIED).
    LONG status = ERROR_SUCCESS;
    // The file is there but holds no well-formed hive (status is ERROR_SUCCESS).
    bool damaged = false;
    // Never null: empty when the file is missing, unreadable or damaged.
    std::shared_ptr<const RegistryHive> hive;
};

class HiveFile
{
public:
    static constexpr std::uint64_t kMaxSize = 16 * 1024 * 1024;

    HiveFile(std::string path, std::string rootName);

    // The hive as the file holds it now; a missing file is an empty hive.
    HiveReading read() const;

    // Applies `change` to the hive as it is on disk, under the hive's lock, and
    // writes the result when `change` returns ERROR_SUCCESS. A file that cannot
    // be read keeps its status; a damaged one is kept for its owner to repair
    // (ERROR_BADDB); a result larger than kMaxSize is not written
    // (ERROR_FILE_TOO_LARGE); an unwritable file or folder gives ERROR_ACCESS_DENIED.
    LONG change(const std::function<LONG(RegistryHive&)>& change) const;

    // How many times this process has parsed a hive file.
    static std::uint64_t parseCount();

private:
    std::string path;
    std::string rootName;
};

} // namespace win32
