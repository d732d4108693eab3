// A driver backend that passes everything to the simulated driver but lets a
// test answer chosen requests itself: a level the driver would never report,
// a read that succeeds with nothing in it, a notification raised by a request.
#pragma once

#include <SimDriver.h>
#include <win32/DriverBackend.h>

#include <functional>
#include <memory>

namespace testing_support {

class DriverTwist : public win32::DriverBackend
{
public:
    // Answers a request in place of the driver (true), or lets it through (false).
    using Answer = std::function<bool(DWORD code, void* out, DWORD outSize, win32::IoResult& result)>;

    explicit DriverTwist(std::shared_ptr<sim::SimDriver> driver) : driver(std::move(driver)) {}

    Answer answer;
    // Called after the driver carried out a request.
    std::function<void(DWORD code)> after;

    std::vector<std::string> interfacePaths(const GUID& interfaceClass) override
    {
        return driver->interfacePaths(interfaceClass);
    }
    DWORD openFile(const std::string& path, std::uint64_t& fileId) override { return driver->openFile(path, fileId); }
    void closeFile(std::uint64_t fileId) override { driver->closeFile(fileId); }
    bool deviceIoControl(std::uint64_t fileId, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         win32::IoResult& result, win32::IoCompletion onComplete) override
    {
        if (answer && answer(code, out, outSize, result))
            return true;
        const bool done =
            driver->deviceIoControl(fileId, code, in, inSize, out, outSize, result, std::move(onComplete));
        if (after)
            after(code);
        return done;
    }
    std::uint64_t watchInterfaces(win32::InterfaceWatch watch) override
    {
        return driver->watchInterfaces(std::move(watch));
    }
    void unwatchInterfaces(std::uint64_t watchId) override { driver->unwatchInterfaces(watchId); }

private:
    std::shared_ptr<sim::SimDriver> driver;
};

} // namespace testing_support
