#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "monitor/outgoing_message.h"
#include "platform/udp_socket.h"
#include "relay/pending_registration.h"
#include "relay/wake_signal.h"
#include "relay/wire_protocol.h"

// The simulator events that clients may cause. The program passes the
// simulator link's senders; tests pass recording fakes.
struct SimulatorCommands {
    void (*pauseToggle)();
    void (*spoilersToggle)();
    void (*pauseOff)();
    // Whether the clients were last told the simulator is paused; without it
    // they are taken to have been told nothing.
    bool (*pauseShownToClients)() = nullptr;
};

// Seconds since 1970-01-01 00:00 UTC.
using RelayClock = std::int64_t (*)();
std::int64_t systemClockSeconds();

// Every duration the relay observes. The defaults are the program's values,
// which clients rely on; tests shorten them.
struct RelayTimings {
    // A registering client is sent the route only after this pause, given in
    // steps, so that it has had time to start listening for it.
    int routeDelayStepMs = 500;
    int routeDelaySteps = 4;
    // After its registration reply nothing else goes to the registering
    // client for this long; the others are served meanwhile.
    int holdAfterReplyMs = 2000;
    // A relay that receives nothing at all for this long drops every client.
    int selectTimeoutMs = 5000;
    // How often the reaper looks for clients gone quiet, and how quiet is too quiet.
    int reapPeriodMs = 1000;
    float inactivityLimitSeconds = 10.0f;
    // shutdown gives the receive loop and the sender this long to notice.
    int shutdownSleepMs = 1000;
    // Registration and heartbeat times, the reaper's clock and the log's time stamps.
    RelayClock clock = systemClockSeconds;
};

// One registered client.
struct clientInfo {
    platform::UdpEndpoint
        address;                 // where its add_entry came from; every datagram to it goes there
    std::int32_t heartBeat = 0;  // the last accepted heartbeat number; 0 at registration
    std::int64_t lastSeen = 0;   // clock at registration and at every accepted heartbeat
};

// The registry key of a client: its IPv4 address value exactly as it lies in
// the socket address (network-order bytes read as one host integer), taken
// as a signed 32-bit number so that the registry's order is the same on
// every platform. The UDP port is not part of it.
long clientKey(const platform::UdpEndpoint& address);

// The process's one UDP relay server: the client registry, the outgoing
// queue and its sender thread, the receive loop, the reaper and the network
// log. Construction failures end the process (exit codes 10, 11, 14).
//
// Thread safety: sendToClients, sendReset, shutdown, clientCount,
// pendingRegistrationCount and boundPort may be called from any thread. enableNetworkLog and the
// thread starters belong to the constructing thread, before any traffic. The registry, the pending
// registrations, the queue and telemetryStarted are guarded by registryMutex (re-entrant), which
// nobody holds for longer than one pass over the registry: no thread sleeps or waits while holding
// it. The log is guarded by logMutex, always taken after registryMutex. Destruction (tests only)
// stops and joins every thread it started.
class ServerSocket {
  public:
    ServerSocket(int port, SimulatorCommands commands, RelayTimings timings = {});
    ~ServerSocket();
    ServerSocket(const ServerSocket&) = delete;
    ServerSocket& operator=(const ServerSocket&) = delete;

    // The UDP port actually bound (the constructor's port may be 0 or above 65535).
    int boundPort() const;

    // Started once each, in the order receive, send, reap.
    void startReceiveThread();
    void startSendThread();
    void startReapThread();

    // Clears `running`, waits a little for the loops to notice, and prints
    // "Shutting down". The reaper keeps running; nothing is closed.
    void shutdown();

    // Takes ownership of `msg` (made with `new outgoingMessage{}`): queues it
    // for every registered client, or frees it when there is none.
    void sendToClients(outgoingMessage* msg);
    // Queues a "RESET" notice.
    void sendReset();

    // With a nonzero `enable`, records the traffic in "network.log" in the
    // current directory (docs/network-log.md). Before the threads start.
    void enableNetworkLog(int enable);

    // Handles one datagram of `size` bytes from `sender` as the receive loop
    // does: logged when logging is on, then acted on by its kind; bytes past
    // the 24 of a client datagram are not read. The receive thread's own
    // step, public for fuzzing a relay whose threads are not started.
    void takeDatagram(const void* bytes, std::size_t size, const platform::UdpEndpoint& sender);

    // How many clients are registered.
    std::size_t clientCount() const;
    // How many registrations still have their reply or their hold to come.
    std::size_t pendingRegistrationCount() const;

  private:
    // The datagram benchmark calls the handler without the receive loop.
    friend struct RelayBenchAccess;

    using MessagePointer = std::unique_ptr<outgoingMessage>;

    // Sender (outgoing_queue.cpp).
    bool queueMessage(MessagePointer message);  // true when queued for the sender
    MessagePointer popMessage();
    int sendLoop();
    void sendToEveryClient(const outgoingMessage& wireMessage);

    // Receive loop and registry (receive_loop.cpp).
    enum class Wake { Datagram, Silence, Deadline, Stopped };
    int receiveLoop();
    Wake waitForDatagram();
    void wakeReceiveLoop();
    void handleDatagram(const incomingMessage& incoming, int size,
                        const platform::UdpEndpoint& sender);
    void purgeClients();
    void forgetClient(long key);
    void endPauseForRegistration();
    void handleEndFlow(const platform::UdpEndpoint& sender);
    void handleHeartbeat(const incomingMessage& incoming, const platform::UdpEndpoint& sender);
    void handleCommand(const incomingMessage& incoming);

    // Registrations and their deadlines (registration.cpp).
    void registerClient(const platform::UdpEndpoint& sender);
    void startReply(long key, const clientInfo& client);
    void sendRoute(const clientInfo& client);
    void keepRegistrationDeadlines();
    std::optional<PendingRegistration::Clock::time_point> nextRegistrationDeadline() const;
    void extendSilence(PendingRegistration::Clock::time_point from);
    void reportIgnoredRegistration(long key);

    // Reaper (client_reaper.cpp).
    int reapLoop();
    void reapQuietClients(std::int64_t now);

    // Network log (network_log.cpp).
    void logIncoming(const std::uint8_t* bytes);
    void logOutgoing(const outgoingMessage* msg, std::uint8_t sent);

    char telemetryStarted = 0;  // set by every sendToClients, never cleared
    std::atomic<int> running{1};
    int port;
    std::ofstream logStream;
    std::deque<MessagePointer> outgoing;
    std::unique_ptr<platform::UdpSocket> sock;
    platform::UdpEndpoint serverAddr;
    std::map<long, std::unique_ptr<clientInfo>> clients;
    // The sender's list of where the message in hand goes (sender thread only).
    std::vector<platform::UdpEndpoint> recipients_;
    // Registrations still running, by client key; each one's client is in `clients`.
    std::map<long, PendingRegistration> pending_;
    // The receive loop drops every client when nothing arrives until then
    // (receive thread only).
    PendingRegistration::Clock::time_point silentUntil_;
    // Ignored registrations are reported at most once a second, so that a
    // storm of them cannot flood the console (receive thread only).
    PendingRegistration::Clock::time_point ignoredReportedAt_;
    long ignoredSinceReport_ = 0;
    std::mutex logMutex;
    mutable std::recursive_mutex registryMutex;
    WakeSignal queueSignal;
    std::atomic<int> logEnabled{0};

    SimulatorCommands commands_;
    RelayTimings timings_;
    // Set only by the destructor: ends the reaper and cuts the receive loop's waits short.
    std::atomic<bool> destroying_{false};
    WakeSignal reaperWake_;
    std::thread receiveThread_;
    std::thread sendThread_;
    std::thread reapThread_;
};
