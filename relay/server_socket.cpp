// Set-up and tear-down of the relay: the socket, the threads and shutdown.
#include "relay/server_socket.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>

#include "platform/console.h"
#include "platform/sleep.h"
#include "platform/system_error.h"

namespace {

// Exit statuses of the set-up failures, one per failing step, so that a
// script can tell them apart.
constexpr int kExitSocketLibrary = 10;
constexpr int kExitSocketCreation = 11;
constexpr int kExitBind = 14;

// UDP ports have 16 bits; a larger number binds its low 16 bits.
constexpr int kPortMask = 0xFFFF;

// A set-up failure ends the process: the message goes to the error stream,
// the console waits for a key so that the user can read it, and the socket
// library is released.
[[noreturn]] void endSetUp(int exitCode) {
    platform::waitForKeyPress();
    platform::cleanupSocketLibrary();
    std::exit(exitCode);
}

}  // namespace

std::int64_t systemClockSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

long clientKey(const platform::UdpEndpoint& address) {
    return static_cast<long>(static_cast<std::int32_t>(address.address));
}

ServerSocket::ServerSocket(int port, SimulatorCommands commands, RelayTimings timings)
    : port(port), commands_(commands), timings_(timings) {
    // A failed open of the log raises, so that enableNetworkLog can report
    // the system's reason.
    logStream.exceptions(std::ios::failbit);

    if (platform::startSocketLibrary() != 0) {
        std::cerr << "Socket Initialization: Error with WSAStartup\n";
        endSetUp(kExitSocketLibrary);
    }
    sock = platform::UdpSocket::open();
    if (sock == nullptr) {
        std::cerr << "Socket Initialization: Error creating socket" << std::endl;
        endSetUp(kExitSocketCreation);
    }
    serverAddr.address = platform::ipv4Address("0.0.0.0");
    serverAddr.port = static_cast<std::uint16_t>(port & kPortMask);
    if (!sock->bind(serverAddr)) {
        const std::string reason = platform::lastSocketErrorText();
        std::cerr << "ServerSocket: Failed to connect\n";
        // The line above is the one scripts know; this one says what to mend.
        std::cerr << "UDP port " << serverAddr.port << " cannot be bound: " << reason << "\n";
        endSetUp(kExitBind);
    }
}

ServerSocket::~ServerSocket() {
    running = 0;
    destroying_ = true;
    // The sender empties the queue once more and ends; the reaper and the
    // receive loop wake from their sleeps.
    queueSignal.raise();
    reaperWake_.raise();
    wakeReceiveLoop();
    for (std::thread* worker : {&receiveThread_, &sendThread_, &reapThread_}) {
        if (worker->joinable()) {
            worker->join();
        }
    }
    sock.reset();
    platform::cleanupSocketLibrary();
}

int ServerSocket::boundPort() const {
    return sock->localPort();
}

void ServerSocket::startReceiveThread() {
    receiveThread_ = std::thread([this] { receiveLoop(); });
}

void ServerSocket::startSendThread() {
    sendThread_ = std::thread([this] { sendLoop(); });
}

void ServerSocket::startReapThread() {
    reapThread_ = std::thread([this] { reapLoop(); });
}

void ServerSocket::wakeReceiveLoop() {
    // An empty datagram to the relay's own port: it ends the receive loop's
    // wait, and is no message of any kind, should it ever be read as one.
    platform::UdpEndpoint self;
    self.address = platform::ipv4Address("127.0.0.1");
    self.port = static_cast<std::uint16_t>(sock->localPort());
    const char nothing = 0;
    sock->sendTo(&nothing, 0, self);
}

void ServerSocket::shutdown() {
    running = 0;
    wakeReceiveLoop();
    platform::sleepMilliseconds(timings_.shutdownSleepMs);
    std::printf("Shutting down");
}

std::size_t ServerSocket::clientCount() const {
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    return clients.size();
}
