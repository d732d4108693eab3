// Keeps the settings program to one running instance per user. A start takes
// the start mutex "Tessary App" (waiting while another start holds it), looks
// for the shared word, a named file mapping that exists while an instance
// runs, and either hands over to that instance or registers itself: it
// stores its window in the word and lets the next start in.
#pragma once

#include <afxwin.h>

#include <memory>
#include <string>

class CInstanceChecker : public CObject
{
public:
    // `restoreCommand`: the command that shows the running instance's window
    // and leaves it in the state it keeps when shown.
    explicit CInstanceChecker(UINT restoreCommand);
    ~CInstanceChecker() override;

    virtual std::string mappingName() const;
    // The window the shared word holds: the thread's main window.
    virtual HWND windowToTrack() const;

    enum class StartLock {
        Taken,   // this start owns the start mutex
        Busy,    // another start held it for longer than this one waits
        Unusable // the start mutex cannot be made (startMutexFailure says why)
    };
    // Waits at most `timeoutMs` until this start owns the start mutex. A first
    // instance holds it only until it has registered its window, a moment
    // normally; one paused or hung before that must not hold up every later
    // start for ever.
    StartLock acquireStartLock(DWORD timeoutMs = kStartLockWaitMs);
    static constexpr DWORD kStartLockWaitMs = 10000;
    // Whether a running instance holds the shared word.
    bool isAnotherInstanceRunning() const;
    // Creates the shared word with this instance's window and releases the
    // start lock; false (the lock stays held) when another instance runs or
    // the word cannot be made.
    bool registerThisInstance();
    // Asks the running instance to restore its window; its window, or null
    // when the request did not reach it.
    HWND activateOtherInstance();
    // Ends the running instance; false when the request did not reach it.
    bool closeOtherInstance(UINT exitCode);
    void releaseStartLock();
    bool holdsStartLock() const { return startLock != nullptr; }
    // The error with which the start mutex could not be made; 0 when it was.
    DWORD startMutexFailure() const { return startMutexError; }

private:
    // The window in the shared word of `mapping`, read under the data mutex; null when it cannot be read.
    HWND readSharedWord(HANDLE mapping);

    CMutex dataMutex;
    CMutex startMutex;
    const DWORD startMutexError;
    std::unique_ptr<CSingleLock> startLock;
    const std::string instanceName;
    const UINT restoreCommand;
};
