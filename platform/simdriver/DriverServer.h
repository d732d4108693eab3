// Serves one SimDriver to the programs of this machine on a Unix socket: a
// thread per connected program, each speaking the driver protocol. A client
// that sends garbage, an oversized or truncated message, or goes away in the
// middle of a request loses its own connection and nothing else.
#pragma once

#include "SimDriver.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sim {

class DriverServer {
public:
    DriverServer(std::shared_ptr<SimDriver> driver, std::string socketPath);
    ~DriverServer();
    DriverServer(const DriverServer&) = delete;
    DriverServer& operator=(const DriverServer&) = delete;

    // Creates the socket's folder (0700) if missing, replaces a stale socket,
    // listens (0600) and starts accepting. False with `error` set when another
    // daemon answers at the path or the socket cannot be made.
    bool start(std::string& error);

    // Disconnects every client, stops accepting and removes the socket.
    void stop();

    const std::string& path() const { return socketPath; }

    class Client;

private:
    void acceptLoop();
    void reapFinishedClients();

    const std::shared_ptr<SimDriver> driver;
    const std::string socketPath;
    int listener = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::thread acceptor;
    std::mutex clientsMutex;
    std::list<std::shared_ptr<Client>> clients;
    bool running = false;
};

} // namespace sim
