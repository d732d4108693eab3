#include <driverprotocol/DriverProtocol.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace driverprotocol;

TEST(DriverProtocol, MessagesSurviveAByteByByteStream)
{
    const GUID guid = {0x006902CB, 0xE626, 0x45B4, {0x8A, 0x62, 0x2E, 0xAA, 0xD6, 0x3F, 0x8D, 0x12}};
    const std::vector<std::uint8_t> input = {1, 2, 3};
    auto first =
        encode({MessageType::Ioctl, 7,
                Writer().u64(0x1122334455667788).u32(0x80883004).u32(516).bytes(input.data(), input.size()).take()});
    auto second = encode({MessageType::InterfacePaths, 8, Writer().guid(guid).take()});
    first.insert(first.end(), second.begin(), second.end());

    MessageAssembler assembler;
    std::vector<Message> received;
    for (std::uint8_t byte : first) {
        assembler.append(&byte, 1);
        Message message;
        while (assembler.next(message) == MessageAssembler::Result::Message)
            received.push_back(message);
    }
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].type, MessageType::Ioctl);
    EXPECT_EQ(received[0].requestId, 7u);
    Reader reader(received[0].payload);
    std::uint64_t file = 0;
    std::uint32_t code = 0, outSize = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(reader.u64(file) && reader.u32(code) && reader.u32(outSize) && reader.bytes(bytes));
    EXPECT_TRUE(reader.finished());
    EXPECT_EQ(file, 0x1122334455667788u);
    EXPECT_EQ(code, 0x80883004u);
    EXPECT_EQ(bytes, input);
    GUID decoded{};
    Reader guidReader(received[1].payload);
    ASSERT_TRUE(guidReader.guid(decoded));
    EXPECT_EQ(decoded, guid);
}

TEST(DriverProtocol, HeadersWithWrongMagicVersionOrSizeAreInvalid)
{
    auto good = encode({MessageType::Hello, 0, Writer().string("x").take()});
    Header header;
    EXPECT_EQ(decodeHeader(good.data(), good.size(), header), HeaderStatus::Complete);
    EXPECT_EQ(decodeHeader(good.data(), kHeaderSize - 1, header), HeaderStatus::NeedMore);

    auto badMagic = good;
    badMagic[0] ^= 1;
    EXPECT_EQ(decodeHeader(badMagic.data(), badMagic.size(), header), HeaderStatus::Invalid);
    auto badVersion = good;
    badVersion[4] = 2;
    EXPECT_EQ(decodeHeader(badVersion.data(), badVersion.size(), header), HeaderStatus::Invalid);
    auto oversized = good;
    const std::uint32_t tooBig = kMaxPayload + 1;
    std::memcpy(oversized.data() + 12, &tooBig, 4);
    EXPECT_EQ(decodeHeader(oversized.data(), oversized.size(), header), HeaderStatus::Invalid);

    MessageAssembler assembler;
    assembler.append(oversized.data(), oversized.size());
    Message message;
    EXPECT_EQ(assembler.next(message), MessageAssembler::Result::Invalid);
    assembler.append(good.data(), good.size());
    EXPECT_EQ(assembler.next(message), MessageAssembler::Result::Invalid) << "no resynchronising after garbage";
}

TEST(DriverProtocol, ReaderRefusesLengthsBeyondThePayloadOrTheLimit)
{
    auto payload = Writer().u32(1000).take(); // claims 1000 bytes, has none
    Reader reader(payload);
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(reader.bytes(bytes));
    std::uint32_t value = 0;
    EXPECT_FALSE(reader.u32(value)) << "stays failed";

    auto limited = Writer().string("twelve chars").take();
    std::string text;
    EXPECT_FALSE(Reader(limited).string(text, 11));
    EXPECT_TRUE(Reader(limited).string(text, 12));
    EXPECT_EQ(text, "twelve chars");

    auto shortWord = std::vector<std::uint8_t>{1, 2, 3};
    Reader partial(shortWord);
    EXPECT_FALSE(partial.u32(value));
}
