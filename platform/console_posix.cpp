#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "platform/console.h"
#include "platform/sleep.h"

namespace platform {

void beep(int /*frequencyHz*/, int durationMilliseconds) {
    // A terminal has no pitch control; its bell is the nearest thing.
    if (isatty(STDERR_FILENO)) {
        std::fputc('\a', stderr);
        std::fflush(stderr);
    }
    sleepMilliseconds(durationMilliseconds);
}

bool standardInputIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

void waitForKeyPress() {
    std::fputs("Press any key to continue . . . ", stdout);
    std::fflush(stdout);
    if (!standardInputIsTerminal()) {
        std::fputc('\n', stdout);
        return;
    }
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char key = 0;
    [[maybe_unused]] const ssize_t got = read(STDIN_FILENO, &key, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fputc('\n', stdout);
}

}  // namespace platform
