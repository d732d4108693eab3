// Runs the completions of requests the simulated driver finishes later, each
// at its due time, on one worker thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace sim {

class DelayedCompletions {
public:
    DelayedCompletions();
    // Completes whatever is still waiting at once, so no caller waits forever.
    ~DelayedCompletions();
    DelayedCompletions(const DelayedCompletions&) = delete;
    DelayedCompletions& operator=(const DelayedCompletions&) = delete;

    void schedule(std::chrono::milliseconds delay, std::function<void()> completion);

private:
    void run();

    std::mutex mutex;
    std::condition_variable changed;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> due;
    bool stopping = false;
    std::thread worker;
};

} // namespace sim
