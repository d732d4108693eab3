// Any byte stream as it reaches the daemon: cut into messages in uneven
// chunks, then every payload decoded the ways the daemon and the client do.
#include <driverprotocol/DriverProtocol.h>

#include <cstdint>
#include <cstdlib>

using namespace driverprotocol;

namespace {

void decodeEveryWay(const Message& message)
{
    std::uint64_t id = 0;
    std::uint32_t a = 0, b = 0, c = 0;
    std::vector<std::uint8_t> bytes;
    std::string text;
    GUID guid{};
    {
        Reader r(message.payload);
        (void)(r.string(text, 256) && r.finished());
    }
    {
        Reader r(message.payload);
        (void)(r.guid(guid) && r.finished());
    }
    {
        Reader r(message.payload);
        (void)(r.u64(id) && r.u32(a) && r.u32(b) && r.bytes(bytes, kMaxPayload - 64));
    }
    {
        Reader r(message.payload);
        (void)(r.u32(a) && r.u32(b) && r.u32(c) && r.finished());
    }
    {
        Reader r(message.payload);
        (void)(r.u32(a) && r.string(text) && r.u64(id));
    }
    {
        Reader r(message.payload);
        if (r.u32(a))
            for (std::uint32_t i = 0; i < a && r.string(text); ++i) {
            }
    }
    if (bytes.size() > kMaxPayload || text.size() > kMaxPayload)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MessageAssembler assembler;
    std::size_t offset = 0;
    std::size_t chunk = 1;
    while (offset < size) {
        const std::size_t take = chunk < size - offset ? chunk : size - offset;
        assembler.append(data + offset, take);
        offset += take;
        chunk = chunk * 3 % 61 + 1;
        Message message;
        MessageAssembler::Result result;
        while ((result = assembler.next(message)) == MessageAssembler::Result::Message) {
            if (message.payload.size() > kMaxPayload)
                std::abort();
            decodeEveryWay(message);
        }
        if (result == MessageAssembler::Result::Invalid)
            break;
    }
    return 0;
}
