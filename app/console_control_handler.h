#pragma once

#include <cstdint>

// What the program does when the user presses Ctrl-C or Ctrl-Break, closes
// the console, logs off or shuts the system down: the relay is told to stop
// (a system shutdown only beeps and says so), and the event is then left to
// the platform's default handling, which ends the process. Always false.
//
// Thread safety: runs on the platform's console control thread while the
// main thread and the relay's threads go on; it only reads flightState.server.
bool consoleControlHandler(std::uint32_t controlType);
