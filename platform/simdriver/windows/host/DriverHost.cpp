#include "DriverHost.h"

#include <AdminRequests.h>

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

// One overlapped request on the host device, waited for; `stop` (when given)
// cancels the wait. False when it failed or was stopped.
bool overlappedControl(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD& returned, HANDLE stop = nullptr)
{
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!overlapped.hEvent)
        return false;
    BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &returned, &overlapped);
    if (!ok && GetLastError() == ERROR_IO_PENDING) {
        const HANDLE waits[2] = {overlapped.hEvent, stop};
        if (WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            CancelIoEx(device, &overlapped);
        ok = GetOverlappedResult(device, &overlapped, &returned, TRUE);
    }
    CloseHandle(overlapped.hEvent);
    return ok != FALSE;
}

// Sets an event a program registered: its handle is the program's, so it is
// duplicated from that process first.
void signalProgramEvent(std::uint32_t processId, std::uint32_t eventHandle)
{
    const HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, processId);
    if (!process)
        return;
    HANDLE event = nullptr;
    if (DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(eventHandle)),
                        GetCurrentProcess(), &event, EVENT_MODIFY_STATE, FALSE, 0)) {
        SetEvent(event);
        CloseHandle(event);
    }
    CloseHandle(process);
}

// The unit index in a simulated interface path, "...&unit<N>#{...}".
std::optional<unsigned> unitOfPath(const std::string& path)
{
    const auto at = path.find("&unit");
    if (at == std::string::npos)
        return std::nullopt;
    return static_cast<unsigned>(std::strtoul(path.c_str() + at + 5, nullptr, 10));
}

GUID guidOf(const unsigned char (&bytes)[16])
{
    GUID guid;
    std::memcpy(&guid, bytes, sizeof guid);
    return guid;
}

} // namespace

// What a completion needs of the host, kept by the completions the SimDriver
// runs later: the host may have stopped by then.
struct DriverHost::Link
{
    std::mutex mutex;
    HANDLE device = INVALID_HANDLE_VALUE;
};

DriverHost::DriverHost(std::shared_ptr<SimDriver> driver) : driver(std::move(driver)), link(std::make_shared<Link>()) {}

DriverHost::~DriverHost()
{
    stop();
}

bool DriverHost::start(std::string& error)
{
    device = CreateFileA(SIMHOST_USER_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        error = "the simulated driver's kernel half is not installed (tools/wine-simdriver.sh install)";
        return false;
    }
    DWORD returned = 0;
    if (!overlappedControl(device, SIMHOST_IOCTL_SERVE, nullptr, 0, nullptr, 0, returned)) {
        error = "another tessary-simdriver serves the simulated driver already";
        CloseHandle(device);
        device = INVALID_HANDLE_VALUE;
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(link->mutex);
        link->device = device;
    }
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    running = true;
    interfaceWatch = driver->watchInterfaces([this](const win32::InterfaceChange& change) {
        // Both classes of a unit come and go together: the mixer class stands for both.
        if (IsEqualGUID(change.interfaceClass, kMixerInterfaceClass))
            if (const auto unit = unitOfPath(change.path))
                setUnitInterfaces(*unit, change.arrived);
    });
    for (unsigned unit = 0; unit < driver->unitCount(); ++unit)
        setUnitInterfaces(unit, true);
    fetcher = std::thread([this] { fetchLoop(); });
    return true;
}

void DriverHost::stop()
{
    if (!running.exchange(false))
        return;
    driver->unwatchInterfaces(interfaceWatch);
    SetEvent(stopEvent);
    fetcher.join();
    {
        std::lock_guard<std::mutex> guard(link->mutex);
        link->device = INVALID_HANDLE_VALUE;
    }
    // Closing the serving handle makes the kernel half fail what is left and
    // take every interface away.
    CloseHandle(device);
    device = INVALID_HANDLE_VALUE;
    CloseHandle(stopEvent);
    stopEvent = nullptr;
}

bool DriverHost::settle() const
{
    // The kernel half hands requests over in the order they came: the answer
    // to one more comes after everything sent before it.
    const HANDLE channel = CreateFileA(SIMHOST_USER_PATH, GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (channel == INVALID_HANDLE_VALUE)
        return false;
    const SIMHOST_ADMIN request{static_cast<unsigned>(driverprotocol::AdminCommand::Log), 0xFFFFFFFFu, 0xFFFFFFFFu};
    std::vector<std::uint8_t> reply(SIMHOST_ADMIN_OUTPUT);
    DWORD returned = 0;
    const BOOL answered =
        DeviceIoControl(channel, SIMHOST_IOCTL_ADMIN, const_cast<SIMHOST_ADMIN*>(&request), sizeof request,
                        reply.data(), static_cast<DWORD>(reply.size()), &returned, nullptr);
    CloseHandle(channel);
    return answered != FALSE;
}

void DriverHost::fetchLoop()
{
    std::vector<std::uint8_t> buffer(SIMHOST_FETCH_SIZE);
    while (running) {
        DWORD returned = 0;
        if (!overlappedControl(device, SIMHOST_IOCTL_FETCH, nullptr, 0, buffer.data(),
                               static_cast<DWORD>(buffer.size()), returned, stopEvent)) {
            if (running)
                Sleep(10); // not stopped: the kernel half refused once; try again
            continue;
        }
        Request request;
        if (returned < sizeof request.header)
            continue;
        std::memcpy(&request.header, buffer.data(), sizeof request.header);
        const std::size_t inputSize = std::min<std::size_t>(request.header.inputSize, returned - sizeof request.header);
        request.input.assign(buffer.begin() + sizeof request.header,
                             buffer.begin() + static_cast<std::ptrdiff_t>(sizeof request.header + inputSize));
        request.header.inputSize = static_cast<unsigned>(inputSize);
        handle(request);
    }
}

void DriverHost::handle(const Request& request)
{
    switch (request.header.kind) {
    case SIMHOST_KIND_CREATE:
        return open(request);
    case SIMHOST_KIND_CLOSE:
        return close(request);
    case SIMHOST_KIND_IOCTL:
        return control(request);
    case SIMHOST_KIND_ADMIN:
        return administer(request);
    default:
        return complete(link, request.header.id, ERROR_INVALID_FUNCTION, nullptr, 0);
    }
}

void DriverHost::open(const Request& request)
{
    const auto& header = request.header;
    const GUID interfaceClass = guidOf(header.interfaceClass);
    std::string path;
    if (header.target == SIMHOST_TARGET_UNIT)
        path = unitInterfacePath(header.unit, interfaceClass);
    else if (header.target == SIMHOST_TARGET_CONTROL)
        path = controlPath(interfaceClass);
    else
        return complete(link, header.id, ERROR_FILE_NOT_FOUND, nullptr, 0);
    const std::uint32_t processId = header.processId;
    std::uint64_t fileId = 0;
    const DWORD error = driver->openFileFor(clientName(processId), path, fileId,
                                            [processId](std::uint32_t event) { signalProgramEvent(processId, event); });
    {
        std::lock_guard<std::mutex> guard(filesMutex);
        if (error == ERROR_SUCCESS) {
            files[header.file] = fileId;
            refused.erase(header.file);
        } else {
            if (refused.size() >= kRememberedRefusals) // no close follows a refusal: forget the oldest now and then
                refused.clear();
            refused[header.file] = error;
        }
    }
    complete(link, header.id, error, nullptr, 0);
}

void DriverHost::close(const Request& request)
{
    std::uint64_t fileId = 0;
    {
        std::lock_guard<std::mutex> guard(filesMutex);
        const auto file = files.find(request.header.file);
        if (file == files.end())
            return;
        fileId = file->second;
        files.erase(file);
    }
    driver->closeFile(fileId);
}

void DriverHost::control(const Request& request)
{
    const auto& header = request.header;
    std::uint64_t fileId = 0;
    {
        std::lock_guard<std::mutex> guard(filesMutex);
        const auto file = files.find(header.file);
        if (file == files.end()) {
            // Under Wine the program holds a handle even when its create was
            // refused: its requests fail as the create did.
            const auto refusal = refused.find(header.file);
            return complete(link, header.id, refusal != refused.end() ? refusal->second : ERROR_INVALID_HANDLE, nullptr,
                            0);
        }
        fileId = file->second;
    }
    auto output =
        std::make_shared<std::vector<std::uint8_t>>(std::min<std::size_t>(header.outputSize, SIMHOST_MAX_OUTPUT));
    win32::IoResult result;
    const std::uint32_t id = header.id;
    const bool done = driver->deviceIoControl(
        fileId, header.code, request.input.data(), header.inputSize, output->data(), static_cast<DWORD>(output->size()),
        result, [weak = std::weak_ptr<Link>(link), id, output](const win32::IoResult& late) {
            if (const auto alive = weak.lock())
                complete(alive, id, late.error, output->data(), late.bytesReturned);
        });
    if (done)
        complete(link, id, result.error, output->data(), result.bytesReturned);
}

void DriverHost::administer(const Request& request)
{
    const auto& header = request.header;
    std::uint32_t arguments[2] = {0, 0};
    if (request.input.size() != sizeof arguments)
        return complete(link, header.id, ERROR_INVALID_PARAMETER, nullptr, 0);
    std::memcpy(arguments, request.input.data(), sizeof arguments);
    const auto reply = answerAdminRequest(*driver, header.code, arguments[0], arguments[1]);

    SIMHOST_ADMIN_REPLY fields{};
    fields.error = reply.error;
    fields.nextSequence = reply.nextSequence;
    const std::size_t room = header.outputSize > sizeof fields ? header.outputSize - sizeof fields : 0;
    fields.textSize = static_cast<unsigned>(std::min(reply.text.size(), room));
    std::vector<std::uint8_t> output(sizeof fields + fields.textSize);
    std::memcpy(output.data(), &fields, sizeof fields);
    std::memcpy(output.data() + sizeof fields, reply.text.data(), fields.textSize);
    complete(link, header.id, ERROR_SUCCESS, output.data(), static_cast<DWORD>(output.size()));
}

void DriverHost::complete(const std::shared_ptr<Link>& link, std::uint32_t id, DWORD error, const void* output,
                          DWORD bytes)
{
    std::vector<std::uint8_t> message(sizeof(SIMHOST_COMPLETION) + bytes);
    SIMHOST_COMPLETION completion{};
    completion.id = id;
    completion.error = error;
    completion.bytes = bytes;
    std::memcpy(message.data(), &completion, sizeof completion);
    if (bytes != 0)
        std::memcpy(message.data() + sizeof completion, output, bytes);
    // Held across the request, so that the handle cannot be closed under it.
    std::lock_guard<std::mutex> guard(link->mutex);
    if (link->device == INVALID_HANDLE_VALUE)
        return;
    DWORD returned = 0;
    overlappedControl(link->device, SIMHOST_IOCTL_COMPLETE, message.data(), static_cast<DWORD>(message.size()), nullptr,
                      0, returned);
}

void DriverHost::setUnitInterfaces(unsigned unit, bool enabled)
{
    SIMHOST_INTERFACE_STATE state{unit, enabled ? 1u : 0u};
    DWORD returned = 0;
    std::lock_guard<std::mutex> guard(link->mutex);
    if (link->device != INVALID_HANDLE_VALUE)
        overlappedControl(link->device, SIMHOST_IOCTL_INTERFACE, &state, sizeof state, nullptr, 0, returned);
}

// The program's file name without ".exe", as the log shows it.
std::string DriverHost::clientName(std::uint32_t processId)
{
    std::lock_guard<std::mutex> guard(filesMutex);
    if (const auto known = clientNames.find(processId); known != clientNames.end())
        return known->second;
    std::string name = "process " + std::to_string(processId);
    if (const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
        char path[MAX_PATH];
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameA(process, 0, path, &size)) {
            std::string full(path, size);
            name = full.substr(full.find_last_of("\\/") + 1);
            if (name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".exe") == 0)
                name.resize(name.size() - 4);
        }
        CloseHandle(process);
    }
    if (clientNames.size() >= 256) // process ids are reused: forget the oldest now and then
        clientNames.clear();
    clientNames.emplace(processId, name);
    return name;
}

} // namespace sim
