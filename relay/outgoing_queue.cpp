// The outgoing queue and the sender thread: everything sent to all clients
// passes through here, first in, first out.
#include <cstring>
#include <vector>

#include "relay/server_socket.h"

void ServerSocket::sendToClients(outgoingMessage* msg) {
    MessagePointer message(msg);
    if (message == nullptr) {
        return;
    }
    if (queueMessage(std::move(message))) {
        // Raised once the registry is free: a sender woken while it is
        // still held would only wake to wait for it.
        queueSignal.raise();
    }
}

bool ServerSocket::queueMessage(MessagePointer message) {
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    telemetryStarted = 1;
    if (!clients.empty()) {
        // The record is logged before the sender can take it, so the log
        // holds the message in host byte order.
        outgoingMessage* queued = message.get();
        outgoing.push_back(std::move(message));
        if (logEnabled) {
            logOutgoing(queued, 1);
        }
        return true;
    }
    if (logEnabled) {
        logOutgoing(message.get(), 0);
    }
    // Nobody is left to send to: whatever still waits is dropped too.
    outgoing.clear();
    return false;
}

void ServerSocket::sendReset() {
    sendToClients(new outgoingMessage(makeNotice(kResetNotice)));
}

ServerSocket::MessagePointer ServerSocket::popMessage() {
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    if (outgoing.empty()) {
        return nullptr;
    }
    MessagePointer front = std::move(outgoing.front());
    outgoing.pop_front();
    return front;
}

namespace {

// The thirteen integers of a message in network byte order, in place. Only
// the sender can reach the message by then, so no lock is needed.
void toNetworkByteOrder(outgoingMessage& message) {
    auto* bytes = reinterpret_cast<unsigned char*>(&message);
    for (std::size_t i = 0; i < kOutgoingIntegerCount; ++i) {
        unsigned char* field = bytes + kOutgoingIntegersOffset + 4 * i;
        std::uint32_t value = 0;
        std::memcpy(&value, field, sizeof value);
        value = platform::hostToNetwork32(value);
        std::memcpy(field, &value, sizeof value);
    }
}

}  // namespace

void ServerSocket::sendToEveryClient(const outgoingMessage& wireMessage) {
    // The recipients are the clients registered now; the sends themselves
    // run outside the lock, so that handing a record over never waits for
    // the network.
    recipients_.clear();
    {
        std::lock_guard<std::recursive_mutex> lock(registryMutex);
        for (const auto& [key, client] : clients) {
            const auto registering = pending_.find(key);
            if (registering == pending_.end()) {
                recipients_.push_back(client->address);
                continue;
            }
            // A registering client sees only its reply until its hold ends;
            // then it gets what it missed.
            auto& missed = registering->second.missed;
            if (missed.size() == kMaxMissedMessages) {
                missed.pop_front();
            }
            std::memcpy(missed.emplace_back().data(), &wireMessage, kOutgoingMessageSize);
        }
    }
    for (const platform::UdpEndpoint& address : recipients_) {
        // A failed send leaves the client registered; the next one is served.
        sock->sendTo(&wireMessage, kOutgoingMessageSize, address);
    }
}

int ServerSocket::sendLoop() {
    while (running) {
        queueSignal.wait();
        // One wake may stand for several messages (the signal holds only
        // one), so everything waiting goes out now, oldest first.
        while (MessagePointer message = popMessage()) {
            toNetworkByteOrder(*message);
            sendToEveryClient(*message);
        }
    }
    return 1;
}
