#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/tcp_socket.h"

namespace platform {
namespace {

// Pending connections the listener keeps while its owner has not accepted
// them; the simulator's side accepts one program, so a few are plenty.
constexpr int kListenBacklog = 4;

#if defined(MSG_NOSIGNAL)
constexpr int kSendFlags = MSG_NOSIGNAL;  // a broken stream reports EPIPE, not SIGPIPE
#else
constexpr int kSendFlags = 0;
#endif

int asDescriptor(std::intptr_t value) {
    return static_cast<int>(value);
}

// Resolves `host` to an IPv4 address, looking names up only when
// `allowNames`; false when it names none.
bool resolveIpv4(std::string_view host, int port, bool allowNames, sockaddr_in& address) {
    if (port < 0 || port > 65535) {
        return false;
    }
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
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

bool setBlocking(int descriptor, bool blocking) {
    const int flags = fcntl(descriptor, F_GETFL, 0);
    if (flags < 0) {
        return false;
    }
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(descriptor, F_SETFL, wanted) == 0;
}

// Waits for `events` on the descriptor; >0 ready, 0 timed out, <0 failed.
int waitFor(int descriptor, short events, int timeoutMs) {
    pollfd entry{descriptor, events, 0};
    for (;;) {
        const int ready = poll(&entry, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready;
    }
}

// Completes a non-blocking connect within the time limit.
bool finishConnect(int descriptor, const sockaddr_in& address, int timeoutMs) {
    if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        return false;
    }
    if (waitFor(descriptor, POLLOUT, timeoutMs) <= 0) {
        return false;
    }
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// Lines are small and written as they happen: send each at once.
void disableCoalescing(int descriptor) {
    const int on = 1;
    setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

std::unique_ptr<TcpStream> TcpStream::connect(std::string_view host, int port, int timeoutMs) {
    sockaddr_in address{};
    if (!resolveIpv4(host, port, true, address)) {
        return nullptr;
    }
    const int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        return nullptr;
    }
    if (!setBlocking(descriptor, false) || !finishConnect(descriptor, address, timeoutMs) ||
        !setBlocking(descriptor, true)) {
        close(descriptor);
        return nullptr;
    }
    disableCoalescing(descriptor);
    return std::unique_ptr<TcpStream>(new TcpStream(descriptor));
}

TcpStream::~TcpStream() {
    close(asDescriptor(descriptor_));
}

bool TcpStream::sendAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent =
            send(asDescriptor(descriptor_), bytes.data(), bytes.size(), kSendFlags);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
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
    for (;;) {
        const ssize_t sent =
            send(asDescriptor(descriptor_), bytes.data(), bytes.size(), kSendFlags | MSG_DONTWAIT);
        if (sent >= 0) {
            return static_cast<long>(sent);
        }
        if (errno == EINTR) {
            continue;
        }
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

ReceiveResult TcpStream::receive(char* buffer, std::size_t capacity, int timeoutMs) {
    const int descriptor = asDescriptor(descriptor_);
    const int ready = waitFor(descriptor, POLLIN, timeoutMs);
    if (ready == 0) {
        return {ReceiveStatus::NothingYet, 0};
    }
    if (ready < 0) {
        return {ReceiveStatus::Closed, 0};
    }
    // MSG_DONTWAIT: poll said readable, and a receive here must never wait.
    ssize_t got = 0;
    do {
        got = recv(descriptor, buffer, capacity, MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
        return {ReceiveStatus::Received, static_cast<std::size_t>(got)};
    }
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return {ReceiveStatus::NothingYet, 0};
    }
    return {ReceiveStatus::Closed, 0};
}

bool TcpStream::waitUntilReadable(int timeoutMs) {
    // A failed wait counts as readable: the receive that follows tells why.
    return waitFor(asDescriptor(descriptor_), POLLIN, timeoutMs) != 0;
}

bool TcpStream::waitUntilReadableOrWritable(int timeoutMs) {
    return waitFor(asDescriptor(descriptor_), POLLIN | POLLOUT, timeoutMs) != 0;
}

void TcpStream::shutdown() {
    ::shutdown(asDescriptor(descriptor_), SHUT_RDWR);
}

std::unique_ptr<TcpListener> TcpListener::listen(std::string_view host, int port) {
    sockaddr_in address{};
    if (!resolveIpv4(host, port, false, address)) {
        return nullptr;
    }
    const int descriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        return nullptr;
    }
    // A simulator restarted on its fixed port must not wait for the old
    // connection's TIME_WAIT to pass.
    const int on = 1;
    setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t length = sizeof address;
    if (bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(descriptor, kListenBacklog) != 0 ||
        getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<TcpListener>(new TcpListener(descriptor, ntohs(address.sin_port)));
}

TcpListener::~TcpListener() {
    close(asDescriptor(descriptor_));
}

std::unique_ptr<TcpStream> TcpListener::accept(int timeoutMs) {
    const int descriptor = asDescriptor(descriptor_);
    if (waitFor(descriptor, POLLIN, timeoutMs) <= 0) {
        return nullptr;
    }
    const int accepted = accept4(descriptor, nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted < 0) {
        return nullptr;
    }
    disableCoalescing(accepted);
    return std::unique_ptr<TcpStream>(new TcpStream(accepted));
}

bool prepareExclusiveListener(std::intptr_t descriptor) {
    // SO_REUSEADDR alone: on POSIX systems it allows TIME_WAIT leftovers but
    // never two listeners; SO_REUSEPORT, which would, stays off.
    int yes = 1;
    return setsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) ==
           0;
}

}  // namespace platform
