#include "RegistryFiles.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {
namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string homeDirectory()
{
    std::string home = environment("HOME");
    if (home.empty())
        if (const passwd* user = ::getpwuid(::getuid()))
            home = user->pw_dir ? user->pw_dir : "";
    return home;
}

bool makeDirectories(const std::string& path)
{
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

const char* hiveName(Hive hive)
{
    return hive == Hive::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string registryDirectory()
{
    const std::string configured = environment("TESSARY_REGISTRY_DIR");
    if (!configured.empty())
        return configured;
    std::string data = environment("XDG_DATA_HOME");
    if (data.empty() || data[0] != '/')
        data = homeDirectory() + "/.local/share";
    return data + "/tessary/registry";
}

std::string hivePath(Hive hive)
{
    return registryDirectory() + "/" + hiveName(hive) + ".reg";
}

HiveReading readHive(Hive hive)
{
    return HiveFile(hivePath(hive), hiveName(hive)).read();
}

LONG changeHive(Hive hive, const std::function<LONG(RegistryHive&)>& change)
{
    if (!makeDirectories(registryDirectory()))
        return errno == EACCES || errno == EPERM || errno == EROFS ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
    return HiveFile(hivePath(hive), hiveName(hive)).change(change);
}

} // namespace win32
