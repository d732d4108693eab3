// Test helpers: an in-process simulated driver installed for one test, and
// views of what reached it. On Windows the test's requests take the real way,
// through the simulated driver's kernel half (installed in the Wine prefix the
// tests run in), to the units this process serves.
#pragma once

#include <SimDriver.h>
#ifdef _WIN32
#include <DriverHost.h>
#else
#include <win32/StandIn.h>
#endif

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr DWORD kAvcRequestCode = 0x80883004;

// Upper-case two-digit hex bytes separated by single spaces.
inline std::string hex(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}

// Little-endian 32-bit word at `offset`.
inline std::uint32_t word(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

// The kernel handles this process holds.
inline std::size_t openHandleCount()
{
#ifdef _WIN32
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
#else
    return win32::openHandleCount();
#endif
}

#ifdef _WIN32
class ServedDriver
{
public:
    explicit ServedDriver(std::shared_ptr<sim::SimDriver> driver) : host(std::move(driver))
    {
        std::string error;
        if (!host.start(error))
            ADD_FAILURE() << error;
    }

private:
    sim::DriverHost host;
};
using DriverUnderTest = ServedDriver;
#else
using DriverUnderTest = win32::ScopedDriverBackend;
#endif

class SimulatedDriverTest : public ::testing::Test
{
protected:
    explicit SimulatedDriverTest(unsigned units = 1) : driver(std::make_shared<sim::SimDriver>(units)), backend(driver)
    {
    }

    // The requests with `code`, in the order the driver received them.
    std::vector<sim::LogEntry> requests(DWORD code) const
    {
        std::vector<sim::LogEntry> found;
        for (const auto& entry : driver->log())
            if (entry.code == code)
                found.push_back(entry);
        return found;
    }

    // The AV/C frames the driver received, as upper-case hex bytes.
    std::vector<std::string> sentFrames() const
    {
        std::vector<std::string> frames;
        for (const auto& entry : requests(kAvcRequestCode))
            frames.push_back(hex(entry.frame));
        return frames;
    }

    std::size_t ioctlCount() const
    {
        std::size_t count = 0;
        for (const auto& entry : driver->log())
            count += entry.code != 0;
        return count;
    }

    std::shared_ptr<sim::SimDriver> driver;
    DriverUnderTest backend;
};

// A driver with two units, for the second-member cases.
class TwoUnitDriverTest : public SimulatedDriverTest
{
protected:
    TwoUnitDriverTest() : SimulatedDriverTest(2) {}
};

// A driver without any unit attached.
class NoUnitDriverTest : public SimulatedDriverTest
{
protected:
    NoUnitDriverTest() : SimulatedDriverTest(0) {}
};
