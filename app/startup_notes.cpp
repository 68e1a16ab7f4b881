#include "app/startup_notes.h"

#include <cstdio>

namespace {

constexpr int kSpoilerLimitCount = 4;
// In the order "-spoilerControl " reads them.
constexpr const char* kSpoilerLimitNames[kSpoilerLimitCount] = {"minIas", "minMach", "maxIas",
                                                                "maxMach"};

// The relay binds the low 16 bits of the port it is given.
constexpr int kPortBits = 0xFFFF;

}  // namespace

void noteNoSimulator(const std::string& whereLooked) {
    std::fprintf(stderr, "No simulator answered %s; run with -reconnect to wait for one\n",
                 whereLooked.c_str());
}

void noteMissingSpoilerLimits(int limitsRead) {
    if (limitsRead >= kSpoilerLimitCount) {
        return;
    }
    std::string missing;
    for (int limit = limitsRead < 0 ? 0 : limitsRead; limit < kSpoilerLimitCount; ++limit) {
        missing += (missing.empty() ? "" : ", ") + std::string(kSpoilerLimitNames[limit]);
    }
    std::fprintf(stderr,
                 "-spoilerControl needs four numbers (minIas minMach maxIas maxMach): %s missing "
                 "or not a number; spoiler control will act on 0 for them\n",
                 missing.c_str());
}

void noteRoutePathMissing() {
    std::fprintf(stderr, "-flightplan has no route file after it: name one as -flightplan PATH\n");
}

void noteSystemChosenPort(int requestedPort, int boundPort) {
    if ((requestedPort & kPortBits) != 0) {
        return;
    }
    std::fprintf(stderr, "The relay listens on UDP port %d, chosen by the system for -port 0\n",
                 boundPort);
}
