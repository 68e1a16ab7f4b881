#include "app/console_control_handler.h"

#include <cstdio>

#include "app/shared_flight_state.h"
#include "platform/console.h"
#include "platform/console_control.h"
#include "relay/server_socket.h"

namespace {

// The shutdown warning: a short, high tone, the same on every machine.
constexpr int kShutdownBeepHz = 750;
constexpr int kShutdownBeepMs = 500;

}  // namespace

bool consoleControlHandler(std::uint32_t controlType) {
    switch (controlType) {
        case platform::CtrlC:
        case platform::CtrlBreak:
        case platform::CtrlClose:
        case platform::CtrlLogoff:
            // Before the relay exists there is nothing to stop.
            if (ServerSocket* server = flightState.server.load()) {
                server->shutdown();
            }
            break;
        case platform::CtrlShutdown:
            platform::beep(kShutdownBeepHz, kShutdownBeepMs);
            std::printf("Ctrl-Shutdown event\n\n");
            break;
        default:
            break;
    }
    return false;
}
