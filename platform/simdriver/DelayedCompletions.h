// Runs the completions of requests the simulated driver finishes later, each
// at its due time, on one worker thread. The output the waiting requests hold
// is bounded: a request reserves its share before it is carried out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace sim {

class DelayedCompletions
{
public:
    explicit DelayedCompletions(std::size_t byteBudget);
    // Completes whatever is still waiting at once, so no caller waits forever.
    // A completion may hold the last reference to the object that owns this
    // one: destroyed on its own worker, it lets the worker finish on its own.
    ~DelayedCompletions();
    DelayedCompletions(const DelayedCompletions&) = delete;
    DelayedCompletions& operator=(const DelayedCompletions&) = delete;

    // Reserves `bytes` for a completion to come; false when that would take
    // the waiting completions past the budget.
    bool reserve(std::size_t bytes);

    // Runs `completion` after `delay`; the `bytes` reserved for it are given
    // back just before it runs.
    void schedule(std::chrono::milliseconds delay, std::size_t bytes, std::function<void()> completion);

private:
    struct Queue;
    static void run(const std::shared_ptr<Queue>& queue);

    std::shared_ptr<Queue> queue;
    std::thread worker;
};

} // namespace sim
