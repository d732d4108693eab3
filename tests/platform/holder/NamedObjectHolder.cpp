// Another process for the named-object tests: takes a named mutex, or creates
// a named mapping and writes a word into it, says "held" on stdout and keeps
// the object until its stdin closes (or it is killed).
//   named-object-holder mutex NAME
//   named-object-holder mapping NAME WORD
//   named-object-holder read NAME          prints the mapping's word, or "none"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

void holdUntilStdinCloses()
{
    std::printf("held\n");
    std::fflush(stdout);
    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "mutex") == 0) {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, argv[2]);
        if (mutex == nullptr || WaitForSingleObject(mutex, INFINITE) == WAIT_FAILED)
            return 1;
        holdUntilStdinCloses();
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "mapping") == 0) {
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, argv[2]);
        auto* word =
            mapping == nullptr ? nullptr : static_cast<DWORD*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4));
        if (word == nullptr)
            return 1;
        *word = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 0));
        UnmapViewOfFile(word);
        holdUntilStdinCloses();
        CloseHandle(mapping);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "read") == 0) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, argv[2]);
        auto* word =
            mapping == nullptr ? nullptr : static_cast<DWORD*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4));
        if (word == nullptr)
            std::printf("none\n");
        else
            std::printf("0x%08X\n", static_cast<unsigned>(*word));
        return 0;
    }
    return 2;
}
