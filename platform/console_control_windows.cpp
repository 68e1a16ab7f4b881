#include <windows.h>

#include "platform/console_control.h"

namespace platform {
namespace {

// Set once, before any other thread exists; read by the console's thread.
ConsoleControlHandler installedHandler = nullptr;

BOOL WINAPI onConsoleControl(DWORD controlType) {
    // FALSE passes the event on to the next handler, in the end the system's
    // default, which ends the process.
    return installedHandler != nullptr && installedHandler(controlType) ? TRUE : FALSE;
}

}  // namespace

void installConsoleControlHandler(ConsoleControlHandler handler) {
    // The system numbers its events as ConsoleControlType does and calls the
    // routine on a thread of its own, so the handler sees them unchanged.
    static_assert(CtrlC == CTRL_C_EVENT && CtrlBreak == CTRL_BREAK_EVENT &&
                  CtrlClose == CTRL_CLOSE_EVENT && CtrlLogoff == CTRL_LOGOFF_EVENT &&
                  CtrlShutdown == CTRL_SHUTDOWN_EVENT);
    installedHandler = handler;
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

}  // namespace platform
