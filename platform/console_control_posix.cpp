#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "platform/console_control.h"

namespace platform {
namespace {

struct SignalEvent {
    int signal;
    ConsoleControlType type;
};

constexpr SignalEvent kSignalEvents[] = {
    {SIGINT, CtrlC},
    {SIGQUIT, CtrlBreak},
    {SIGHUP, CtrlClose},
    {SIGTERM, CtrlShutdown},
};

sigset_t controlSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const SignalEvent& event : kSignalEvents) {
        sigaddset(&set, event.signal);
    }
    return set;
}

ConsoleControlType typeOf(int signal) {
    for (const SignalEvent& event : kSignalEvents) {
        if (event.signal == signal) {
            return event.type;
        }
    }
    return CtrlC;
}

// Ends the process by the signal's own default action.
[[noreturn]] void endBySignal(int signal) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signal, &defaultAction, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    // The default action of every signal above ends the process; this is
    // reached only if something outside the program ignores it.
    _exit(128 + signal);
}

void waitForSignals(ConsoleControlHandler handler, sigset_t set) {
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) {
            continue;
        }
        if (!handler(typeOf(signal))) {
            endBySignal(signal);
        }
    }
}

}  // namespace

void installConsoleControlHandler(ConsoleControlHandler handler) {
    // The signals are blocked here, before any other thread exists, so every
    // later thread inherits the mask and only the waiting thread takes them:
    // the handler then runs as ordinary code, not inside a signal handler.
    const sigset_t set = controlSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(waitForSignals, handler, set).detach();
}

}  // namespace platform
