#pragma once

namespace platform {

// Sounds the console's beep at the given pitch, or its nearest equivalent, and
// returns after the given duration.
void beep(int frequencyHz, int durationMilliseconds);

// The "press a key" wait of fatal set-up errors: prints "Press any key to
// continue . . ." and waits for one key, but only when standard input is a
// terminal, so that scripts and unattended runs never hang.
void waitForKeyPress();

// True when standard input is an interactive terminal.
bool standardInputIsTerminal();

}  // namespace platform
