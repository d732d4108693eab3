#include "RegistryFiles.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
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

// Write bits are checked as well as access(): a hive made read-only refuses
// changes even to a process running as root, as it does to a user on Windows.
bool writable(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    return (info.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

LONG errorFromErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_CANTWRITE;
    }
}

class FileLock {
public:
    explicit FileLock(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        if (fd >= 0 && ::flock(fd, LOCK_EX) != 0) {
            ::close(fd);
            fd = -1;
        }
        if (fd < 0)
            error = errno;
    }
    ~FileLock()
    {
        if (fd >= 0)
            ::close(fd); // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return fd >= 0; }
    int error = 0;

private:
    int fd;
};

LONG writeAtomically(const std::string& path, const std::string& text)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return errorFromErrno(errno);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            return errorFromErrno(error);
        }
        written += static_cast<std::size_t>(n);
    }
    struct stat existing {};
    ::fchmod(fd, ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644);
    const bool synced = ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return errorFromErrno(error);
    }
    return ERROR_SUCCESS;
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
    std::ifstream in(hivePath(hive), std::ios::binary);
    if (!in)
        return {RegistryHive(hiveName(hive)), true}; // no file yet: an empty hive
    std::ostringstream text;
    text << in.rdbuf();
    auto parsed = RegistryHive::parse(hiveName(hive), text.str());
    if (!parsed)
        return {RegistryHive(hiveName(hive)), false};
    return {std::move(*parsed), true};
}

LONG changeHive(Hive hive, const std::function<LONG(RegistryHive&)>& change)
{
    const std::string directory = registryDirectory();
    const std::string path = hivePath(hive);
    if (!makeDirectories(directory))
        return errorFromErrno(errno);
    if (!writable(directory) || !writable(path))
        return ERROR_ACCESS_DENIED;

    FileLock lock(path + ".lock");
    if (!lock.held())
        return errorFromErrno(lock.error);

    HiveReading current = readHive(hive); // under the lock: includes every earlier writer's change
    if (!current.wellFormed)
        return ERROR_BADDB; // keep the file for its owner to repair
    const LONG result = change(current.hive);
    if (result != ERROR_SUCCESS)
        return result;
    return writeAtomically(path, current.hive.serialise());
}

} // namespace win32
