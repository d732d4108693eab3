#include "KernelObjects.h"

namespace win32::detail {

namespace {
constexpr std::uintptr_t kHandleStep = 4;
constexpr std::uintptr_t kHandleLimit = std::uintptr_t(1) << 30;
} // namespace

HandleTable& HandleTable::instance()
{
    static HandleTable* table = new HandleTable; // never destroyed: detached threads may outlive main
    return *table;
}

HANDLE HandleTable::insert(std::shared_ptr<KernelObject> object)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (objects.size() >= kHandleLimit / kHandleStep - 1)
        return nullptr;
    while (objects.count(next) != 0) {
        next += kHandleStep;
        if (next >= kHandleLimit)
            next = kHandleStep;
    }
    const std::uintptr_t value = next;
    objects.emplace(value, std::move(object));
    next = value + kHandleStep >= kHandleLimit ? kHandleStep : value + kHandleStep;
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleTable::lookup(HANDLE handle) const
{
    std::lock_guard<std::mutex> guard(mutex);
    auto it = objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == objects.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> HandleTable::remove(HANDLE handle)
{
    std::shared_ptr<KernelObject> removed;
    {
        std::lock_guard<std::mutex> guard(mutex);
        auto it = objects.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == objects.end())
            return nullptr;
        removed = std::move(it->second);
        objects.erase(it);
    }
    return removed;
}

std::size_t HandleTable::size() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return objects.size();
}

std::mutex& Dispatcher::lock()
{
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

std::condition_variable& Dispatcher::changed()
{
    static std::condition_variable* condition = new std::condition_variable;
    return *condition;
}

void EventObject::set()
{
    std::lock_guard<std::mutex> guard(Dispatcher::lock());
    signalled = true;
    Dispatcher::changed().notify_all();
}

void EventObject::reset()
{
    std::lock_guard<std::mutex> guard(Dispatcher::lock());
    signalled = false;
}

void ThreadObject::finish(DWORD code)
{
    std::lock_guard<std::mutex> guard(Dispatcher::lock());
    finished = true;
    exitCode = code;
    Dispatcher::changed().notify_all();
}

} // namespace win32::detail
