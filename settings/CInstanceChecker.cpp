#include "CInstanceChecker.h"

#include <cstdint>

namespace {

constexpr DWORD kSharedWordSize = 4;

// The shared word's mapping, held until the process ends: its existence is
// what later starts find.
HANDLE sharedWordMapping = nullptr;

} // namespace

CInstanceChecker::CInstanceChecker(UINT restore)
    : dataMutex(FALSE, nullptr), startMutex(FALSE, "Tessary App"), instanceName("Tessary App"), restoreCommand(restore)
{
}

CInstanceChecker::~CInstanceChecker()
{
    releaseStartLock();
}

std::string CInstanceChecker::mappingName() const
{
    return "CInstanceChecker_MMF_" + instanceName;
}

HWND CInstanceChecker::windowToTrack() const
{
    CWnd* main = AfxGetMainWnd();
    return main != nullptr ? main->GetSafeHwnd() : nullptr;
}

void CInstanceChecker::acquireStartLock()
{
    startLock = std::make_unique<CSingleLock>(&startMutex, TRUE);
}

void CInstanceChecker::releaseStartLock()
{
    startLock.reset();
}

bool CInstanceChecker::isAnotherInstanceRunning() const
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, mappingName().c_str());
    if (mapping == nullptr)
        return false;
    CloseHandle(mapping);
    return true;
}

bool CInstanceChecker::registerThisInstance()
{
    if (isAnotherInstanceRunning())
        return false;
    HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedWordSize, mappingName().c_str());
    if (mapping == nullptr)
        return false;
    auto* word = static_cast<DWORD*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kSharedWordSize));
    if (word == nullptr) {
        CloseHandle(mapping);
        return false;
    }
    sharedWordMapping = mapping;
    {
        CSingleLock data(&dataMutex, TRUE);
        // Window handles are 32 bits wide, on Windows and here.
        *word = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(windowToTrack()));
    }
    UnmapViewOfFile(word);
    releaseStartLock();
    return true;
}

HWND CInstanceChecker::readSharedWord(HANDLE mapping)
{
    auto* word = static_cast<DWORD*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kSharedWordSize));
    if (word == nullptr)
        return nullptr;
    HWND window = nullptr;
    {
        CSingleLock data(&dataMutex, TRUE);
        window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(*word));
    }
    UnmapViewOfFile(word);
    return window;
}

HWND CInstanceChecker::activateOtherInstance()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, mappingName().c_str());
    if (mapping == nullptr)
        return nullptr;
    const HWND window = readSharedWord(mapping);
    // The instance restores itself as its Restore command does, after whatever
    // it still has to do of its own start, so it keeps track of being shown.
    // Neither post waits for long on an instance that does not answer.
    if (window != nullptr) {
        PostMessageA(window, WM_COMMAND, restoreCommand, 0);
        SetForegroundWindow(GetLastActivePopup(window));
    }
    CloseHandle(mapping);
    releaseStartLock();
    return window;
}

void CInstanceChecker::closeOtherInstance(UINT exitCode)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, mappingName().c_str());
    if (mapping == nullptr)
        return;
    if (const HWND window = readSharedWord(mapping))
        PostMessageA(window, WM_QUIT, exitCode, 0);
    CloseHandle(mapping);
}
