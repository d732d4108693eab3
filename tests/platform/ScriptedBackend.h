// A driver backend for the kernel tests: answers each request with a status
// chosen by the test, at once or later from another thread.
#pragma once

#include <win32/DriverBackend.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace testing_support {

class ScriptedBackend : public win32::DriverBackend
{
public:
    std::vector<std::string> paths;
    DWORD openError = ERROR_SUCCESS;
    DWORD ioError = ERROR_SUCCESS;
    std::uint8_t fillByte = 0xAB;
    DWORD bytesToReturn = 4;
    std::chrono::milliseconds completeAfter{-1}; // negative: complete at once
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    std::atomic<int> requests{0};

    ~ScriptedBackend() override
    {
        for (auto& worker : workers)
            worker.join();
    }

    std::vector<std::string> interfacePaths(const GUID&) override { return paths; }

    DWORD openFile(const std::string&, std::uint64_t& fileId) override
    {
        if (openError != ERROR_SUCCESS)
            return openError;
        fileId = static_cast<std::uint64_t>(++opens);
        return ERROR_SUCCESS;
    }

    void closeFile(std::uint64_t) override { ++closes; }

    bool deviceIoControl(std::uint64_t, DWORD, const void*, DWORD, void* out, DWORD outSize, win32::IoResult& result,
                         win32::IoCompletion onComplete) override
    {
        ++requests;
        const win32::IoResult answer{ioError, ioError == ERROR_SUCCESS ? std::min(bytesToReturn, outSize) : 0};
        auto fill = [this, out, answer] {
            if (answer.bytesReturned)
                std::memset(out, fillByte, answer.bytesReturned);
        };
        if (completeAfter.count() < 0) {
            fill();
            result = answer;
            return true;
        }
        std::lock_guard<std::mutex> guard(mutex);
        workers.emplace_back([this, fill, answer, onComplete, delay = completeAfter] {
            std::this_thread::sleep_for(delay);
            fill();
            onComplete(answer);
        });
        return false;
    }

private:
    std::mutex mutex;
    std::vector<std::thread> workers;
};

} // namespace testing_support
