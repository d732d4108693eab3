#include <win32/PrivateFolder.h>
#include <win32/ProcessLock.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRetryPause{10};

} // namespace

bool setFileLock(int fd, short type, bool wait)
{
    struct flock request
    {
    };
    request.l_type = type;
    request.l_whence = SEEK_SET;
    int result;
    do {
        result = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &request);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

std::string userObjectFolder()
{
    return userObjectFolder("/tmp");
}

std::string driverSocketPath()
{
    if (const char* explicitPath = std::getenv("TESSARY_DRIVER_SOCKET"); explicitPath && *explicitPath)
        return explicitPath;
    return userObjectFolder() + "/driver.sock";
}

// Without a runtime folder the name in the shared temporary folder is the
// first choice, made now when missing, so that every process of the user
// finds the same one. Another user can make that name first, though: then the
// user's own cache folder, which nobody else can make, takes its place.
std::string userObjectFolder(const std::string& temporaryFolder)
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/')
        return std::string(runtime) + "/tessary";
    const std::string shared = temporaryFolder + "/tessary-" + std::to_string(::getuid());
    if (::mkdir(shared.c_str(), 0700) == 0 || checkPrivateFolder(shared).isPrivate())
        return shared;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/')
        return std::string(cache) + "/tessary/objects";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        return std::string(home) + "/.cache/tessary/objects";
    return shared; // nowhere of the user's own: the folder is refused where it is used
}

std::string fileNameFor(const std::string& name)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string file;
    for (const unsigned char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || (c == '.' && !file.empty());
        if (plain) {
            file += static_cast<char>(c);
        } else {
            file += '%';
            file += digits[c >> 4];
            file += digits[c & 0x0F];
        }
    }
    return file;
}

bool isLockedByOthers(int fd)
{
    struct flock probe
    {
    };
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

ProcessLock::ProcessLock(std::string path) : filePath(std::move(path)) {}

ProcessLock::~ProcessLock()
{
    release();
    if (fd >= 0)
        ::close(fd);
}

bool ProcessLock::openFile()
{
    if (fd >= 0)
        return true;
    const FolderCheck folder = makePrivateFolder(parentFolder(filePath));
    if (!folder.isPrivate()) {
        failureText = folder.reason;
        return false;
    }
    fd = ::open(filePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        failureText = filePath + " cannot be opened: " + std::strerror(errno);
        return false;
    }
    return true;
}

ProcessLock::Outcome ProcessLock::acquire(std::optional<std::chrono::milliseconds> timeout)
{
    if (held)
        return Outcome::Acquired;
    if (!openFile())
        return Outcome::Failed;
    if (!timeout) {
        if (!setFileLock(fd, F_WRLCK, true)) {
            failureText = filePath + " cannot be locked: " + std::strerror(errno);
            return Outcome::Failed;
        }
        return taken();
    }
    const auto giveUpAt = Clock::now() + *timeout;
    for (;;) {
        const Outcome outcome = takeOnce();
        if (outcome != Outcome::Busy || Clock::now() >= giveUpAt)
            return outcome;
        std::this_thread::sleep_for(std::min<Clock::duration>(kRetryPause, giveUpAt - Clock::now()));
    }
}

ProcessLock::Outcome ProcessLock::takeOnce()
{
    if (setFileLock(fd, F_WRLCK, false))
        return taken();
    if (errno == EAGAIN || errno == EACCES)
        return Outcome::Busy;
    failureText = filePath + " cannot be locked: " + std::strerror(errno);
    return Outcome::Failed;
}

// The lock is ours: a process id left in the file is the mark of a holder that died.
ProcessLock::Outcome ProcessLock::taken()
{
    held = true;
    char previous[32] = {};
    const ssize_t n = ::pread(fd, previous, sizeof previous - 1, 0);
    const bool abandoned = n > 0;
    const std::string mark = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, mark.data(), mark.size(), 0) != static_cast<ssize_t>(mark.size()))
        return Outcome::Acquired; // the lock holds all the same; only the mark is missing
    return abandoned ? Outcome::Abandoned : Outcome::Acquired;
}

void ProcessLock::release()
{
    if (!held)
        return;
    [[maybe_unused]] const int cleared = ::ftruncate(fd, 0);
    setFileLock(fd, F_UNLCK, false);
    held = false;
}

} // namespace win32
