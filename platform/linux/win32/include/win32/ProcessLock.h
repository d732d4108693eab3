// A lock between the processes of one user that only a live process can hold:
// a lock file in the user's private folder under an open-file-description
// lock, which the kernel drops when the holder dies. A crashed holder
// therefore never keeps anybody waiting. While it holds the lock, the holder's
// process id stands in the file; a later holder that finds one there knows the
// previous holder died holding it (Windows calls such a mutex abandoned).
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace win32 {

// The folder of this user's named objects and sockets: $XDG_RUNTIME_DIR/tessary;
// else /tmp/tessary-<uid> (made 0700 when missing) when it is the user's own;
// else, as another user made that first, tessary/objects in the user's cache
// folder ($XDG_CACHE_HOME, else ~/.cache). It is checked (and made) with
// makePrivateFolder where it is used.
std::string userObjectFolder();
// The same with `temporaryFolder` in place of /tmp.
std::string userObjectFolder(const std::string& temporaryFolder);
// Where the simulated driver's daemon listens: $TESSARY_DRIVER_SOCKET, else
// driver.sock in the user's object folder.
std::string driverSocketPath();

// `name` as a file name: letters, digits, '.', '-' and '_' as they are, every
// other byte as %XX, so no name can reach outside its folder.
std::string fileNameFor(const std::string& name);

class ProcessLock
{
public:
    enum class Outcome {
        Acquired,  // held now
        Abandoned, // held now; the previous holder died holding it
        Busy,      // another process holds it (still, when the wait ended)
        Failed     // the lock file cannot be used; see failure()
    };

    // The lock file at `path`; nothing is opened until the first acquire.
    explicit ProcessLock(std::string path);
    ~ProcessLock();

    // Takes the lock, waiting up to `timeout` for another holder to let go
    // (nullopt: as long as it takes). The file's folder must be the user's own.
    Outcome acquire(std::optional<std::chrono::milliseconds> timeout = std::chrono::milliseconds(0));
    void release();

    bool isHeld() const { return held; }
    const std::string& path() const { return filePath; }
    const std::string& failure() const { return failureText; }

    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

private:
    bool openFile();
    Outcome takeOnce();
    Outcome taken();

    std::string filePath;
    std::string failureText;
    int fd = -1;
    bool held = false;
};

// Sets an open-file-description lock of `type` (F_RDLCK, F_WRLCK, F_UNLCK) on
// the whole of `fd`, waiting for it when `wait`; true once it is set.
bool setFileLock(int fd, short type, bool wait);

// Whether a process holds an open-file-description lock on `fd` that would
// keep a write lock out; used to tell a live shared object from a left-over file.
bool isLockedByOthers(int fd);

} // namespace win32
