// Turns SIGTERM, SIGINT and SIGHUP, which a desktop session or a terminal
// sends to end the program (SIGHUP when the terminal closes), into a call on
// the message thread, so that the program can end the way closing its window
// does. Each signal is caught once: a second one ends the program at once, as
// usual.
//
// The program's other ways out that belong to the desktop live here too: the
// check for a display before anything starts, and what happens when the
// display goes away under the program (a logout, a display server restart).
// Its implementations (QuitSignals.cpp for Linux, windows/QuitSignals.cpp) are
// the mixer's only code that knows which system it runs on, with DiskFile's.
#pragma once

#include <functional>
#include <string>

class QuitSignals
{
public:
    // Installs the handlers; `onQuit` runs on the message thread.
    explicit QuitSignals(std::function<void()> onQuit);
    // Puts the earlier handlers back.
    ~QuitSignals();

    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // Whether the program's display can be reached; `problem` says why not.
    static bool displayAvailable(std::string& problem);

    // Once the connection to the display breaks, calls `onLost` (on the thread
    // that found it broken, with the display unusable) and ends the process
    // with status 0; nothing else runs after it. Call it once the program's
    // window is up.
    static void endOnDisplayLoss(std::function<void()> onLost);

private:
    void drain();

    std::function<void()> onQuit;
    int readEnd{-1};
};
