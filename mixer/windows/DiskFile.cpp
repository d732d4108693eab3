// The mixer's file handling on Windows: the same contract as on Linux, on the
// Win32 file calls. A replacement is written to a temporary file in the target's
// folder, flushed, and moved over the target in one step (MoveFileExA with
// MOVEFILE_REPLACE_EXISTING), so a failed write leaves the old file whole.
#include "../DiskFile.h"

#include <windows.h>

#include <algorithm>

namespace diskfile {

namespace {

// A file handle closed when it goes out of scope.
class FileHandle
{
public:
    explicit FileHandle(HANDLE handle) : handle(handle) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const { return handle; }
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
    bool close()
    {
        const HANDLE closing = handle;
        handle = INVALID_HANDLE_VALUE;
        return closing == INVALID_HANDLE_VALUE || CloseHandle(closing) != 0;
    }

private:
    HANDLE handle;
};

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

std::string::size_type lastSeparator(const std::string& path)
{
    return path.find_last_of("\\/");
}

std::string systemMessage(DWORD error)
{
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                        text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error) : message;
}

bool writeAll(HANDLE file, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 20));
        DWORD n = 0;
        if (!WriteFile(file, bytes.data() + written, chunk, &n, nullptr) || n == 0)
            return false;
        written += n;
    }
    return true;
}

} // namespace

std::string folderOf(const std::string& path)
{
    const auto separator = lastSeparator(path);
    if (separator == std::string::npos)
        return ".";
    // "C:\" and "\" keep their separator: they are folders themselves.
    if (separator == 0 || (separator == 2 && path[1] == ':'))
        return path.substr(0, separator + 1);
    return path.substr(0, separator);
}

Contents read(const std::string& path, std::size_t limit)
{
    Contents contents;
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return contents;
        contents.state = Contents::State::Unreadable;
        contents.problem = systemMessage(error);
        return contents;
    }
    contents.state = Contents::State::Unreadable;
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        contents.problem = "not a regular file";
        return contents;
    }
    const std::size_t most = limit + 1;
    LARGE_INTEGER size = {};
    const std::size_t expected = GetFileSizeEx(file.get(), &size) ? static_cast<std::size_t>(size.QuadPart) : 0;
    contents.bytes.resize(expected < most ? expected + 1 : most);
    std::size_t got = 0;
    for (;;) {
        if (got == contents.bytes.size()) {
            if (got == most)
                break;
            contents.bytes.resize(std::min(most, got * 2));
        }
        DWORD n = 0;
        const DWORD room = static_cast<DWORD>(std::min<std::size_t>(contents.bytes.size() - got, 1u << 20));
        if (!ReadFile(file.get(), &contents.bytes[got], room, &n, nullptr)) {
            contents.problem = systemMessage(GetLastError());
            contents.bytes.clear();
            return contents;
        }
        if (n == 0)
            break;
        got += n;
    }
    contents.bytes.resize(got);
    contents.state = Contents::State::Read;
    return contents;
}

bool replace(const std::string& path, const std::string& bytes, std::string* problem)
{
    const auto failed = [problem](DWORD error) {
        if (problem != nullptr)
            *problem = systemMessage(error);
        return false;
    };
    const std::string folder = folderOf(path);
    static unsigned counter = 0;
    const std::string temporary = (isSeparator(folder.back()) ? folder : folder + "\\") + "." + nameOf(path) + ".new-" +
                                  std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    FileHandle file(
        CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return failed(GetLastError());
    const bool written = writeAll(file.get(), bytes) && FlushFileBuffers(file.get());
    const DWORD writeError = written ? ERROR_SUCCESS : GetLastError();
    if (!file.close() || !written) {
        const DWORD error = written ? GetLastError() : writeError;
        DeleteFileA(temporary.c_str());
        return failed(error);
    }
    if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileA(temporary.c_str());
        return failed(error);
    }
    return true;
}

std::string keepAside(const std::string& path, const std::string& tag)
{
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string aside = path + "." + tag + (attempt == 1 ? "" : "-" + std::to_string(attempt));
        // Without MOVEFILE_REPLACE_EXISTING the move never goes over an existing file.
        if (MoveFileExA(path.c_str(), aside.c_str(), 0))
            return aside;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return {};
    }
    return {};
}

bool exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isWritableFolder(const std::string& folder)
{
    // The folder's access rules decide (Program Files is read-only to users):
    // try it with a file that the system deletes as soon as it is closed.
    const std::string probe =
        (isSeparator(folder.back()) ? folder : folder + "\\") + ".write-test-" + std::to_string(GetCurrentProcessId());
    const HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

std::string nameOf(const std::string& path)
{
    const auto separator = lastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string join(const std::string& folder, const std::string& name)
{
    return (isSeparator(folder.back()) ? folder : folder + "\\") + name;
}

} // namespace diskfile
