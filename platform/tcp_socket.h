#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace platform {

// What one receive call found.
enum class ReceiveStatus {
    Received,    // `size` bytes were stored
    NothingYet,  // nothing arrived within the time allowed; the stream is still open
    Closed,      // the peer ended the stream, or it failed: nothing more will arrive
};

struct ReceiveResult {
    ReceiveStatus status = ReceiveStatus::NothingYet;
    std::size_t size = 0;
};

// One connected TCP stream over IPv4.
//
// Thread safety: one thread may receive while others send; the caller
// serialises senders that must not interleave. shutdown() may be called from
// any thread and wakes a receiver. Destruction must not overlap any other call.
class TcpStream {
  public:
    // Connects to `host` (dotted IPv4 or a name) at `port`, waiting at most
    // `timeoutMs` for the peer to answer. Null when nothing listens, the
    // address is unusable or the time runs out.
    static std::unique_ptr<TcpStream> connect(std::string_view host, int port, int timeoutMs);

    ~TcpStream();  // closes the stream
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    // Sends every byte, in one piece as far as the system allows. False when
    // the stream is broken; never raises a signal.
    bool sendAll(std::string_view bytes);

    // Sends what the system takes now, without waiting: the number of bytes
    // taken (0 when it takes none now), or -1 when the stream is broken.
    // Never raises a signal.
    long sendSome(std::string_view bytes);

    // Waits at most `timeoutMs` for bytes (0: looks and returns at once) and
    // stores up to `capacity` of them.
    ReceiveResult receive(char* buffer, std::size_t capacity, int timeoutMs);

    // Waits at most `timeoutMs` until a receive would not wait: bytes have
    // arrived, or the stream has ended. Takes nothing. False on time out.
    bool waitUntilReadable(int timeoutMs);
    // The same, or until a send would take at least one byte.
    bool waitUntilReadableOrWritable(int timeoutMs);

    // Ends both directions: the peer sees the end of the stream and a
    // receiver on this side returns Closed.
    void shutdown();

  private:
    friend class TcpListener;
    explicit TcpStream(std::intptr_t descriptor) : descriptor_(descriptor) {}

    std::intptr_t descriptor_;
};

// A listening TCP socket over IPv4.
//
// Thread safety: accept() from one thread at a time; port() from any thread.
class TcpListener {
  public:
    // Listens on `host` (dotted IPv4 only: no name is looked up) at `port`;
    // 0 picks a free port.
    // Null when the address cannot be bound.
    static std::unique_ptr<TcpListener> listen(std::string_view host, int port);

    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    int port() const { return port_; }

    // Waits at most `timeoutMs` for a connection; null when none came.
    std::unique_ptr<TcpStream> accept(int timeoutMs);

  private:
    TcpListener(std::intptr_t descriptor, int port) : descriptor_(descriptor), port_(port) {}

    std::intptr_t descriptor_;
    int port_;
};

// Readies a TCP socket that is about to be bound and listen for a server
// that must own its address alone: a second server on the same port fails
// to bind instead of silently taking a share of the connections, while a
// restart right after an end still binds (connections of the last run may
// linger in TIME_WAIT). False when the system refuses the options.
bool prepareExclusiveListener(std::intptr_t descriptor);

}  // namespace platform
