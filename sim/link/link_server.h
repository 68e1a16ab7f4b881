#pragma once

// The simulator's side of the simulator link: accepts the program's
// connection, collects the program's calls and sends it messages, so that a
// test (or a stand-in simulator) can play the simulator.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace platform {
class TcpListener;
class TcpStream;
}  // namespace platform

namespace sim {

// One program call, e.g. {"TransmitClientEvent", {"0","6","0","1","16"}}.
struct CallLine {
    std::string name;
    std::vector<std::string> fields;
};

// The simulator application's version, as its open acknowledgement gives it.
struct ApplicationVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t buildMajor = 0;
    std::uint32_t buildMinor = 0;
};

// Thread safety: every member may be called from any thread. One thread of
// its own accepts the program's connection and reads its call lines.
class LinkServer {
  public:
    // Null on failure; port 0 picks a free port.
    static std::unique_ptr<LinkServer> listen(const std::string& host = "127.0.0.1", int port = 0);

    ~LinkServer();  // stops and joins the reader thread, closes the connection
    LinkServer(const LinkServer&) = delete;
    LinkServer& operator=(const LinkServer&) = delete;

    int port() const;
    std::string address() const;         // "HOST:PORT", for CORVESSA_SIMULATOR
    bool waitForProgram(int timeoutMs);  // the program's connection accepted
    bool connected() const;

    // Calls received from the program, in order.
    std::vector<CallLine> calls() const;
    // The next call of that name not yet returned by waitForCall.
    std::optional<CallLine> waitForCall(std::string_view name, int timeoutMs);
    void clearCalls();
    // The calls received since the last takeCalls (or clearCalls), which
    // then no longer count as received: a simulator's way to consume them.
    std::vector<CallLine> takeCalls();

    // Messages to the program, one line each. sendLine sends its text as it
    // stands plus the line end, so a test can send a malformed line, or
    // several lines in one write; the others make their fields fit.
    void sendLine(std::string_view line);
    void sendOpen(std::string_view applicationName);
    // The open acknowledgement with the application's version and build.
    void sendOpen(std::string_view applicationName, const ApplicationVersion& version);
    void sendQuit();
    void sendException(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index);
    void sendEvent(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data);
    void sendSimObjectData(std::uint32_t requestId, std::uint32_t objectId, std::uint32_t defineId,
                           const std::vector<double>& values);
    void sendWeatherObservation(std::uint32_t requestId, std::string_view metar);
    void sendSystemState(std::uint32_t requestId, std::uint32_t integer, float value,
                         std::string_view text);
    void sendRecv(std::uint32_t id);
    void closeConnection();  // drop the program's connection

  private:
    LinkServer(std::string host, std::unique_ptr<platform::TcpListener> listener);
    void serve();
    bool acceptProgram();
    void readCalls();
    void addCallLines(const std::vector<std::string>& lines);

    const std::string host_;
    const int port_;
    std::unique_ptr<platform::TcpListener> listener_;

    mutable std::mutex mutex_;  // guards everything below but the stream's use
    std::condition_variable changed_;
    std::unique_ptr<platform::TcpStream> program_;  // lives until destruction
    bool connected_ = false;
    bool stopping_ = false;
    std::vector<CallLine> calls_;
    std::vector<bool> returned_;  // per call: already handed out by waitForCall

    std::mutex sendMutex_;  // one message line at a time
    std::thread reader_;
};

}  // namespace sim
