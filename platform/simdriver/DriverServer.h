// Serves one SimDriver to the programs of this machine on a Unix socket: a
// thread per connected program, each speaking the driver protocol. A client
// that sends garbage, an oversized or truncated message, or goes away in the
// middle of a request loses its own connection and nothing else; one that
// leaves a message half sent, or holds no files and stays silent, is closed
// after a while (Limits), so idle programs cannot lock the others out.
#pragma once

#include "SimDriver.h"

#include <atomic>
#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <sys/stat.h>

namespace sim {

struct ServerLimits
{
    std::size_t maxClients = 64; // further programs are refused as busy
    // A connection that holds no files and sends nothing for this long is
    // closed; its program connects again when it next needs the driver.
    std::chrono::milliseconds unusedConnection{10000};
    // A message left half sent for this long closes the connection.
    std::chrono::milliseconds halfSentMessage{5000};
};

class DriverServer
{
public:
    using Limits = ServerLimits;

    DriverServer(std::shared_ptr<SimDriver> driver, std::string socketPath, Limits limits = Limits());
    ~DriverServer();
    DriverServer(const DriverServer&) = delete;
    DriverServer& operator=(const DriverServer&) = delete;

    // Creates the socket's folder (0700) if missing and refuses one that is not
    // the user's own; takes the lock beside the socket, replaces a stale socket
    // (nothing that is not a socket), listens (0600) and starts accepting.
    // False with `error` set when another daemon holds the path, or the folder
    // or the socket cannot be used.
    bool start(std::string& error);

    // Disconnects every client, stops accepting and removes the socket.
    void stop();

    const std::string& path() const { return socketPath; }

    class Client;

private:
    bool takeLock(std::string& error);
    void releaseLock();
    bool clearStaleSocket(std::string& error);
    void refuseBusy(int fd) const;
    void acceptLoop();
    void reapFinishedClients();

    const std::shared_ptr<SimDriver> driver;
    const std::string socketPath;
    const Limits limits;
    int lockFile = -1;
    struct stat boundSocket
    {
    };
    int listener = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::thread acceptor;
    std::mutex clientsMutex;
    std::list<std::shared_ptr<Client>> clients;
    std::chrono::steady_clock::time_point nextTrim; // of the memory freed by clients gone
    bool running = false;
};

} // namespace sim
