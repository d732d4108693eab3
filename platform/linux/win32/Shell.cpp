#include <shlobj.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

bool isAbsolute(const char* path)
{
    return path != nullptr && path[0] == '/';
}

std::string withoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string configurationFolder()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); isAbsolute(config))
        return withoutTrailingSeparators(config);
    if (const char* home = std::getenv("HOME"); isAbsolute(home)) {
        const std::string folder = withoutTrailingSeparators(home);
        return (folder == "/" ? std::string() : folder) + "/.config";
    }
    return {};
}

bool createFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

BOOL WINAPI SHGetSpecialFolderPathA(HWND, LPSTR pszPath, int csidl, BOOL fCreate)
{
    if (pszPath == nullptr)
        return FALSE;
    pszPath[0] = '\0';
    if (csidl != CSIDL_APPDATA)
        return FALSE;
    const std::string folder = configurationFolder();
    if (folder.empty() || folder.size() >= MAX_PATH)
        return FALSE;
    if (fCreate && !createFolders(folder))
        return FALSE;
    std::memcpy(pszPath, folder.c_str(), folder.size() + 1);
    return TRUE;
}
