#include "CInstanceChecker.h"

#include <cstdint>

namespace {

constexpr DWORD kSharedWordSize = 4;

// The shared word's mapping, held until the process ends: its existence is
// what later starts find.
HANDLE sharedWordMapping = nullptr;

} // namespace

CInstanceChecker::CInstanceChecker(UINT restore)
    : dataMutex(FALSE, nullptr), startMutex(FALSE, "Tessary App"),
      startMutexError(startMutex.m_hObject == nullptr ? GetLastError() : ERROR_SUCCESS), instanceName("Tessary App"),
      restoreCommand(restore)
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

CInstanceChecker::StartLock CInstanceChecker::acquireStartLock(DWORD timeoutMs)
{
    if (startMutex.m_hObject == nullptr)
        return StartLock::Unusable;
    auto lock = std::make_unique<CSingleLock>(&startMutex, FALSE);
    if (!lock->Lock(timeoutMs))
        return StartLock::Busy;
    startLock = std::move(lock);
    return StartLock::Taken;
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
    HWND window = readSharedWord(mapping);
    // The instance restores itself as its Restore command does, after whatever
    // it still has to do of its own start, so it keeps track of being shown.
    // Neither post waits for long on an instance that does not answer.
    if (window != nullptr) {
        if (PostMessageA(window, WM_COMMAND, restoreCommand, 0))
            SetForegroundWindow(GetLastActivePopup(window));
        else
            window = nullptr;
    }
    CloseHandle(mapping);
    releaseStartLock();
    return window;
}

bool CInstanceChecker::closeOtherInstance(UINT exitCode)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, mappingName().c_str());
    if (mapping == nullptr)
        return false;
    bool posted = false;
    if (const HWND window = readSharedWord(mapping))
        posted = PostMessageA(window, WM_QUIT, exitCode, 0) != FALSE;
    CloseHandle(mapping);
    return posted;
}
