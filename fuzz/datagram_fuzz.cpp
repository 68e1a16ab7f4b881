// Client datagrams as the relay's receive loop takes them. Each piece of the
// input is one datagram: a first byte that picks the sender (127.0.0.x),
// a second that gives its length, then its bytes. Replies go to loopback.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/fuzz_support.h"
#include "relay/server_socket.h"

namespace {

ServerSocket& relay() {
    static ServerSocket* const server = [] {
        RelayTimings timings;
        timings.holdAfterReplyMs = 0;
        return new ServerSocket(0, SimulatorCommands{nullptr, nullptr, nullptr}, timings);
    }();
    return *server;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::quietConsole();
    relay();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ServerSocket& server = relay();
    std::size_t at = 0;
    while (at + 2 <= size) {
        platform::UdpEndpoint sender;
        sender.address = platform::ipv4Address(("127.0.0." + std::to_string(data[at])).c_str());
        sender.port = 9;  // discard
        const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
        server.takeDatagram(data + at + 2, length, sender);
        at += 2 + length;
    }
    return 0;
}
