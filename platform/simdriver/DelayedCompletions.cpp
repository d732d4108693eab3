#include "DelayedCompletions.h"

namespace sim {

DelayedCompletions::DelayedCompletions() : worker([this] { run(); }) {}

DelayedCompletions::~DelayedCompletions()
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = true;
    }
    changed.notify_all();
    worker.join();
}

void DelayedCompletions::schedule(std::chrono::milliseconds delay, std::function<void()> completion)
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        due.emplace(std::chrono::steady_clock::now() + delay, std::move(completion));
    }
    changed.notify_all();
}

void DelayedCompletions::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        if (due.empty()) {
            if (stopping)
                return;
            changed.wait(lock);
            continue;
        }
        auto first = due.begin();
        if (!stopping && std::chrono::steady_clock::now() < first->first) {
            changed.wait_until(lock, first->first);
            continue;
        }
        auto completion = std::move(first->second);
        due.erase(first);
        lock.unlock();
        completion();
        lock.lock();
    }
}

} // namespace sim
