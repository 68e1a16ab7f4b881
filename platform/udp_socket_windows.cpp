#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/socket_library_windows.h"
#include "platform/udp_socket.h"

namespace platform {

std::uint32_t ipv4Address(const char* dotted) {
    return inet_addr(dotted);
}

namespace {

// The control code that switches the report off; mingw's headers lack it.
constexpr DWORD kUdpConnectionReset = _WSAIOW(IOC_VENDOR, 12);  // SIO_UDP_CONNRESET

SOCKET asSocket(std::intptr_t value) {
    return static_cast<SOCKET>(value);
}

sockaddr_in socketAddressOf(const UdpEndpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = endpoint.address;
    address.sin_port = htons(endpoint.port);
    return address;
}

// Windows reports an ICMP "port unreachable" for an earlier send as a failed
// receive (WSAECONNRESET) on the next one. A client that goes away would then
// make the receive loop fail once per datagram sent to it: turn the report off.
void ignorePortUnreachable(SOCKET socket) {
    BOOL report = FALSE;
    DWORD returned = 0;
    WSAIoctl(socket, kUdpConnectionReset, &report, sizeof report, nullptr, 0, &returned, nullptr,
             nullptr);
}

}  // namespace

std::unique_ptr<UdpSocket> UdpSocket::open() {
    if (!detail::holdSocketLibrary()) {
        return nullptr;
    }
    // Not inherited: programs the tests or the tools start must not hold the
    // relay's port.
    const SOCKET socket =
        WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) {
        return nullptr;
    }
    ignorePortUnreachable(socket);
    return std::make_unique<UdpSocket>(static_cast<std::intptr_t>(socket));
}

UdpSocket::UdpSocket(std::intptr_t descriptor) : descriptor_(descriptor) {}

UdpSocket::~UdpSocket() {
    closesocket(asSocket(descriptor_));
}

bool UdpSocket::bind(const UdpEndpoint& local) {
    // Without this, Windows lets a second program bind the same port (or
    // take it over with SO_REUSEADDR) and the two would share the traffic;
    // a second relay on the port must fail instead, as it does on POSIX.
    const BOOL exclusive = TRUE;
    setsockopt(asSocket(descriptor_), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
               reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    const sockaddr_in address = socketAddressOf(local);
    return ::bind(asSocket(descriptor_), reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) == 0;
}

int UdpSocket::localPort() const {
    sockaddr_in address{};
    int length = sizeof address;
    if (::getsockname(asSocket(descriptor_), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return -1;
    }
    return ntohs(address.sin_port);
}

WaitResult UdpSocket::waitUntilReadable(int timeoutMs) {
    // Windows' select watches the sockets listed in the set, whatever their
    // handle values; its first argument is ignored.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(asSocket(descriptor_), &readable);
    timeval timeout{};
    timeout.tv_sec = timeoutMs / 1000;
    timeout.tv_usec = (timeoutMs % 1000) * 1000;
    const int ready = ::select(0, &readable, nullptr, nullptr, &timeout);
    if (ready == SOCKET_ERROR) {
        return WaitResult::Failed;
    }
    return ready == 0 ? WaitResult::TimedOut : WaitResult::Readable;
}

int UdpSocket::receiveFrom(void* buffer, std::size_t capacity, UdpEndpoint* sender) {
    sockaddr_in from{};
    int length = sizeof from;
    int got =
        ::recvfrom(asSocket(descriptor_), static_cast<char*>(buffer), static_cast<int>(capacity), 0,
                   reinterpret_cast<sockaddr*>(&from), &length);
    if (got == SOCKET_ERROR) {
        // A longer datagram fails here, yet its first `capacity` bytes have
        // been stored and the rest discarded: POSIX reports that as a
        // datagram of `capacity` bytes, and so does this.
        if (WSAGetLastError() != WSAEMSGSIZE) {
            return -1;
        }
        got = static_cast<int>(capacity);
    }
    if (sender != nullptr) {
        sender->address = from.sin_addr.s_addr;
        sender->port = ntohs(from.sin_port);
    }
    return got;
}

int UdpSocket::sendTo(const void* bytes, std::size_t size, const UdpEndpoint& destination) {
    const sockaddr_in address = socketAddressOf(destination);
    const int sent =
        ::sendto(asSocket(descriptor_), static_cast<const char*>(bytes), static_cast<int>(size), 0,
                 reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent == SOCKET_ERROR ? -1 : sent;
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
