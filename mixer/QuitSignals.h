// Turns SIGTERM and SIGINT, which a desktop session or a terminal sends to end
// the program, into a call on the message thread, so that the program can end
// the way closing its window does. Each signal is caught once: a second one
// ends the program at once, as usual.
#pragma once

#include <functional>

class QuitSignals
{
public:
    // Installs the handlers; `onQuit` runs on the message thread.
    explicit QuitSignals(std::function<void()> onQuit);
    // Puts the earlier handlers back.
    ~QuitSignals();

    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    void drain();

    std::function<void()> onQuit;
    int readEnd{-1};
};
