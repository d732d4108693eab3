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
// Whether this Windows program runs under Wine, whose departures from Windows
// some tests must allow for.
inline bool runsUnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#endif

// The simulated driver a test's requests reach, in this process. On Windows
// they take the real way there, through the simulated driver's kernel half,
// and each look at the driver first waits until every request the test has
// sent has arrived.
class DriverUnderTest
{
public:
    explicit DriverUnderTest(unsigned units) : simulated(std::make_shared<sim::SimDriver>(units)), backend(simulated)
    {
#ifdef _WIN32
        std::string error;
        if (!backend.start(error))
            ADD_FAILURE() << error;
#endif
    }

    sim::SimDriver* operator->() const
    {
#ifdef _WIN32
        backend.settle();
#endif
        return simulated.get();
    }
    // For a backend of the test's own put in front of the driver.
    const std::shared_ptr<sim::SimDriver>& shared() const
    {
        return simulated;
    }

private:
    std::shared_ptr<sim::SimDriver> simulated;
#ifdef _WIN32
    sim::DriverHost backend;
#else
    win32::ScopedDriverBackend backend;
#endif
};

class SimulatedDriverTest : public ::testing::Test
{
protected:
    explicit SimulatedDriverTest(unsigned units = 1) : driver(units) {}

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

    DriverUnderTest driver;
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
