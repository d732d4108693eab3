// Whole-file reads and writes for the mixer's own small files, made safe
// against what can happen to a file on disk: reads take regular files only and
// stop at a size limit; a write replaces the target in one step, so a failed
// write, a full disk or a kill part-way leaves the old file whole, never a
// mixture, and never a half-written file under any name.
#pragma once

#include <cstddef>
#include <string>

namespace diskfile {

struct Contents
{
    enum class State {
        Missing,    // nothing at the path
        Read,       // the file's bytes, up to the limit
        Unreadable, // there, but not a regular file, or reading failed
    };
    State state = State::Missing;
    std::string bytes;   // limit + 1 bytes at most, so a longer file shows as such
    std::string problem; // why it was unreadable
};

Contents read(const std::string& path, std::size_t limit);

// Replaces the file at `path` (or the file a symbolic link there leads to) with
// `bytes`: written to an unnamed or temporary file in the same folder, flushed
// to the disk, then renamed over the target. The new file keeps the old one's
// permissions. Returns false, with the target untouched and no temporary file
// left, when any step fails; `problem` (when given) then says why. One
// replacement at a time per program.
bool replace(const std::string& path, const std::string& bytes, std::string* problem = nullptr);

// Renames the file at `path` to "<path>.<tag>", or "<path>.<tag>-2" and so on
// when that is taken (never over an existing file). Returns the new path, or
// an empty text when it could not be moved. Where the system cannot rename
// without replacing (an older kernel, a file system or a sandbox that refuses
// it), a second name is made and the first removed.
std::string keepAside(const std::string& path, const std::string& tag);

// The folder part of `path` ("." for a bare name).
std::string folderOf(const std::string& path);
// The last part of `path`, after its folder.
std::string nameOf(const std::string& path);
// `name` in `folder`, with the system's separator.
std::string join(const std::string& folder, const std::string& name);

// Whether anything is at `path`.
bool exists(const std::string& path);
// Whether this program may make files in `folder`.
bool isWritableFolder(const std::string& folder);

} // namespace diskfile
