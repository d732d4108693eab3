// On Windows a session's end reaches the window itself (WM_QUERYENDSESSION,
// which JUCE turns into a quit); what is left are the console's Ctrl+C,
// Ctrl+Break and close events, for a mixer started from a console.
#include "../QuitSignals.h"

#include <juce_events/juce_events.h>

#include <windows.h>

#include <atomic>

namespace {

std::atomic<QuitSignals*> listener{nullptr};
std::function<void()>* pendingQuit = nullptr;

// Runs on a thread of the system's: the message thread does the rest.
BOOL WINAPI noteConsoleEvent(DWORD)
{
    // Caught once: a second event ends the program at once, as usual.
    if (listener.exchange(nullptr) == nullptr)
        return FALSE;
    juce::MessageManager::callAsync([] {
        if (pendingQuit != nullptr && *pendingQuit)
            (*pendingQuit)();
    });
    return TRUE;
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> callback) : onQuit(std::move(callback))
{
    pendingQuit = &onQuit;
    listener = this;
    SetConsoleCtrlHandler(noteConsoleEvent, TRUE);
}

QuitSignals::~QuitSignals()
{
    SetConsoleCtrlHandler(noteConsoleEvent, FALSE);
    listener = nullptr;
    pendingQuit = nullptr;
}

void QuitSignals::drain() {}

// A Windows program always has its desktop.
bool QuitSignals::displayAvailable(std::string&)
{
    return true;
}

// The desktop goes only with the session, whose end reaches the window itself.
void QuitSignals::endOnDisplayLoss(std::function<void()>) {}
