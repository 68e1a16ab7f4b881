#pragma once

namespace platform {

// Blocks the calling thread for about the given number of milliseconds.
void sleepMilliseconds(int milliseconds);

}  // namespace platform
