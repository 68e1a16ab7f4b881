#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// The socket library's start and end for the whole process (version 2.2 of
// Windows Sockets; nothing to do on POSIX systems, where both always
// succeed). startSocketLibrary returns 0 on success, otherwise the system's
// error code.
int startSocketLibrary();
void cleanupSocketLibrary();

// An IPv4 address and UDP port.
struct UdpEndpoint {
    // The address exactly as it lies in the system's socket address: the four
    // bytes in network order. 127.0.0.1 is 0x0100007F on a little-endian host.
    std::uint32_t address = 0;
    std::uint16_t port = 0;  // host byte order
};

// The address value of a dotted IPv4 text ("0.0.0.0", "127.0.0.2"), in the
// layout of UdpEndpoint::address; 0xFFFFFFFF when the text is not an address.
std::uint32_t ipv4Address(const char* dotted);

// What waiting for a datagram found.
enum class WaitResult {
    Readable,  // a datagram waits: receiveFrom will not block
    TimedOut,
    Failed,  // the wait itself failed (for example, interrupted); try again
};

// One IPv4 datagram socket, blocking, with the system's default buffers.
//
// Thread safety: one thread may wait and receive while others send; datagram
// sends and receives on one socket do not disturb each other. Destruction
// must not overlap any other call.
class UdpSocket {
  public:
    // Null when the system refuses a socket (for example, out of descriptors).
    static std::unique_ptr<UdpSocket> open();

    ~UdpSocket();  // closes the socket
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // False when the address cannot be bound (for example, the port is in use).
    bool bind(const UdpEndpoint& local);

    // The UDP port the socket is bound to, or -1.
    int localPort() const;

    WaitResult waitUntilReadable(int timeoutMs);

    // Takes one datagram. Returns the number of bytes stored, or -1 when the
    // receive failed. A datagram longer than `capacity` counts as received:
    // its first `capacity` bytes are stored and the rest is discarded.
    int receiveFrom(void* buffer, std::size_t capacity, UdpEndpoint* sender);

    // Sends one datagram; returns the bytes sent, or -1.
    int sendTo(const void* bytes, std::size_t size, const UdpEndpoint& destination);

    explicit UdpSocket(std::intptr_t descriptor);

  private:
    std::intptr_t descriptor_;
};

// Byte order between this host and the network (big-endian).
std::uint32_t hostToNetwork32(std::uint32_t value);
std::uint32_t networkToHost32(std::uint32_t value);
std::uint16_t hostToNetwork16(std::uint16_t value);
std::uint16_t networkToHost16(std::uint16_t value);

}  // namespace platform
