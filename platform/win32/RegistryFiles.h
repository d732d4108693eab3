// Where the hive files live and how they are read and changed.
#pragma once

#include <win32/RegistryHive.h>

#include <functional>
#include <string>

namespace win32 {

enum class Hive { LocalMachine, CurrentUser };

const char* hiveName(Hive hive);
std::string registryDirectory();
std::string hivePath(Hive hive);

struct HiveReading {
    RegistryHive hive;
    bool wellFormed = true; // false: the file exists but cannot be parsed; `hive` is empty
};

// A missing file reads as an empty, well-formed hive.
HiveReading readHive(Hive hive);

// Applies `change` to the hive as it is on disk under the hive's lock and writes
// the result atomically when `change` returns ERROR_SUCCESS.
LONG changeHive(Hive hive, const std::function<LONG(RegistryHive&)>& change);

} // namespace win32
