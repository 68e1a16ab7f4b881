// The stand-in client library: the twelve functions of the simulator's
// client interface, spoken over the simulator link's TCP line protocol
// (docs/simulator-link.md) to a simulator, or to a test playing one.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/tcp_socket.h"
#include "simlink/link_messages.h"
#include "simlink/link_outbox.h"
#include "simlink/link_text.h"
#include "simlink/link_wait.h"
#include "simlink/simconnect.h"
#include "simlink/simulator_location.h"

namespace {

constexpr const char* kSimulatorVariable = "CORVESSA_SIMULATOR";
constexpr std::string_view kDefaultSimulatorAddress = "127.0.0.1:1578";

// A simulator that has not answered the connection within 2 seconds is
// taken to be absent, as one that refuses it.
constexpr int kConnectTimeoutMs = 2000;

constexpr std::size_t kReceiveChunkBytes = 4096;

// One dispatch call hands over at most this much of what has arrived, so a
// simulator that floods the link cannot hold the main thread in one call;
// the rest waits for the next call, which follows at once.
constexpr std::size_t kMaxBytesPerDispatch = 256 * 1024;

// How much of an unreadable line the error report quotes.
constexpr int kQuotedLineBytes = 200;

// One connection to the simulator, what a handle points to.
//
// Thread safety: `mutex` guards the stream, the outbox, the assembler and
// `lost`, and makes each call's line one piece of the outbox, so the main
// thread and the relay's receive thread never tear each other's lines. No
// write waits while it is held: a simulator that stops reading fills the
// outbox until its limits give the link up. `quitDelivered`
// belongs to the dispatching thread; it is atomic only because a closed
// handle may be handed around. The stream is shared so that the wait for
// the next message can hold it without holding the mutex: a Close meanwhile
// shuts it down, which ends the wait, and the last holder frees it.
struct LinkConnection {
    std::mutex mutex;
    std::shared_ptr<platform::TcpStream> stream;  // null once closed
    simlink::LinkOutbox outbox;
    simlink::LineAssembler assembler;
    bool lost = false;  // the stream ended or was given up: nothing more will arrive
    std::atomic<bool> quitDelivered{false};
};

// Every connection opened in this process. They are kept, closed, until the
// process ends: a handle therefore always points at a live object, so a call
// on a closed handle finds it closed instead of touching freed memory, and no
// later connection can take over an old handle's address.
struct ConnectionRegistry {
    std::mutex mutex;
    std::vector<std::unique_ptr<LinkConnection>> connections;
};

ConnectionRegistry& registry() {
    // Never destroyed: a thread may still make a call while the process ends.
    static ConnectionRegistry* const instance = new ConnectionRegistry;
    return *instance;
}

// The connection a handle stands for; null for a null handle or any pointer
// this library did not hand out.
LinkConnection* findConnection(HANDLE handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    ConnectionRegistry& all = registry();
    std::lock_guard lock(all.mutex);
    for (const auto& connection : all.connections) {
        if (connection.get() == handle) {
            return connection.get();
        }
    }
    return nullptr;
}

HANDLE registerConnection(std::unique_ptr<LinkConnection> connection) {
    ConnectionRegistry& all = registry();
    std::lock_guard lock(all.mutex);
    all.connections.push_back(std::move(connection));
    return all.connections.back().get();
}

// "HOST:PORT" from the environment, or the default address.
bool simulatorAddress(std::string& host, int& port) {
    const char* configured = std::getenv(kSimulatorVariable);
    std::string_view address = (configured != nullptr && configured[0] != '\0')
                                   ? std::string_view(configured)
                                   : kDefaultSimulatorAddress;
    const std::size_t colon = address.rfind(':');
    std::uint32_t number = 0;
    if (colon == std::string_view::npos || colon == 0 ||
        !simlink::parseId(address.substr(colon + 1), number) || number == 0 || number > 65535) {
        return false;
    }
    host = std::string(address.substr(0, colon));
    port = static_cast<int>(number);
    return true;
}

std::string text(const char* value) {
    return simlink::fieldText(value != nullptr ? value : "");
}

std::string joinLine(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty()) {
            line += simlink::kFieldSeparator;
        }
        line += field;
    }
    line += simlink::kLineEnd;
    return line;
}

simlink::LinkOutbox::WriteSome writerOf(platform::TcpStream& stream) {
    return [&stream](std::string_view bytes) { return stream.sendSome(bytes); };
}

// The outbox gave the link up: from now on it counts as lost, and the next
// dispatch ends the program as when the simulator quits.
void giveUpLink(LinkConnection& connection) {
    if (!connection.lost) {
        std::fprintf(stderr,
                     "The simulator stopped reading what the program sends: the link is lost\n");
    }
    connection.lost = true;
}

// Queues one call's line and writes what the simulator takes now; S_OK
// unless the link is closed or lost.
HRESULT sendCall(HANDLE handle, std::initializer_list<std::string> fields) {
    LinkConnection* connection = findConnection(handle);
    if (connection == nullptr) {
        return E_FAIL_RESULT;
    }
    const std::string line = joinLine(fields);
    std::lock_guard lock(connection->mutex);
    if (connection->stream == nullptr) {
        return E_FAIL_RESULT;
    }
    if (!connection->outbox.send(line, writerOf(*connection->stream),
                                 simlink::LinkOutbox::Clock::now())) {
        giveUpLink(*connection);
        return E_FAIL_RESULT;
    }
    return S_OK_RESULT;
}

void reportUnreadableLine(std::string_view line) {
    std::fprintf(stderr, "Skipped an unreadable message from the simulator: %.*s\n",
                 static_cast<int>(std::min<std::size_t>(line.size(), kQuotedLineBytes)),
                 line.data());
}

// Moves the complete lines that have arrived to `lines`, without waiting.
// False when the connection is closed.
bool takeArrivedLines(LinkConnection& connection, std::vector<std::string>& lines, bool& lost) {
    std::lock_guard lock(connection.mutex);
    if (connection.stream == nullptr) {
        return false;
    }
    if (!connection.outbox.flush(writerOf(*connection.stream), simlink::LinkOutbox::Clock::now())) {
        giveUpLink(connection);
    }
    char buffer[kReceiveChunkBytes];
    std::size_t taken = 0;
    while (!connection.lost && taken < kMaxBytesPerDispatch) {
        const auto got = connection.stream->receive(buffer, sizeof buffer, 0);
        if (got.status == platform::ReceiveStatus::Received) {
            connection.assembler.append(std::string_view(buffer, got.size), lines);
            taken += got.size;
            continue;
        }
        if (got.status == platform::ReceiveStatus::Closed) {
            connection.lost = true;
            if (connection.assembler.hasPartialLine()) {
                std::fprintf(stderr,
                             "Skipped an unfinished message from the simulator at the end of "
                             "the connection\n");
                connection.assembler.clear();
            }
        }
        break;
    }
    for (std::size_t n = connection.assembler.takeOverlongCount(); n > 0; --n) {
        std::fprintf(stderr, "Skipped a message from the simulator longer than %zu bytes\n",
                     simlink::kMaxLineBytes);
    }
    lost = connection.lost;
    return true;
}

// What the wait for the next message watches: the stream, null when nothing
// more can arrive, and whether bytes wait in the outbox for the peer.
struct LinkToWaitOn {
    std::shared_ptr<platform::TcpStream> stream;
    bool unsentBytes = false;
};

LinkToWaitOn linkToWaitOn(LinkConnection& connection) {
    std::lock_guard lock(connection.mutex);
    if (connection.lost || connection.stream == nullptr) {
        return {};
    }
    return {connection.stream, connection.outbox.unsentBytes() > 0};
}

bool isOpen(LinkConnection& connection) {
    std::lock_guard lock(connection.mutex);
    return connection.stream != nullptr;
}

}  // namespace

extern "C" {

HRESULT SIMCONNECT_CALL SimConnect_Open(HANDLE* phSimConnect, const char* szName, HWND /*hWnd*/,
                                        DWORD /*UserEventWin32*/, HANDLE /*hEventHandle*/,
                                        DWORD ConfigIndex) {
    if (phSimConnect == nullptr) {
        return E_FAIL_RESULT;
    }
    *phSimConnect = nullptr;
    std::string host;
    int port = 0;
    if (!simulatorAddress(host, port)) {
        return E_FAIL_RESULT;
    }
    auto stream = platform::TcpStream::connect(host, port, kConnectTimeoutMs);
    if (stream == nullptr ||
        !stream->sendAll(joinLine({"Open", text(szName), simlink::formatId(ConfigIndex)}))) {
        return E_FAIL_RESULT;
    }
    auto connection = std::make_unique<LinkConnection>();
    connection->stream = std::move(stream);
    *phSimConnect = registerConnection(std::move(connection));
    return S_OK_RESULT;
}

HRESULT SIMCONNECT_CALL SimConnect_Close(HANDLE hSimConnect) {
    LinkConnection* connection = findConnection(hSimConnect);
    if (connection == nullptr) {
        return E_FAIL_RESULT;
    }
    std::lock_guard lock(connection->mutex);
    if (connection->stream == nullptr) {
        return E_FAIL_RESULT;
    }
    // Said if the simulator takes it now: a simulator that stopped reading
    // must not keep the program from ending.
    connection->outbox.send(joinLine({"Close"}), writerOf(*connection->stream),
                            simlink::LinkOutbox::Clock::now());
    // Bytes left unread would make the system reset the stream rather than
    // end it, and the simulator could lose the Close line.
    char discard[kReceiveChunkBytes];
    while (connection->stream->receive(discard, sizeof discard, 0).status ==
           platform::ReceiveStatus::Received) {
    }
    connection->stream->shutdown();
    connection->stream.reset();
    connection->assembler.clear();
    return S_OK_RESULT;
}

HRESULT SIMCONNECT_CALL SimConnect_CallDispatch(HANDLE hSimConnect, DispatchProc pfcnDispatch,
                                                void* pContext) {
    LinkConnection* connection = findConnection(hSimConnect);
    if (connection == nullptr || pfcnDispatch == nullptr) {
        return E_FAIL_RESULT;
    }
    std::vector<std::string> lines;
    bool lost = false;
    if (!takeArrivedLines(*connection, lines, lost)) {
        return E_FAIL_RESULT;
    }
    for (const std::string& line : lines) {
        if (!isOpen(*connection)) {
            return S_OK_RESULT;  // the dispatch procedure closed the connection
        }
        simlink::ReceivedMessage message;
        if (!simlink::decodeMessageLine(line, message)) {
            reportUnreadableLine(line);
            continue;
        }
        if (message.header()->dwID == SIMCONNECT_RECV_ID_QUIT) {
            connection->quitDelivered = true;
        }
        pfcnDispatch(message.header(), message.size, pContext);
    }
    if (lost && isOpen(*connection)) {
        // The program ends on QUIT; a simulator that vanished must end it too.
        if (connection->quitDelivered.exchange(true)) {
            return lines.empty() ? E_FAIL_RESULT : S_OK_RESULT;
        }
        simlink::ReceivedMessage quit = simlink::quitMessage();
        pfcnDispatch(quit.header(), quit.size, pContext);
    }
    return S_OK_RESULT;
}

HRESULT SIMCONNECT_CALL SimConnect_AddToDataDefinition(HANDLE hSimConnect,
                                                       SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                                       const char* DatumName, const char* UnitsName,
                                                       DWORD DatumType, float fEpsilon,
                                                       DWORD DatumID) {
    using namespace simlink;
    return sendCall(hSimConnect,
                    {"AddToDataDefinition", formatId(DefineID), text(DatumName), text(UnitsName),
                     formatId(DatumType), formatFloat(fEpsilon), formatId(DatumID)});
}

HRESULT SIMCONNECT_CALL SimConnect_SubscribeToSystemEvent(HANDLE hSimConnect,
                                                          SIMCONNECT_CLIENT_EVENT_ID EventID,
                                                          const char* SystemEventName) {
    return sendCall(hSimConnect,
                    {"SubscribeToSystemEvent", simlink::formatId(EventID), text(SystemEventName)});
}

HRESULT SIMCONNECT_CALL SimConnect_RequestSystemState(HANDLE hSimConnect,
                                                      SIMCONNECT_DATA_REQUEST_ID RequestID,
                                                      const char* szState) {
    return sendCall(hSimConnect,
                    {"RequestSystemState", simlink::formatId(RequestID), text(szState)});
}

HRESULT SIMCONNECT_CALL SimConnect_RequestDataOnSimObject(HANDLE hSimConnect,
                                                          SIMCONNECT_DATA_REQUEST_ID RequestID,
                                                          SIMCONNECT_DATA_DEFINITION_ID DefineID,
                                                          SIMCONNECT_OBJECT_ID ObjectID,
                                                          DWORD Period, DWORD Flags, DWORD origin,
                                                          DWORD interval, DWORD limit) {
    using namespace simlink;
    return sendCall(hSimConnect, {"RequestDataOnSimObject", formatId(RequestID), formatId(DefineID),
                                  formatId(ObjectID), formatId(Period), formatId(Flags),
                                  formatId(origin), formatId(interval), formatId(limit)});
}

HRESULT SIMCONNECT_CALL SimConnect_MapClientEventToSimEvent(HANDLE hSimConnect,
                                                            SIMCONNECT_CLIENT_EVENT_ID EventID,
                                                            const char* EventName) {
    return sendCall(hSimConnect,
                    {"MapClientEventToSimEvent", simlink::formatId(EventID), text(EventName)});
}

HRESULT SIMCONNECT_CALL SimConnect_AddClientEventToNotificationGroup(
    HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID,
    SIMCONNECT_CLIENT_EVENT_ID EventID, int bMaskable) {
    using namespace simlink;
    return sendCall(hSimConnect, {"AddClientEventToNotificationGroup", formatId(GroupID),
                                  formatId(EventID), bMaskable != 0 ? "1" : "0"});
}

HRESULT SIMCONNECT_CALL SimConnect_SetNotificationGroupPriority(
    HANDLE hSimConnect, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, DWORD uPriority) {
    using namespace simlink;
    return sendCall(hSimConnect,
                    {"SetNotificationGroupPriority", formatId(GroupID), formatId(uPriority)});
}

HRESULT SIMCONNECT_CALL SimConnect_TransmitClientEvent(
    HANDLE hSimConnect, SIMCONNECT_OBJECT_ID ObjectID, SIMCONNECT_CLIENT_EVENT_ID EventID,
    DWORD dwData, SIMCONNECT_NOTIFICATION_GROUP_ID GroupID, DWORD Flags) {
    using namespace simlink;
    return sendCall(hSimConnect, {"TransmitClientEvent", formatId(ObjectID), formatId(EventID),
                                  formatId(dwData), formatId(GroupID), formatId(Flags)});
}

HRESULT SIMCONNECT_CALL SimConnect_WeatherRequestInterpolatedObservation(
    HANDLE hSimConnect, SIMCONNECT_DATA_REQUEST_ID RequestID, float lat, float lon, float alt) {
    using namespace simlink;
    return sendCall(hSimConnect, {"WeatherRequestInterpolatedObservation", formatId(RequestID),
                                  formatFloat(lat), formatFloat(lon), formatFloat(alt)});
}

}  // extern "C"

void waitForLinkMessage(HANDLE handle, int timeoutMs) {
    LinkConnection* connection = findConnection(handle);
    const LinkToWaitOn link = connection != nullptr ? linkToWaitOn(*connection) : LinkToWaitOn{};
    if (link.stream == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return;
    }
    // Without the connection's mutex: the relay's thread may send calls
    // meanwhile. Only a dispatch call flushes the outbox, so while bytes wait
    // there the wait also ends as soon as the peer can take some; a peer that
    // takes none leaves the loop asleep rather than spinning.
    if (link.unsentBytes) {
        link.stream->waitUntilReadableOrWritable(timeoutMs);
    } else {
        link.stream->waitUntilReadable(timeoutMs);
    }
}

std::string simulatorLocation() {
    const char* configured = std::getenv(kSimulatorVariable);
    if (configured == nullptr || configured[0] == '\0') {
        return "at " + std::string(kDefaultSimulatorAddress) + " (the default; " +
               kSimulatorVariable + " names another HOST:PORT)";
    }
    std::string host;
    int port = 0;
    if (!simulatorAddress(host, port)) {
        return std::string("anywhere: ") + kSimulatorVariable + " holds \"" + configured +
               "\", which is no HOST:PORT address";
    }
    return "at " + std::string(configured) + " (" + kSimulatorVariable + ")";
}
