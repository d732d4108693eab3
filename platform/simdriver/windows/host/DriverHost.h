// The user-mode half of the simulated driver on Windows: runs the simulated
// units (SimDriver) for the kernel half, tessarysim.sys. It takes each create,
// close and I/O control request the programs sent to the kernel half, carries
// it out on the SimDriver, and hands back the answer; it enables a unit's
// device interfaces while the unit is plugged, so that the programs see real
// arrival and removal broadcasts.
#pragma once

#include "../HostProtocol.h"

#include <SimDriver.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace sim {

class DriverHost
{
public:
    explicit DriverHost(std::shared_ptr<SimDriver> driver);
    ~DriverHost();
    DriverHost(const DriverHost&) = delete;
    DriverHost& operator=(const DriverHost&) = delete;

    // Opens the kernel half's host device and becomes the one that serves it.
    // False with `error` set when the driver is not installed or another host serves.
    bool start(std::string& error);
    // Stops fetching; the kernel half fails what was left unanswered.
    void stop();

    // Returns once every request this process sent the kernel half before
    // the call has been carried out (under Wine a program's CreateFile returns
    // before the create has reached the driver). False when the host does not serve.
    bool settle() const;

private:
    struct Request
    {
        SIMHOST_REQUEST header{};
        std::vector<std::uint8_t> input;
    };

    void fetchLoop();
    void handle(const Request& request);
    void open(const Request& request);
    void close(const Request& request);
    void control(const Request& request);
    void administer(const Request& request);
    struct Link;
    static void complete(const std::shared_ptr<Link>& link, std::uint32_t id, DWORD error, const void* output,
                         DWORD bytes);
    void setUnitInterfaces(unsigned unit, bool enabled);
    std::string clientName(std::uint32_t processId);

    const std::shared_ptr<SimDriver> driver;
    HANDLE device = INVALID_HANDLE_VALUE;
    HANDLE stopEvent = nullptr;
    std::atomic<bool> running{false};
    // One fetcher carries out the requests in the order they came (a file's
    // create before its requests); one the SimDriver completes later holds up
    // nothing, its completion runs on the SimDriver's own thread.
    std::thread fetcher;
    std::uint64_t interfaceWatch = 0;
    std::shared_ptr<Link> link;

    std::mutex filesMutex;
    std::map<std::uint64_t, std::uint64_t> files; // kernel file key -> SimDriver file id
    std::map<std::uint64_t, DWORD> refused;       // kernel file key -> the error its create was refused with
    static constexpr std::size_t kRememberedRefusals = 1024;
    std::map<std::uint32_t, std::string> clientNames;
};

} // namespace sim
