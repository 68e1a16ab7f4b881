#pragma once

#include <cstdint>

namespace platform {

// The console control events, numbered as the Windows console numbers them.
// On POSIX systems the platform maps signals onto them: SIGINT is CtrlC,
// SIGQUIT CtrlBreak, SIGHUP CtrlClose and SIGTERM CtrlShutdown (a system
// shutdown sends SIGTERM to every process).
enum ConsoleControlType : std::uint32_t {
    CtrlC = 0,
    CtrlBreak = 1,
    CtrlClose = 2,
    CtrlLogoff = 5,
    CtrlShutdown = 6,
};

// Returns true when the event was handled and the process is to go on; false
// lets the platform's default handling end the process.
using ConsoleControlHandler = bool (*)(std::uint32_t controlType);

// Installs the handler. The platform calls it on a thread of its own while
// every other thread goes on. When it returns false the process ends the way
// that event ends it by default (on POSIX: by the signal itself, so that a
// parent sees it). Call before any other thread is started.
void installConsoleControlHandler(ConsoleControlHandler handler);

}  // namespace platform
