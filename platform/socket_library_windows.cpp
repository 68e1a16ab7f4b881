#include <winsock2.h>

#include "platform/socket_library_windows.h"
#include "platform/udp_socket.h"

namespace platform {
namespace {

constexpr WORD kSocketsVersion = MAKEWORD(2, 2);

}  // namespace

int startSocketLibrary() {
    WSADATA wsaData;
    return WSAStartup(kSocketsVersion, &wsaData);
}

void cleanupSocketLibrary() {
    WSACleanup();
}

namespace detail {

bool holdSocketLibrary() {
    // Each successful WSAStartup is one reference; this one is never given
    // back, so the relay's own start and cleanup cannot pull the library from
    // under the simulator link's stream.
    static const bool started = startSocketLibrary() == 0;
    return started;
}

}  // namespace detail
}  // namespace platform
