#include <win32/HiveFile.h>

#include "FileStamp.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {
namespace {

// Temporary files are named <hive file>.writing.XXXXXX; only a writer holding
// the hive's lock has one, so any found by the lock's holder is left over.
const char* const kTemporaryInfix = ".writing.";
constexpr std::size_t kTemporarySuffixLength = 6;
constexpr std::size_t kMaxReadings = 16;

std::atomic<std::uint64_t> parses{0};

struct CachedReading
{
    FileStamp stamp;
    bool settled = false;
    HiveReading reading;
    std::string problem; // reported on stderr for this stamp
};

std::mutex cacheLock;
std::map<std::string, CachedReading> cache; // by the path the hive was read through

std::optional<HiveReading> cachedReading(const std::string& path, const FileStamp& stamp)
{
    std::lock_guard<std::mutex> guard(cacheLock);
    const auto it = cache.find(path);
    if (it == cache.end() || !it->second.settled || !(it->second.stamp == stamp))
        return std::nullopt;
    return it->second.reading;
}

void forget(const std::string& path)
{
    std::lock_guard<std::mutex> guard(cacheLock);
    cache.erase(path);
}

// Keeps the reading and reports its problem, unless this very file was already
// reported with it.
HiveReading remember(const std::string& path, const FileStamp& stamp, bool settled, HiveReading reading,
                     const std::string& problem)
{
    std::lock_guard<std::mutex> guard(cacheLock);
    const auto it = cache.find(path);
    const bool reported = it != cache.end() && it->second.stamp == stamp && it->second.problem == problem;
    if (!problem.empty() && !reported)
        std::fprintf(stderr, "registry: %s %s\n", path.c_str(), problem.c_str());
    if (it == cache.end() && cache.size() >= kMaxReadings)
        cache.clear();
    cache[path] = CachedReading{stamp, settled, reading, problem};
    return reading;
}

HiveReading emptyReading(const std::string& rootName, LONG status = ERROR_SUCCESS)
{
    return HiveReading{status, false, std::make_shared<const RegistryHive>(rootName)};
}

LONG readError(int error)
{
    return error == EACCES || error == EPERM ? ERROR_ACCESS_DENIED : ERROR_CANTREAD;
}

LONG writeError(int error)
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

std::string sizeLimitText()
{
    return std::to_string(HiveFile::kMaxSize / (1024 * 1024)) + " MiB";
}

// Why a file of this kind and size cannot be read as a hive; empty when it can.
std::pair<LONG, std::string> unreadable(const struct stat& info)
{
    if (!S_ISREG(info.st_mode))
        return {ERROR_CANTREAD, "is not a regular file; the hive cannot be read"};
    if (static_cast<std::uint64_t>(info.st_size) > HiveFile::kMaxSize)
        return {ERROR_FILE_TOO_LARGE, "is larger than " + sizeLimitText() + "; the hive cannot be read"};
    return {ERROR_SUCCESS, {}};
}

// Reads at most `limit` + 1 bytes, so a file that grows meanwhile cannot take more.
bool readAll(int fd, std::size_t expected, std::size_t limit, std::string& text, int& error)
{
    text.resize(std::min(expected, limit) + 1);
    std::size_t used = 0;
    while (true) {
        if (used == text.size()) {
            if (text.size() > limit)
                break;
            text.resize(std::min(text.size() * 2, limit + 1));
        }
        const ssize_t n = ::read(fd, text.data() + used, text.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    text.resize(used);
    return true;
}

bool writable(const std::string& path)
{
    // Write bits are checked as well as access(): a hive made read-only refuses
    // changes even to a process running as root, as it does to a user on Windows.
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    return (info.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

std::string directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links to the file they finally name, which need not exist yet.
std::optional<std::string> finalTarget(std::string path, int& error)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info = {};
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno == ENOENT)
                return path;
            error = errno;
            return std::nullopt;
        }
        if (!S_ISLNK(info.st_mode))
            return path;
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
            error = length < 0 ? errno : ENAMETOOLONG;
            return std::nullopt;
        }
        target.resize(static_cast<std::size_t>(length));
        path = target[0] == '/' ? target : directoryOf(path) + "/" + target;
    }
    error = ELOOP;
    return std::nullopt;
}

class FileLock
{
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

// Only for the holder of the hive's lock: every writer removes its temporary
// file before it lets go of the lock, so one still there lost its writer.
void removeLeftoverTemporaries(const std::string& target)
{
    const std::string directory = directoryOf(target);
    const auto slash = target.rfind('/');
    const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + kTemporaryInfix;
    DIR* folder = ::opendir(directory.c_str());
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + kTemporarySuffixLength || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string leftover = directory + "/" + name;
        struct stat info = {};
        if (::lstat(leftover.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(leftover.c_str());
    }
    ::closedir(folder);
}

LONG writeAtomically(const std::string& target, const std::string& text)
{
    std::string temporary = target + kTemporaryInfix + "XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return writeError(errno);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            return writeError(error);
        }
        written += static_cast<std::size_t>(n);
    }
    struct stat existing = {};
    if (::stat(target.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
        // Run as root on a user's hive, the new file must stay the user's.
        if (::geteuid() == 0 && ::fchown(fd, existing.st_uid, existing.st_gid) != 0)
            ::fchmod(fd, existing.st_mode & 0777);
    } else {
        ::fchmod(fd, 0644);
    }
    const bool synced = ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return writeError(error);
    }
    return ERROR_SUCCESS;
}

// What one reading of a hive file found.
struct Contents
{
    bool missing = false;
    FileStamp stamp;
    LONG status = ERROR_SUCCESS;
    std::string problem; // with a status: why the file cannot be read
    std::string text;
    bool unchanged = false; // the file did not change while it was read
};

Contents readContents(const std::string& path)
{
    Contents contents;
    // Opened without waiting, should the file have been swapped for a FIFO since it was looked at.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat info = {};
    int error = fd < 0 || ::fstat(fd, &info) != 0 ? errno : 0;
    if (fd < 0 && error == ENOENT) {
        contents.missing = true;
        return contents;
    }
    contents.stamp = stampOf(info);
    if (error == 0)
        std::tie(contents.status, contents.problem) = unreadable(info);
    if (error == 0 && contents.status == ERROR_SUCCESS &&
        readAll(fd, static_cast<std::size_t>(info.st_size), HiveFile::kMaxSize, contents.text, error)) {
        struct stat after = {};
        contents.unchanged = ::fstat(fd, &after) == 0 && stampOf(after) == contents.stamp;
        if (contents.text.size() > HiveFile::kMaxSize) {
            contents.status = ERROR_FILE_TOO_LARGE;
            contents.problem = "is larger than " + sizeLimitText() + "; the hive cannot be read";
        }
    }
    if (fd >= 0)
        ::close(fd);
    if (error != 0) {
        contents.status = readError(error);
        contents.problem = std::string("cannot be read: ") + std::strerror(error);
    }
    return contents;
}

} // namespace

HiveFile::HiveFile(std::string path_, std::string rootName_) : path(std::move(path_)), rootName(std::move(rootName_)) {}

std::uint64_t HiveFile::parseCount()
{
    return parses.load();
}

HiveReading HiveFile::read() const
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            forget(path);
            return emptyReading(rootName);
        }
        const int error = errno;
        return remember(path, FileStamp{}, false, emptyReading(rootName, readError(error)),
                        std::string("cannot be read: ") + std::strerror(error));
    }
    if (auto cached = cachedReading(path, stampOf(info)))
        return *cached;
    if (const auto [status, problem] = unreadable(info); status != ERROR_SUCCESS)
        return remember(path, stampOf(info), false, emptyReading(rootName, status), problem);

    const std::int64_t started = FileStamp::now();
    const Contents contents = readContents(path);
    if (contents.missing)
        return emptyReading(rootName);
    if (contents.status != ERROR_SUCCESS)
        return remember(path, contents.stamp, false, emptyReading(rootName, contents.status), contents.problem);

    ++parses;
    std::string damage;
    auto hive = RegistryHive::parse(rootName, contents.text, &damage);
    const bool settled = contents.unchanged && contents.stamp.settledBefore(started);
    if (!hive) {
        HiveReading reading = emptyReading(rootName);
        reading.damaged = true;
        return remember(path, contents.stamp, settled, reading,
                        "is damaged (" + damage + "); its keys read as missing and it is kept as it is");
    }
    return remember(path, contents.stamp, settled,
                    HiveReading{ERROR_SUCCESS, false, std::make_shared<const RegistryHive>(std::move(*hive))}, {});
}

LONG HiveFile::change(const std::function<LONG(RegistryHive&)>& change) const
{
    int error = 0;
    const auto target = finalTarget(path, error);
    if (!target)
        return writeError(error);
    const HiveFile file(*target, rootName);
    struct stat info = {};
    if (::stat(target->c_str(), &info) == 0 && unreadable(info).first != ERROR_SUCCESS)
        return file.read().status; // never write to or beside a device, FIFO or oversized file
    if (!writable(directoryOf(*target)) || !writable(*target))
        return ERROR_ACCESS_DENIED;

    FileLock lock(*target + ".lock");
    if (!lock.held())
        return writeError(lock.error);
    removeLeftoverTemporaries(*target);
    const HiveReading current = read(); // under the lock: includes every earlier writer's change
    if (current.status != ERROR_SUCCESS)
        return current.status;
    if (current.damaged)
        return ERROR_BADDB; // keep the file for its owner to repair
    RegistryHive hive(*current.hive);
    const LONG result = change(hive);
    if (result != ERROR_SUCCESS)
        return result;
    const std::string text = hive.serialise();
    if (text.size() > kMaxSize) {
        std::fprintf(stderr, "registry: %s not changed: the hive would grow beyond %s\n", target->c_str(),
                     sizeLimitText().c_str());
        return ERROR_FILE_TOO_LARGE;
    }
    return writeAtomically(*target, text);
}

} // namespace win32
