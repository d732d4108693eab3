// The folder that holds this user's sockets and lock files (the simulated
// driver's socket, the programs' single-instance sockets) must be the user's
// own: a real folder, not a symbolic link, owned by the user and writable by
// nobody else, reached through folders nobody else can rename it out of.
// Otherwise another user could put a socket of their own in its place and
// answer the user's programs.
#pragma once

#include <string>

namespace win32 {

struct FolderCheck
{
    enum class State { Private, Missing, Unsafe };
    State state = State::Private;
    std::string reason; // why the folder may not be used; empty when Private

    bool isPrivate() const { return state == State::Private; }
};

// Checks `folder` without changing anything.
FolderCheck checkPrivateFolder(const std::string& folder);

// Creates `folder` and its missing parents (each 0700) when missing, then checks it.
FolderCheck makePrivateFolder(const std::string& folder);

// The folder a socket or file at `path` lives in (absolute: relative paths are
// taken from the working folder).
std::string parentFolder(const std::string& path);

} // namespace win32
