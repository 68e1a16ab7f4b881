#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/udp_socket.h"

namespace platform {

int startSocketLibrary() {
    return 0;
}

void cleanupSocketLibrary() {}

std::uint32_t ipv4Address(const char* dotted) {
    return inet_addr(dotted);
}

namespace {

sockaddr_in socketAddressOf(const UdpEndpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = endpoint.address;
    address.sin_port = htons(endpoint.port);
    return address;
}

}  // namespace

std::unique_ptr<UdpSocket> UdpSocket::open() {
    // Close-on-exec: programs the tests or the tools start must not hold the
    // relay's port.
    const int descriptor = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        return nullptr;
    }
    return std::make_unique<UdpSocket>(descriptor);
}

UdpSocket::UdpSocket(std::intptr_t descriptor) : descriptor_(descriptor) {}

UdpSocket::~UdpSocket() {
    ::close(static_cast<int>(descriptor_));
}

bool UdpSocket::bind(const UdpEndpoint& local) {
    const sockaddr_in address = socketAddressOf(local);
    return ::bind(static_cast<int>(descriptor_), reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) == 0;
}

int UdpSocket::localPort() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(static_cast<int>(descriptor_), reinterpret_cast<sockaddr*>(&address),
                      &length) != 0) {
        return -1;
    }
    return ntohs(address.sin_port);
}

WaitResult UdpSocket::waitUntilReadable(int timeoutMs) {
    // poll rather than select: select cannot watch a descriptor numbered
    // 1024 or above, which a busy process may well hand out.
    pollfd watched{};
    watched.fd = static_cast<int>(descriptor_);
    watched.events = POLLIN;
    const int ready = ::poll(&watched, 1, timeoutMs);
    if (ready < 0) {
        return WaitResult::Failed;
    }
    return ready == 0 ? WaitResult::TimedOut : WaitResult::Readable;
}

int UdpSocket::receiveFrom(void* buffer, std::size_t capacity, UdpEndpoint* sender) {
    sockaddr_in from{};
    socklen_t length = sizeof from;
    // POSIX cuts a longer datagram to the buffer and reports the bytes
    // stored, which is what callers expect.
    const ssize_t got = ::recvfrom(static_cast<int>(descriptor_), buffer, capacity, 0,
                                   reinterpret_cast<sockaddr*>(&from), &length);
    if (got < 0) {
        return -1;
    }
    if (sender != nullptr) {
        sender->address = from.sin_addr.s_addr;
        sender->port = ntohs(from.sin_port);
    }
    return static_cast<int>(got);
}

int UdpSocket::sendTo(const void* bytes, std::size_t size, const UdpEndpoint& destination) {
    const sockaddr_in address = socketAddressOf(destination);
    const ssize_t sent = ::sendto(static_cast<int>(descriptor_), bytes, size, 0,
                                  reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

std::uint32_t hostToNetwork32(std::uint32_t value) {
    return htonl(value);
}
std::uint32_t networkToHost32(std::uint32_t value) {
    return ntohl(value);
}
std::uint16_t hostToNetwork16(std::uint16_t value) {
    return htons(value);
}
std::uint16_t networkToHost16(std::uint16_t value) {
    return ntohs(value);
}

}  // namespace platform
