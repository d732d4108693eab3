#include "StateFile.h"

#include "DiskFile.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace {

using diskfile::nameOf;

#ifdef _WIN32
constexpr const char* kSeparators = "\\/";
#else
constexpr const char* kSeparators = "/";
#endif

// The user's application-data folder; empty when unknown or, with `create`,
// missing and impossible to create.
std::string applicationDataFolder(bool create)
{
    char folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, create ? TRUE : FALSE))
        return {};
    return folder;
}

#ifdef _WIN32
bool isWithin(const std::string& folder, const char* parent)
{
    const std::size_t length = std::strlen(parent);
    return length > 0 && folder.size() >= length && _strnicmp(folder.c_str(), parent, length) == 0 &&
           (folder.size() == length || folder[length] == '\\' || folder[length] == '/');
}

// A program under Program Files was installed: its state goes to the user's
// folder, as an installed Windows program's does (and must, for a user who
// may not write there).
bool isInstalledProgramFolder(const std::string& folder)
{
    for (const int programFiles : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        char path[MAX_PATH] = {};
        if (SHGetSpecialFolderPathA(nullptr, path, programFiles, FALSE) && isWithin(folder, path))
            return true;
    }
    return false;
}
#else
// A program in a bin folder was installed (under /usr, /usr/local, /opt/...,
// ~/.local): it never keeps its state beside itself, even run by root, who
// could write there; the prefix holds what the package put there and no more.
bool isInstalledProgramFolder(const std::string& folder)
{
    const std::string name = nameOf(folder);
    return name == "bin" || name == "sbin";
}
#endif

} // namespace

std::string StateFile::besideProgram(const std::string& programPath)
{
    const auto slash = programPath.find_last_of(kSeparators);
    const auto dot = programPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? programPath.substr(0, dot) : programPath) + ".poo";
}

StateFile::Location StateFile::locate(const std::string& programPath)
{
    const std::string beside = besideProgram(programPath);
    const std::string programFolder = diskfile::folderOf(beside);
    if (!isInstalledProgramFolder(programFolder) && diskfile::isWritableFolder(programFolder))
        return {beside, beside};

    const std::string folder = applicationDataFolder(false);
    if (folder.empty())
        return {beside, {}};
    const std::string own = diskfile::join(folder, nameOf(beside));
    return {diskfile::exists(own) ? own : beside, own};
}

StateFile::StateFile(const std::string& programPath)
    : location(locate(programPath)), file(MixFile::open(location.readFrom))
{
}

bool StateFile::fail(std::string why)
{
    saveProblem = std::move(why);
    return false;
}

bool StateFile::save()
{
    saveProblem.clear();
    if (location.writeTo.empty())
        return fail("the program's folder cannot be written and there is no application-data folder");
    if (location.readFrom == location.writeTo && file.holdsUnreadData() && !keepUnreadFileAside())
        return fail("the file there could not be read (" + file.getProblem() + ") nor moved aside");
    if (!diskfile::exists(diskfile::folderOf(location.writeTo)) && applicationDataFolder(true).empty())
        return fail("its folder could not be created");
    MixFile target(location.writeTo);
    target.properties = file.properties;
    if (!target.save())
        return fail(target.getSaveProblem());
    file = std::move(target);
    location.readFrom = location.writeTo;
    return true;
}

bool StateFile::keepUnreadFileAside()
{
    const std::string aside = diskfile::keepAside(location.writeTo, "unreadable");
    if (aside.empty())
        return false;
    std::fprintf(stderr, "TessaryMixer: the state file %s could not be read (%s); kept as %s\n",
                 location.writeTo.c_str(), file.getProblem().c_str(), aside.c_str());
    return true;
}
