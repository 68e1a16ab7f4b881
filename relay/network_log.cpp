// The network log, "network.log": every datagram in and every message
// offered to the clients, each record flushed as soon as it is written.
// docs/network-log.md describes the records.
#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>

#include "platform/regular_file.h"
#include "relay/server_socket.h"

namespace {

constexpr char kLogFileName[] = "network.log";
constexpr char kIncomingRecordType = 1;
constexpr char kOutgoingRecordType = 2;

}  // namespace

void ServerSocket::enableNetworkLog(int enable) {
    logEnabled = enable;
    if (!enable) {
        return;
    }
    std::lock_guard<std::mutex> lock(logMutex);
    if (logStream.is_open()) {
        return;
    }
    if (platform::isSpecialFile(kLogFileName)) {
        // A FIFO would hold start-up until someone read it, a device would
        // swallow the records: only a file is a log. (A folder fails to
        // open, with the system's reason.)
        std::cerr << kLogFileName << " is not a regular file";
        logEnabled = 0;
        return;
    }
    try {
        logStream.open(kLogFileName, std::ios::out | std::ios::trunc | std::ios::binary);
        // Once open, a failing write must not raise inside the relay's
        // threads: the stream keeps its failed state and later records are lost.
        logStream.exceptions(std::ios::goodbit);
    } catch (const std::exception&) {
        const int reason = errno;
        std::cerr << std::strerror(reason);
        // Without a file there is nothing to log to.
        logEnabled = 0;
    }
}

void ServerSocket::logIncoming(const std::uint8_t* bytes) {
    std::lock_guard<std::mutex> lock(logMutex);
    logStream.put(kIncomingRecordType);
    logStream.write(reinterpret_cast<const char*>(bytes), kIncomingMessageSize);
    logStream.flush();
}

void ServerSocket::logOutgoing(const outgoingMessage* msg, std::uint8_t sent) {
    std::lock_guard<std::mutex> lock(logMutex);
    logStream.put(kOutgoingRecordType);
    // The low 32 bits of the time, little-endian whatever the host's order.
    const auto seconds = static_cast<std::uint32_t>(timings_.clock());
    for (int shift = 0; shift < 32; shift += 8) {
        logStream.put(static_cast<char>((seconds >> shift) & 0xFF));
    }
    logStream.write(reinterpret_cast<const char*>(msg), kOutgoingMessageSize);
    logStream.flush();
    logStream.put(static_cast<char>(sent));
    logStream.flush();
}
