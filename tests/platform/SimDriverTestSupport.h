// Talks to an in-process SimDriver through the kernel stand-in, as the
// programs do.
#pragma once

#include "RegistryTestSupport.h"

#include <SimDriver.h>
#include <setupapi.h>
#include <win32/StandIn.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace testing_support {

inline std::uint32_t word(const std::vector<std::uint8_t>& block, std::size_t index)
{
    std::uint32_t value = 0;
    std::memcpy(&value, block.data() + 4 * index, 4);
    return value;
}

struct Reply
{
    BOOL ok = FALSE;
    DWORD error = 0;
    DWORD bytes = 0;
    std::vector<std::uint8_t> out;
};

inline Reply ioctl(HANDLE file, DWORD code, std::vector<std::uint8_t> in, DWORD outSize)
{
    Reply reply;
    reply.out.assign(outSize, 0);
    reply.ok = DeviceIoControl(file, code, in.empty() ? nullptr : in.data(), static_cast<DWORD>(in.size()),
                               outSize ? reply.out.data() : nullptr, outSize, &reply.bytes, nullptr);
    reply.error = reply.ok ? 0 : GetLastError();
    return reply;
}

inline std::vector<std::uint8_t> words(std::initializer_list<std::uint32_t> values)
{
    std::vector<std::uint8_t> block(4 * values.size());
    std::size_t i = 0;
    for (std::uint32_t v : values)
        std::memcpy(block.data() + 4 * i++, &v, 4);
    return block;
}

// The 520-byte AV/C request around `frame`.
inline std::vector<std::uint8_t> avcRequest(const std::vector<std::uint8_t>& frame, std::uint32_t requestWord = 2000,
                                            std::uint32_t length = 0xFFFFFFFF)
{
    std::vector<std::uint8_t> request(520, 0);
    const std::uint32_t count = length == 0xFFFFFFFF ? static_cast<std::uint32_t>(frame.size()) : length;
    std::memcpy(request.data(), &requestWord, 4);
    std::memcpy(request.data() + 4, &count, 4);
    if (!frame.empty())
        std::memcpy(request.data() + 8, frame.data(), std::min<std::size_t>(frame.size(), 512));
    return request;
}

class SimDriverTest : public testing::Test
{
protected:
    ScopedRegistry registry;
    std::shared_ptr<sim::SimDriver> driver = std::make_shared<sim::SimDriver>(1);
    win32::ScopedDriverBackend installed{driver};
    std::vector<HANDLE> opened;

    void TearDown() override
    {
        for (HANDLE h : opened)
            CloseHandle(h);
    }

    HANDLE open(const std::string& path)
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            opened.push_back(h);
        return h;
    }
    HANDLE control() { return open("\\\\.\\{34F6CC0C-BE3A-4f6e-BE12-47E58C84B08D}"); }
    HANDLE unit(unsigned index = 0) { return open(sim::unitInterfacePath(index, sim::kMixerInterfaceClass)); }

    // Sends a frame to unit 0 and gives the response frame.
    std::vector<std::uint8_t> avc(const std::vector<std::uint8_t>& frame, HANDLE file = nullptr)
    {
        Reply reply = ioctl(file ? file : unit(), 0x80883004, avcRequest(frame), 516);
        EXPECT_TRUE(reply.ok) << std::hex << reply.error;
        const std::uint32_t length = word(reply.out, 0);
        return std::vector<std::uint8_t>(reply.out.begin() + 4, reply.out.begin() + 4 + std::min(length, 512u));
    }
};

} // namespace testing_support
