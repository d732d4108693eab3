#include <win32/PrivateFolder.h>

#include <cerrno>
#include <cstring>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {

namespace {

constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

FolderCheck unsafe(const std::string& folder, const std::string& why)
{
    return FolderCheck{FolderCheck::State::Unsafe, folder + " " + why};
}

std::string ownerText(uid_t uid)
{
    return "user " + std::to_string(uid);
}

// A folder above ours may belong to the system (root) or to us; if others can
// write it, it must be sticky so that they cannot rename what we put there.
FolderCheck checkAncestor(const std::string& folder)
{
    struct stat info
    {
    };
    if (::lstat(folder.c_str(), &info) != 0)
        return unsafe(folder, std::string("cannot be examined: ") + std::strerror(errno));
    if (S_ISLNK(info.st_mode)) {
        if (info.st_uid != 0 && info.st_uid != ::geteuid())
            return unsafe(folder, "is a symbolic link of " + ownerText(info.st_uid));
        if (::stat(folder.c_str(), &info) != 0)
            return unsafe(folder, std::string("leads nowhere: ") + std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode))
        return unsafe(folder, "is not a folder");
    if (info.st_uid != 0 && info.st_uid != ::geteuid())
        return unsafe(folder, "belongs to " + ownerText(info.st_uid));
    if ((info.st_mode & kWritableByOthers) != 0 && (info.st_mode & S_ISVTX) == 0)
        return unsafe(folder, "can be written by other users");
    return {};
}

std::string absolute(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr)
        return path;
    return std::string(cwd) + "/" + path;
}

} // namespace

std::string parentFolder(const std::string& path)
{
    std::string full = absolute(path);
    while (full.size() > 1 && full.back() == '/')
        full.pop_back();
    const auto slash = full.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return full.substr(0, slash);
}

FolderCheck checkPrivateFolder(const std::string& folder)
{
    const std::string path = absolute(folder);
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return FolderCheck{FolderCheck::State::Missing, path + " does not exist"};
        return unsafe(path, std::string("cannot be examined: ") + std::strerror(errno));
    }
    if (S_ISLNK(info.st_mode))
        return unsafe(path, "is a symbolic link");
    if (!S_ISDIR(info.st_mode))
        return unsafe(path, "is not a folder");
    if (info.st_uid != ::geteuid())
        return unsafe(path, "belongs to " + ownerText(info.st_uid) + ", not to " + ownerText(::geteuid()));
    if ((info.st_mode & kWritableByOthers) != 0)
        return unsafe(path, "can be written by other users");
    for (std::string above = parentFolder(path);; above = parentFolder(above)) {
        const FolderCheck check = checkAncestor(above);
        if (!check.isPrivate())
            return check;
        if (above == "/")
            return {};
    }
}

FolderCheck makePrivateFolder(const std::string& folder)
{
    const std::string path = absolute(folder);
    FolderCheck check = checkPrivateFolder(path);
    if (check.state != FolderCheck::State::Missing)
        return check;
    const std::string above = parentFolder(path);
    if (above != path && checkPrivateFolder(above).state == FolderCheck::State::Missing) {
        // Parents are made the same way; whether they may hold ours is checked below.
        const FolderCheck made = makePrivateFolder(above);
        if (made.state == FolderCheck::State::Missing)
            return made;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return unsafe(path, std::string("cannot be created: ") + std::strerror(errno));
    return checkPrivateFolder(path);
}

} // namespace win32
