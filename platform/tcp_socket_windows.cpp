#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "platform/socket_library_windows.h"
#include "platform/tcp_socket.h"

namespace platform {
namespace {

// Pending connections the listener keeps while its owner has not accepted
// them; the simulator's side accepts one program, so a few are plenty.
constexpr int kListenBacklog = 4;

SOCKET asSocket(std::intptr_t value) {
    return static_cast<SOCKET>(value);
}

// Resolves `host` to an IPv4 address, looking names up only when
// `allowNames`; false when it names none.
bool resolveIpv4(std::string_view host, int port, bool allowNames, sockaddr_in& address) {
    if (port < 0 || port > 65535) {
        return false;
    }
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    const std::string name(host);
    if (inet_pton(AF_INET, name.c_str(), &address.sin_addr) == 1) {
        return true;
    }
    if (!allowNames) {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

SOCKET openStreamSocket() {
    if (!detail::holdSocketLibrary()) {
        return INVALID_SOCKET;
    }
    return WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
}

bool setBlocking(SOCKET socket, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

// Waits for `events` on the socket; >0 ready, 0 timed out, <0 failed.
int waitFor(SOCKET socket, short events, int timeoutMs) {
    WSAPOLLFD entry{};
    entry.fd = socket;
    entry.events = events;
    return WSAPoll(&entry, 1, timeoutMs);
}

// Completes a non-blocking connect within the time limit. A refused connect
// shows as an error in the write set, or as POLLERR/POLLHUP with WSAPoll.
bool finishConnect(SOCKET socket, const sockaddr_in& address, int timeoutMs) {
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return true;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
        return false;
    }
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval timeout{};
    timeout.tv_sec = timeoutMs / 1000;
    timeout.tv_usec = (timeoutMs % 1000) * 1000;
    if (::select(0, nullptr, &writable, &failed, &timeout) <= 0 || FD_ISSET(socket, &failed)) {
        return false;
    }
    int error = 0;
    int length = sizeof error;
    return getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) ==
               0 &&
           error == 0;
}

// Lines are small and written as they happen: send each at once.
void disableCoalescing(SOCKET socket) {
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

}  // namespace

std::unique_ptr<TcpStream> TcpStream::connect(std::string_view host, int port, int timeoutMs) {
    sockaddr_in address{};
    if (!resolveIpv4(host, port, true, address)) {
        return nullptr;
    }
    const SOCKET socket = openStreamSocket();
    if (socket == INVALID_SOCKET) {
        return nullptr;
    }
    if (!setBlocking(socket, false) || !finishConnect(socket, address, timeoutMs) ||
        !setBlocking(socket, true)) {
        closesocket(socket);
        return nullptr;
    }
    disableCoalescing(socket);
    return std::unique_ptr<TcpStream>(new TcpStream(static_cast<std::intptr_t>(socket)));
}

TcpStream::~TcpStream() {
    closesocket(asSocket(descriptor_));
}

bool TcpStream::sendAll(std::string_view bytes) {
    // Windows raises no signal on a broken stream; send just fails.
    while (!bytes.empty()) {
        const int sent =
            send(asSocket(descriptor_), bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent == SOCKET_ERROR || sent == 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

long TcpStream::sendSome(std::string_view bytes) {
    if (bytes.empty()) {
        return 0;
    }
    // Windows has no per-call "do not wait" flag: the stream waits on no
    // send for this one call. A receiver meanwhile at worst finds nothing
    // yet, which it already handles after its poll.
    const SOCKET socket = asSocket(descriptor_);
    if (!setBlocking(socket, false)) {
        return -1;
    }
    const int sent = send(socket, bytes.data(), static_cast<int>(bytes.size()), 0);
    const int error = sent == SOCKET_ERROR ? WSAGetLastError() : 0;
    if (!setBlocking(socket, true)) {
        return -1;
    }
    if (sent != SOCKET_ERROR) {
        return static_cast<long>(sent);
    }
    return error == WSAEWOULDBLOCK ? 0 : -1;
}

ReceiveResult TcpStream::receive(char* buffer, std::size_t capacity, int timeoutMs) {
    const SOCKET socket = asSocket(descriptor_);
    const int ready = waitFor(socket, POLLRDNORM, timeoutMs);
    if (ready == 0) {
        return {ReceiveStatus::NothingYet, 0};
    }
    if (ready < 0) {
        return {ReceiveStatus::Closed, 0};
    }
    // The socket stays blocking, but the poll said readable (data, end of
    // stream or an error), so this receive returns at once.
    const int got = recv(socket, buffer, static_cast<int>(capacity), 0);
    if (got > 0) {
        return {ReceiveStatus::Received, static_cast<std::size_t>(got)};
    }
    if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
        return {ReceiveStatus::NothingYet, 0};
    }
    return {ReceiveStatus::Closed, 0};
}

bool TcpStream::waitUntilReadable(int timeoutMs) {
    // A failed wait counts as readable: the receive that follows tells why.
    return waitFor(asSocket(descriptor_), POLLRDNORM, timeoutMs) != 0;
}

bool TcpStream::waitUntilReadableOrWritable(int timeoutMs) {
    return waitFor(asSocket(descriptor_), POLLRDNORM | POLLWRNORM, timeoutMs) != 0;
}

void TcpStream::shutdown() {
    ::shutdown(asSocket(descriptor_), SD_BOTH);
}

std::unique_ptr<TcpListener> TcpListener::listen(std::string_view host, int port) {
    sockaddr_in address{};
    if (!resolveIpv4(host, port, false, address)) {
        return nullptr;
    }
    const SOCKET socket = openStreamSocket();
    if (socket == INVALID_SOCKET) {
        return nullptr;
    }
    prepareExclusiveListener(static_cast<std::intptr_t>(socket));
    int length = sizeof address;
    if (bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket, kListenBacklog) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(socket);
        return nullptr;
    }
    return std::unique_ptr<TcpListener>(
        new TcpListener(static_cast<std::intptr_t>(socket), ntohs(address.sin_port)));
}

TcpListener::~TcpListener() {
    closesocket(asSocket(descriptor_));
}

std::unique_ptr<TcpStream> TcpListener::accept(int timeoutMs) {
    const SOCKET socket = asSocket(descriptor_);
    if (waitFor(socket, POLLRDNORM, timeoutMs) <= 0) {
        return nullptr;
    }
    const SOCKET accepted = ::accept(socket, nullptr, nullptr);
    if (accepted == INVALID_SOCKET) {
        return nullptr;
    }
    // Not inherited by child processes, like the listener.
    SetHandleInformation(reinterpret_cast<HANDLE>(accepted), HANDLE_FLAG_INHERIT, 0);
    disableCoalescing(accepted);
    return std::unique_ptr<TcpStream>(new TcpStream(static_cast<std::intptr_t>(accepted)));
}

bool prepareExclusiveListener(std::intptr_t descriptor) {
    // Windows needs no SO_REUSEADDR for a restart while the old connections
    // are in TIME_WAIT, and there it would let a second server take the
    // port: SO_EXCLUSIVEADDRUSE keeps the port to this listener alone.
    const BOOL exclusive = TRUE;
    return setsockopt(asSocket(descriptor), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                      reinterpret_cast<const char*>(&exclusive), sizeof exclusive) == 0;
}

}  // namespace platform
