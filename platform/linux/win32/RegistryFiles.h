// Where the hive files live; reading and changing them goes through HiveFile.
#pragma once

#include <win32/HiveFile.h>

#include <functional>
#include <string>

namespace win32 {

enum class Hive { LocalMachine, CurrentUser };

const char* hiveName(Hive hive);
std::string registryDirectory();
std::string hivePath(Hive hive);

// A missing file reads as an empty hive.
HiveReading readHive(Hive hive);

// Creates the registry folder if needed, then HiveFile::change.
LONG changeHive(Hive hive, const std::function<LONG(RegistryHive&)>& change);

} // namespace win32
