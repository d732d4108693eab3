#include "DiskFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace diskfile {

namespace {

// A file descriptor closed when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int descriptor = -1) : fd(descriptor) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    void reset(int descriptor = -1)
    {
        if (fd >= 0)
            ::close(fd);
        fd = descriptor;
    }
    // Closes now and tells whether the close reported an error.
    bool close()
    {
        const int closing = fd;
        fd = -1;
        return closing < 0 || ::close(closing) == 0;
    }

private:
    int fd;
};

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// The path a write goes to: the file a symbolic link leads to, when it does.
std::string resolvedTarget(const std::string& path)
{
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return path; // a link to nowhere is replaced itself
    return resolved;
}

// Temporary names are ".<name>.new-<pid>-<n>"; a program killed between
// naming its finished file and the rename leaves one behind.
std::string temporaryPrefix(const std::string& target)
{
    return "." + nameOf(target) + ".new-";
}

void removeLeftoversOfEndedPrograms(const std::string& folder, const std::string& prefix)
{
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr)
        return;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        // This program's own are leftovers too (of an earlier program with the same
        // process id): it replaces one file at a time.
        if (pid > 0 && (pid == ::getpid() || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)))
            ::unlink((folder + "/" + name).c_str());
    }
    ::closedir(directory);
}

// Opens a new, still nameless file in `folder`; -1 where the file system has none.
int openUnnamed(const std::string& folder)
{
#ifdef O_TMPFILE
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    (void)folder;
    return -1;
#endif
}

// Gives the finished unnamed file `fd` the name `path`.
bool nameUnnamed(int fd, const std::string& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

void removeKeepingErrno(const std::string& path)
{
    const int error = errno;
    ::unlink(path.c_str());
    errno = error;
}

// Writes `bytes` into `fd` with the permissions `mode` (when given) and flushes them to the disk.
bool fill(int fd, const std::string& bytes, const mode_t* mode)
{
    return writeAll(fd, bytes) && (mode == nullptr || ::fchmod(fd, *mode & 07777) == 0) && ::fsync(fd) == 0;
}

// Leaves a complete, flushed file named `temporary`, or nothing. Where the file
// system allows, the file has no name until it is complete.
bool writeTemporary(const std::string& folder, const std::string& temporary, const std::string& bytes,
                    const mode_t* mode)
{
    Descriptor unnamed(openUnnamed(folder));
    if (unnamed.valid() && fill(unnamed.get(), bytes, mode) && nameUnnamed(unnamed.get(), temporary)) {
        if (unnamed.close())
            return true;
        removeKeepingErrno(temporary);
        return false;
    }
    unnamed.reset();

    Descriptor named(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!named.valid())
        return false;
    if (fill(named.get(), bytes, mode) && named.close())
        return true;
    removeKeepingErrno(temporary);
    return false;
}

// Errors by which a system says it cannot rename without replacing, rather
// than that this rename failed: no such call (ENOSYS, older kernels), a call a
// sandbox refuses (EPERM from a seccomp filter), a flag the file system does
// not know (EINVAL, EOPNOTSUPP).
bool meansNoReplaceUnsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EPERM || error == EOPNOTSUPP;
}

} // namespace

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

Contents read(const std::string& path, std::size_t limit)
{
    Contents contents;
    // Non-blocking, so that a FIFO put in the file's place cannot hang the open.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT)
            return contents;
        contents.state = Contents::State::Unreadable;
        contents.problem = std::strerror(errno);
        return contents;
    }
    contents.state = Contents::State::Unreadable;
    struct stat info
    {
    };
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        contents.problem = "not a regular file";
        return contents;
    }
    // Sized from the file, which may still grow while it is read; never past the limit.
    const std::size_t most = limit + 1;
    const auto expected = static_cast<std::size_t>(info.st_size);
    contents.bytes.resize(expected < most ? expected + 1 : most);
    std::size_t got = 0;
    for (;;) {
        if (got == contents.bytes.size()) {
            if (got == most)
                break;
            contents.bytes.resize(std::min(most, got * 2));
        }
        const ssize_t n = ::read(fd.get(), &contents.bytes[got], contents.bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            contents.problem = std::strerror(errno);
            contents.bytes.clear();
            return contents;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    contents.bytes.resize(got);
    contents.state = Contents::State::Read;
    return contents;
}

bool replace(const std::string& path, const std::string& bytes, std::string* problem)
{
    const auto fail = [problem] {
        if (problem != nullptr)
            *problem = std::strerror(errno);
        return false;
    };
    const std::string target = resolvedTarget(path);
    const std::string folder = folderOf(target);
    const std::string prefix = temporaryPrefix(target);
    removeLeftoversOfEndedPrograms(folder, prefix);

    struct stat old
    {
    };
    const bool hadTarget = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    const mode_t* keptMode = hadTarget ? &old.st_mode : nullptr;

    static unsigned counter = 0;
    const std::string temporary = folder + "/" + prefix + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    if (!writeTemporary(folder, temporary, bytes, keptMode))
        return fail();
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        removeKeepingErrno(temporary);
        return fail();
    }
    // The folder is not flushed: until the rename reaches the disk a power cut
    // leaves the old file, which is whole, and the flush would double the cost.
    return true;
}

std::string keepAside(const std::string& path, const std::string& tag)
{
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string aside = path + "." + tag + (attempt == 1 ? "" : "-" + std::to_string(attempt));
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
            return aside;
        if (meansNoReplaceUnsupported(errno)) {
            // No no-replace rename here: a second name, then the first one goes.
            if (::link(path.c_str(), aside.c_str()) == 0)
                return ::unlink(path.c_str()) == 0 ? aside : std::string();
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

std::string nameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string join(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool exists(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0;
}

bool isWritableFolder(const std::string& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace diskfile
