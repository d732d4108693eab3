#include "DelayedCompletions.h"

namespace sim {

// Shared between the object and its worker, so the worker can finish even
// when the object was destroyed by one of the completions it ran.
struct DelayedCompletions::Queue
{
    struct Completion
    {
        std::size_t bytes;
        std::function<void()> run;
    };

    explicit Queue(std::size_t byteBudget) : byteBudget(byteBudget) {}

    const std::size_t byteBudget;
    std::mutex mutex;
    std::condition_variable changed;
    std::multimap<std::chrono::steady_clock::time_point, Completion> due;
    std::size_t reservedBytes = 0;
    bool stopping = false;
};

DelayedCompletions::DelayedCompletions(std::size_t byteBudget)
    : queue(std::make_shared<Queue>(byteBudget)), worker([shared = queue] { run(shared); })
{
}

DelayedCompletions::~DelayedCompletions()
{
    {
        std::lock_guard<std::mutex> guard(queue->mutex);
        queue->stopping = true;
    }
    queue->changed.notify_all();
    if (worker.get_id() == std::this_thread::get_id())
        worker.detach();
    else
        worker.join();
}

bool DelayedCompletions::reserve(std::size_t bytes)
{
    std::lock_guard<std::mutex> guard(queue->mutex);
    if (bytes > queue->byteBudget - queue->reservedBytes)
        return false;
    queue->reservedBytes += bytes;
    return true;
}

void DelayedCompletions::schedule(std::chrono::milliseconds delay, std::size_t bytes, std::function<void()> completion)
{
    {
        std::lock_guard<std::mutex> guard(queue->mutex);
        queue->due.emplace(std::chrono::steady_clock::now() + delay, Queue::Completion{bytes, std::move(completion)});
    }
    queue->changed.notify_all();
}

void DelayedCompletions::run(const std::shared_ptr<Queue>& queue)
{
    std::unique_lock<std::mutex> lock(queue->mutex);
    for (;;) {
        if (queue->due.empty()) {
            if (queue->stopping)
                return;
            queue->changed.wait(lock);
            continue;
        }
        auto first = queue->due.begin();
        if (!queue->stopping && std::chrono::steady_clock::now() < first->first) {
            queue->changed.wait_until(lock, first->first);
            continue;
        }
        Queue::Completion completion = std::move(first->second);
        queue->due.erase(first);
        queue->reservedBytes -= completion.bytes;
        lock.unlock();
        completion.run();
        // Whatever the completion captured goes here, before the lock is taken
        // again: it may own (and so destroy) this object's owner.
        completion.run = nullptr;
        lock.lock();
    }
}

} // namespace sim
