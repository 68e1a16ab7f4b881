#pragma once

#include <cstdint>

namespace platform {

// What a running process has used so far, as the system accounts it.
struct ProcessUsage {
    bool known = false;               // false: the process is gone or cannot be read
    std::int64_t cpuNanoseconds = 0;  // on any core, all its threads together
    std::int64_t residentBytes = 0;   // memory it holds in RAM now
};

// Thread safety: reads only the system's accounts; any thread.
ProcessUsage processUsage(int processId);

}  // namespace platform
