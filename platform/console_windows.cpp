#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/console.h"

namespace platform {

void beep(int frequencyHz, int durationMilliseconds) {
    Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(durationMilliseconds));
}

bool standardInputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

void waitForKeyPress() {
    // The console's own "pause" prints the prompt and takes the key. Without
    // a console to type into, it would wait on a pipe or a file: print the
    // prompt and go on, so that scripts and unattended runs never hang.
    std::fflush(stdout);
    if (GetConsoleWindow() != nullptr && standardInputIsTerminal()) {
        std::system("pause");
        return;
    }
    std::fputs("Press any key to continue . . . \n", stdout);
    std::fflush(stdout);
}

}  // namespace platform
