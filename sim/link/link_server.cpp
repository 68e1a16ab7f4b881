#include "sim/link/link_server.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "platform/tcp_socket.h"
#include "simlink/link_text.h"

namespace sim {
namespace {

// How long the reader thread waits for the network before it looks at the
// stop flag again; it bounds how long destruction waits for the thread.
constexpr int kPollIntervalMs = 20;

constexpr std::size_t kReceiveChunkBytes = 4096;

CallLine parseCallLine(std::string_view line) {
    const std::vector<std::string_view> fields = simlink::splitFields(line);
    CallLine call;
    call.name = std::string(fields[0]);
    for (std::size_t i = 1; i < fields.size(); ++i) {
        call.fields.emplace_back(fields[i]);
    }
    return call;
}

std::string joinFields(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty()) {
            line += simlink::kFieldSeparator;
        }
        line += field;
    }
    return line;
}

}  // namespace

std::unique_ptr<LinkServer> LinkServer::listen(const std::string& host, int port) {
    auto listener = platform::TcpListener::listen(host, port);
    if (listener == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<LinkServer>(new LinkServer(host, std::move(listener)));
}

LinkServer::LinkServer(std::string host, std::unique_ptr<platform::TcpListener> listener)
    : host_(std::move(host)), port_(listener->port()), listener_(std::move(listener)) {
    reader_ = std::thread([this] { serve(); });
}

LinkServer::~LinkServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    reader_.join();
}

int LinkServer::port() const {
    return port_;
}

std::string LinkServer::address() const {
    return host_ + ":" + std::to_string(port_);
}

bool LinkServer::waitForProgram(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return program_ != nullptr; });
}

bool LinkServer::connected() const {
    std::lock_guard lock(mutex_);
    return connected_;
}

std::vector<CallLine> LinkServer::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::optional<CallLine> LinkServer::waitForCall(std::string_view name, int timeoutMs) {
    std::unique_lock lock(mutex_);
    std::size_t found = 0;
    const auto nextOfName = [&] {
        for (found = 0; found < calls_.size(); ++found) {
            if (!returned_[found] && calls_[found].name == name) {
                return true;
            }
        }
        return false;
    };
    if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), nextOfName)) {
        return std::nullopt;
    }
    returned_[found] = true;
    return calls_[found];
}

std::vector<CallLine> LinkServer::takeCalls() {
    std::lock_guard lock(mutex_);
    std::vector<CallLine> taken;
    taken.swap(calls_);
    returned_.clear();
    return taken;
}

void LinkServer::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
    returned_.clear();
}

void LinkServer::sendLine(std::string_view line) {
    platform::TcpStream* stream = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!connected_) {
            return;
        }
        stream = program_.get();  // lives until destruction
    }
    std::string bytes(line);
    bytes += simlink::kLineEnd;
    std::lock_guard sending(sendMutex_);
    stream->sendAll(bytes);
}

void LinkServer::sendOpen(std::string_view applicationName) {
    sendLine(joinFields({"OPEN", simlink::fieldText(applicationName)}));
}

void LinkServer::sendOpen(std::string_view applicationName, const ApplicationVersion& version) {
    using simlink::formatId;
    sendLine(joinFields({"OPEN", simlink::fieldText(applicationName), formatId(version.major),
                         formatId(version.minor), formatId(version.buildMajor),
                         formatId(version.buildMinor)}));
}

void LinkServer::sendQuit() {
    sendLine("QUIT");
}

void LinkServer::sendException(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index) {
    using simlink::formatId;
    sendLine(joinFields({"EXCEPTION", formatId(exception), formatId(sendId), formatId(index)}));
}

void LinkServer::sendEvent(std::uint32_t groupId, std::uint32_t eventId, std::uint32_t data) {
    using simlink::formatId;
    sendLine(joinFields({"EVENT", formatId(groupId), formatId(eventId), formatId(data)}));
}

void LinkServer::sendSimObjectData(std::uint32_t requestId, std::uint32_t objectId,
                                   std::uint32_t defineId, const std::vector<double>& values) {
    using simlink::formatId;
    std::string line =
        joinFields({"SIMOBJECT_DATA", formatId(requestId), formatId(objectId), formatId(defineId)});
    for (const double value : values) {
        line += simlink::kFieldSeparator;
        line += simlink::formatDouble(value);
    }
    sendLine(line);
}

void LinkServer::sendWeatherObservation(std::uint32_t requestId, std::string_view metar) {
    sendLine(joinFields(
        {"WEATHER_OBSERVATION", simlink::formatId(requestId), simlink::fieldText(metar)}));
}

void LinkServer::sendSystemState(std::uint32_t requestId, std::uint32_t integer, float value,
                                 std::string_view text) {
    using simlink::formatId;
    sendLine(joinFields({"SYSTEM_STATE", formatId(requestId), formatId(integer),
                         simlink::formatFloat(value), simlink::fieldText(text)}));
}

void LinkServer::sendRecv(std::uint32_t id) {
    sendLine(joinFields({"RECV", simlink::formatId(id)}));
}

void LinkServer::closeConnection() {
    platform::TcpStream* stream = nullptr;
    {
        std::lock_guard lock(mutex_);
        connected_ = false;
        stream = program_.get();
    }
    if (stream != nullptr) {
        stream->shutdown();  // the reader sees the end and the program loses the link
    }
    changed_.notify_all();
}

void LinkServer::serve() {
    if (acceptProgram()) {
        readCalls();
    }
}

bool LinkServer::acceptProgram() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return false;
            }
        }
        auto stream = listener_->accept(kPollIntervalMs);
        if (stream != nullptr) {
            {
                std::lock_guard lock(mutex_);
                program_ = std::move(stream);
                connected_ = true;
            }
            changed_.notify_all();
            return true;
        }
    }
}

void LinkServer::readCalls() {
    platform::TcpStream* stream = nullptr;
    {
        std::lock_guard lock(mutex_);
        stream = program_.get();
    }
    simlink::LineAssembler assembler;
    char buffer[kReceiveChunkBytes];
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
        }
        const auto got = stream->receive(buffer, sizeof buffer, kPollIntervalMs);
        if (got.status == platform::ReceiveStatus::Received) {
            std::vector<std::string> lines;
            assembler.append(std::string_view(buffer, got.size), lines);
            if (assembler.takeOverlongCount() > 0) {
                std::fprintf(stderr, "LinkServer: skipped an overlong call line\n");
            }
            addCallLines(lines);
        } else if (got.status == platform::ReceiveStatus::Closed) {
            {
                std::lock_guard lock(mutex_);
                connected_ = false;
            }
            changed_.notify_all();
            return;
        }
    }
}

void LinkServer::addCallLines(const std::vector<std::string>& lines) {
    if (lines.empty()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        for (const std::string& line : lines) {
            calls_.push_back(parseCallLine(line));
            returned_.push_back(false);
        }
    }
    changed_.notify_all();
}

}  // namespace sim
