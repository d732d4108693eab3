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

    // Waits, without time limit, until this start owns the start mutex.
    void acquireStartLock();
    // Whether a running instance holds the shared word.
    bool isAnotherInstanceRunning() const;
    // Creates the shared word with this instance's window and releases the
    // start lock; false (the lock stays held) when another instance runs or
    // the word cannot be made.
    bool registerThisInstance();
    // Asks the running instance to restore its window; its window, or null.
    HWND activateOtherInstance();
    // Ends the running instance.
    void closeOtherInstance(UINT exitCode);
    void releaseStartLock();
    bool holdsStartLock() const { return startLock != nullptr; }

private:
    // The window in the shared word of `mapping`, read under the data mutex; null when it cannot be read.
    HWND readSharedWord(HANDLE mapping);

    CMutex dataMutex;
    CMutex startMutex;
    std::unique_ptr<CSingleLock> startLock;
    const std::string instanceName;
    const UINT restoreCommand;
};
